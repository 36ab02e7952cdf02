// libFuzzer entry for the reader (built by tools/evtx-fuzz.sh): the input
// as a whole file, newest first, and the same bytes as a lone chunk; and a
// walk that keeps only logon events must give what the full walk gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "evtx/reader.h"
#include "tests/evtx/kept_events.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::size_t bytes = 0;
    const auto visit = [&](const tav::evtx::Record& r) {
        bytes += r.provider.size() + r.channel.size() + r.computer.size();
        for (const std::string& s : r.strings)
            bytes += s.size();
        return true;
    };
    tav::evtx::Error error;
    if (auto reader = tav::evtx::Reader::Open({data, size}, error))
        reader->ForEachRecordNewestFirst(visit);

    tav::evtx::Chunk chunk;
    tav::evtx::Record record;
    if (chunk.Load({data, size}) == tav::evtx::Chunk::State::Ok)
        while (chunk.NextRecord(record))
            visit(record);

    namespace test = tav::evtx::test;
    if (!test::CompareKeptEvents({data, size}, test::kFuzzedEvents, test::kFuzzedStrings).empty())
        std::abort();
    return bytes == static_cast<std::size_t>(-1);
}

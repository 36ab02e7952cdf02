// Paths of the sample logs and helpers shared by the .evtx tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "evtx/reader.h"
#include "evtx/writer.h"
#include "tests/samples.h"

namespace tav::evtx::test {

using tav::test::SamplePath;

// In one read: a byte at a time, the whole sample set takes seconds under
// the sanitizers.
inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    std::vector<std::uint8_t> bytes(in ? static_cast<std::size_t>(in.tellg()) : 0);
    in.seekg(0);
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return bytes;
}

// Every record of a reader in file order, and its stats.
struct ReadOut {
    std::vector<Record> records;
    Stats stats;
};

inline ReadOut ReadAll(Reader& reader)
{
    ReadOut out;
    reader.ForEachRecord([&](const Record& r) {
        out.records.push_back(r);
        return true;
    });
    out.stats = reader.GetStats();
    return out;
}

// The fields of every record of one chunk's `bytes`, loaded into `walk`,
// as text, and the count of records it could not decode.
inline std::string ChunkFields(Chunk& walk, std::span<const std::uint8_t> bytes)
{
    std::string fields;
    Record record;
    const std::uint64_t unreadable = walk.OwnStats().recordsUnreadable;
    walk.Load(bytes);
    while (walk.NextRecord(record)) {
        fields += std::to_string(record.recordId) + " " + std::to_string(record.createdTicks) + " " +
                  std::to_string(record.eventId) + record.provider + record.channel + record.computer;
        for (const std::string& text : record.strings)
            fields += "|" + text;
        fields += "\n";
    }
    return fields + std::to_string(walk.OwnStats().recordsUnreadable - unreadable);
}

// A scratch file name in the test process's own scratch folder.
inline std::filesystem::path TempPath(const std::string& name)
{
    return tav::test::ScratchRoot() / ("evtx-" + name);
}

// Writes `events` to a scratch file and gives its path.
inline std::filesystem::path WriteLog(const std::string& name, const std::vector<WriterEvent>& events)
{
    const std::filesystem::path path = TempPath(name);
    Error error;
    auto writer = Writer::Create(path, error);
    EXPECT_TRUE(writer) << error.message;
    for (const WriterEvent& e : events)
        EXPECT_TRUE(writer->Add(e, error)) << error.message;
    EXPECT_TRUE(writer->Close(error)) << error.message;
    return path;
}

}  // namespace tav::evtx::test

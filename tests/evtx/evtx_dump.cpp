// Prints the records of .evtx files as tab-separated rows (record id, time
// created, time written, event id, provider, strings; tabs and line breaks
// escaped), and the reader's counters on standard error. With --count it
// only decodes every record, for timing; with --verify it also computes the
// chunk data checksums, which the counters then report.
#include <cstdio>
#include <cstring>
#include <string>

#include "evtx/reader.h"

namespace {

void PutEscaped(std::string& line, const std::string& text)
{
    for (const char c : text) {
        if (c == '\t')
            line += "\\t";
        else if (c == '\r')
            line += "\\r";
        else if (c == '\n')
            line += "\\n";
        else
            line.push_back(c);
    }
}

int Usage()
{
    std::fprintf(stderr, "usage: evtx_dump [--newest] [--count] [--verify] FILE...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    bool newest = false;
    bool countOnly = false;
    bool verify = false;
    int first = 1;
    for (; first < argc && argv[first][0] == '-'; ++first) {
        if (std::strcmp(argv[first], "--newest") == 0)
            newest = true;
        else if (std::strcmp(argv[first], "--count") == 0)
            countOnly = true;
        else if (std::strcmp(argv[first], "--verify") == 0)
            verify = true;
        else
            return Usage();
    }
    if (first >= argc)
        return Usage();
    int status = 0;
    for (int i = first; i < argc; ++i) {
        tav::evtx::Error error;
        auto reader = tav::evtx::Reader::Open(argv[i], error);
        if (!reader) {
            std::fprintf(stderr, "%s\n", error.message.c_str());
            status = 1;
            continue;
        }
        if (verify)
            reader->VerifyDataChecksums();
        std::string line;
        std::size_t bytes = 0;
        const auto visit = [&](const tav::evtx::Record& r) {
            if (countOnly) {
                for (const std::string& s : r.strings)
                    bytes += s.size();
                return true;
            }
            line = std::to_string(r.recordId) + '\t' + std::to_string(r.timeCreated) + '\t' +
                   std::to_string(r.timeWritten) + '\t' + std::to_string(r.eventId) + '\t';
            PutEscaped(line, r.provider);
            for (const std::string& s : r.strings) {
                line.push_back('\t');
                PutEscaped(line, s);
            }
            line.push_back('\n');
            std::fwrite(line.data(), 1, line.size(), stdout);
            return true;
        };
        if (!(newest ? reader->ForEachRecordNewestFirst(visit) : reader->ForEachRecord(visit)))
            status = 1;
        const tav::evtx::Stats& s = reader->GetStats();
        std::fprintf(stderr,
                     "%s: %llu records, %llu unreadable; chunks %llu read, %llu empty, %llu bad magic; "
                     "checksum errors %llu header, %llu data; %zu string bytes\n",
                     argv[i], static_cast<unsigned long long>(s.recordsRead),
                     static_cast<unsigned long long>(s.recordsUnreadable),
                     static_cast<unsigned long long>(s.chunksRead), static_cast<unsigned long long>(s.chunksEmpty),
                     static_cast<unsigned long long>(s.chunksBadMagic),
                     static_cast<unsigned long long>(s.chunkHeaderChecksumErrors),
                     static_cast<unsigned long long>(s.chunkDataChecksumErrors), bytes);
    }
    return status;
}

// The reader against the real logs of the sample set: record counts, every
// golden row field for field, and the header and chunk oddities.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

#include "kept_events.h"
#include "test_files.h"

namespace tav::evtx {
namespace {

using test::SamplePath;

struct Expected {
    const char* file;
    std::uint64_t records;
    std::uint64_t unreadable;
    std::uint64_t chunksEmpty;
    std::uint64_t chunksBadMagic;
    std::uint64_t headerChecksumErrors;
    std::uint64_t dataChecksumErrors;
};

const Expected kSamples[] = {
    {"aptsim-server2022-LSM-Operational.evtx", 41, 0, 0, 0, 0, 0},
    {"aptsim-server2022-Security.evtx", 583, 0, 10, 0, 0, 0},
    {"belkasoft-win10-LSM-Operational.evtx", 204, 0, 14, 0, 0, 0},
    {"belkasoft-win10-Security.evtx", 5881, 0, 14, 0, 0, 0},
    {"omer-Application_no_crc32-v3.2.evtx", 17, 0, 0, 0, 0, 0},  // says it writes no checksums: none is checked
    {"omer-MSExchange_Management_wec-no-template.evtx", 1, 0, 0, 0, 0, 0},
    {"omer-Security_with_size_t.evtx", 636, 0, 11, 0, 0, 0},
    {"omer-post-Security-bad-header-flags.evtx", 126, 0, 15, 0, 0, 0},
    {"omer-sample-with-zero-data-size-event.evtx", 335, 1, 13, 0, 0, 1},
    {"omer-sample_with_a_bad_chunk_magic.evtx", 270, 0, 10, 2, 0, 3},
    {"omer-security-dirty-win7.evtx", 2261, 0, 7, 0, 0, 0},
    {"omer-security_bad_string_cache.evtx", 2261, 0, 7, 0, 1, 0},
    {"omer-vss-RCM-Operational-bad-checksum.evtx", 1774, 1, 0, 0, 0, 2},
    {"pyevtx-dns_log_malformed-ansi.evtx", 5, 0, 0, 0, 0, 0},
    {"rathbun-win11-LSM-Operational.evtx", 54, 0, 0, 0, 0, 0},
    {"sbousseaden-DE_RDP_Tunnel_5156.evtx", 101, 0, 0, 0, 0, 0},
    {"sbousseaden-DE_RDP_Tunneling_4624.evtx", 18, 0, 0, 0, 0, 0},
    {"velocidex-Security-dirty.evtx", 739, 0, 7, 0, 0, 0},
};

std::unique_ptr<Reader> OpenSample(const std::string& name)
{
    Error error;
    auto reader = Reader::Open(SamplePath(name), error);
    EXPECT_TRUE(reader) << name << ": " << error.message;
    return reader;
}

TEST(EvtxSamples, RecordAndChunkCountsMatchTheManifest)
{
    for (const Expected& e : kSamples) {
        SCOPED_TRACE(e.file);
        auto reader = OpenSample(e.file);
        if (!reader)
            continue;
        reader->VerifyDataChecksums();
        const test::ReadOut out = test::ReadAll(*reader);
        EXPECT_EQ(out.records.size(), e.records);
        EXPECT_EQ(out.stats.recordsRead, e.records);
        EXPECT_EQ(out.stats.recordsUnreadable, e.unreadable);
        EXPECT_EQ(out.stats.chunksEmpty, e.chunksEmpty);
        EXPECT_EQ(out.stats.chunksBadMagic, e.chunksBadMagic);
        EXPECT_EQ(out.stats.chunkHeaderChecksumErrors, e.headerChecksumErrors);
        EXPECT_EQ(out.stats.chunkDataChecksumErrors, e.dataChecksumErrors);
    }
}

std::string Escaped(const std::string& text)
{
    std::string out;
    for (const char c : text) {
        if (c == '\t')
            out += "\\t";
        else if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else
            out.push_back(c);
    }
    return out;
}

// A record as a golden row: id, created, written, event id, provider, strings.
std::vector<std::string> Row(const Record& r)
{
    std::vector<std::string> row = {std::to_string(r.recordId), std::to_string(r.timeCreated),
                                    std::to_string(r.timeWritten), std::to_string(r.eventId), Escaped(r.provider)};
    for (const std::string& s : r.strings)
        row.push_back(Escaped(s));
    return row;
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', start);
        fields.push_back(line.substr(start, tab - start));
        if (tab == std::string::npos)
            return fields;
        start = tab + 1;
    }
}

TEST(EvtxSamples, EveryGoldenRowMatchesFieldForField)
{
    const char* const kGolden[] = {
        "aptsim-server2022-LSM-Operational.lsm21.tsv", "aptsim-server2022-Security.4624.tsv",
        "belkasoft-win10-LSM-Operational.lsm21.tsv",   "belkasoft-win10-Security.4624.tsv",
        "omer-Security_with_size_t.4624.tsv",          "omer-post-Security-bad-header-flags.4624.tsv",
        "omer-security-dirty-win7.4624.tsv",           "omer-security_bad_string_cache.4624.tsv",
        "rathbun-win11-LSM-Operational.lsm21.tsv",     "sbousseaden-DE_RDP_Tunnel_5156.4624.tsv",
        "sbousseaden-DE_RDP_Tunneling_4624.4624.tsv",  "sbousseaden-DE_RDP_Tunneling_4624.all.tsv",
        "velocidex-Security-dirty.4624.tsv",
    };
    std::size_t rows = 0;
    for (const std::string golden : kGolden) {
        SCOPED_TRACE(golden);
        auto reader = OpenSample(golden.substr(0, golden.find('.')) + ".evtx");
        if (!reader)
            continue;
        std::map<std::uint64_t, std::vector<std::string>> byId;
        std::size_t ownIds = 0;
        std::size_t withIds = 0;
        reader->ForEachRecord([&](const Record& r) {
            byId.emplace(r.recordId, Row(r));
            ownIds += r.eventRecordId == r.recordId ? 1 : 0;
            withIds += r.eventRecordId != 0 ? 1 : 0;
            return true;
        });
        // System/EventRecordID is the header's id in a log of its own; an
        // export of some events keeps the ids they had and numbers anew.
        EXPECT_EQ(withIds, byId.size());
        EXPECT_EQ(ownIds, golden[0] == 's' ? 0 : byId.size());
        std::ifstream in(SamplePath("golden/" + golden), std::ios::binary);
        std::string line;
        std::size_t fileRows = 0;
        while (std::getline(in, line)) {
            const std::vector<std::string> expected = SplitTabs(line);
            const auto found = byId.find(std::stoull(expected[0]));
            ASSERT_NE(found, byId.end()) << line;
            EXPECT_EQ(found->second, expected);
            ++fileRows;
        }
        EXPECT_GT(fileRows, 0u);
        rows += fileRows;
    }
    EXPECT_EQ(rows, 2382u);
}

TEST(EvtxSamples, NewestFirstGivesDescendingIdsAtOneChunkAtATime)
{
    for (const char* name : {"velocidex-Security-dirty.evtx", "omer-sample_with_a_bad_chunk_magic.evtx",
                             "aptsim-server2022-Security.evtx"}) {
        SCOPED_TRACE(name);
        auto reader = OpenSample(name);
        std::vector<std::uint64_t> ids;
        reader->ForEachRecordNewestFirst([&](const Record& r) {
            ids.push_back(r.recordId);
            return true;
        });
        auto fileOrder = OpenSample(name);
        EXPECT_EQ(ids.size(), test::ReadAll(*fileOrder).records.size());
        EXPECT_TRUE(std::is_sorted(ids.rbegin(), ids.rend()));
        EXPECT_EQ(std::adjacent_find(ids.begin(), ids.end()), ids.end());
    }
    // The visitor stops the walk.
    auto reader = OpenSample("velocidex-Security-dirty.evtx");
    int seen = 0;
    EXPECT_FALSE(reader->ForEachRecordNewestFirst([&](const Record& r) {
        EXPECT_EQ(r.recordId, 32616u);
        return ++seen < 1;
    }));
}

TEST(EvtxSamples, HeaderOdditiesAreReadNotRefused)
{
    struct Case {
        const char* file;
        std::uint16_t minor;
        std::uint32_t flags;
        bool checksumOk;
        std::uint16_t headerChunks;
        std::uint64_t chunks;  // by file size
    };
    const Case cases[] = {
        {"aptsim-server2022-Security.evtx", 2, 0x1, true, 5, 17},
        {"omer-Application_no_crc32-v3.2.evtx", 2, 0x4, false, 1, 1},
        {"omer-post-Security-bad-header-flags.evtx", 1, 0x1B970000, true, 2, 17},
        {"velocidex-Security-dirty.evtx", 1, 0x1, true, 5, 17},
        {"omer-sample_with_a_bad_chunk_magic.evtx", 1, 0x1, true, 16, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        auto reader = OpenSample(c.file);
        ASSERT_TRUE(reader);
        const FileHeader& h = reader->Header();
        EXPECT_EQ(h.majorVersion, 3);
        EXPECT_EQ(h.minorVersion, c.minor);
        EXPECT_EQ(h.flags & ~0x2u, c.flags);
        EXPECT_EQ(h.checksumOk, c.checksumOk);
        EXPECT_EQ(h.chunkCount, c.headerChunks);
        EXPECT_EQ(reader->ChunkCount(), c.chunks);
    }
}

TEST(EvtxSamples, OddRecordsKeepTheirValues)
{
    // A forwarded event: a plain element tree, no template, Qualifiers set.
    auto wec = OpenSample("omer-MSExchange_Management_wec-no-template.evtx");
    const test::ReadOut w = test::ReadAll(*wec);
    ASSERT_EQ(w.records.size(), 1u);
    EXPECT_EQ(w.records[0].eventId, (16384u << 16) | 1u);
    EXPECT_EQ(w.records[0].provider, "MSExchange CmdletLogs");
    EXPECT_EQ(w.records[0].timeCreated, 1637340753);
    ASSERT_GE(w.records[0].strings.size(), 4u);
    EXPECT_EQ(w.records[0].strings[0], "Set-Mailbox");

    // AnsiString values in windows-1252: byte 0xA6 is U+00A6.
    auto dns = OpenSample("pyevtx-dns_log_malformed-ansi.evtx");
    const test::ReadOut d = test::ReadAll(*dns);
    ASSERT_EQ(d.records.size(), 5u);
    EXPECT_EQ(d.records[1].strings[4], "b._dns-sd._udp.@\xC2\xA6" "5\x01.");
    EXPECT_EQ(d.records[0].channel, "Microsoft-Windows-DNSServer/Analytical");

    // Channel and computer of a Security log.
    auto security = OpenSample("sbousseaden-DE_RDP_Tunneling_4624.evtx");
    const test::ReadOut s = test::ReadAll(*security);
    EXPECT_EQ(s.records[0].channel, "Security");
    EXPECT_EQ(s.records[0].computer, "PC02.example.corp");
}

TEST(EvtxSamples, ChunkByChunkWalkSkipsEmptyAndForeignChunks)
{
    auto reader = OpenSample("omer-sample_with_a_bad_chunk_magic.evtx");
    ASSERT_TRUE(reader);
    std::map<Chunk::State, int> states;
    std::vector<std::uint64_t> firstIds;
    std::size_t records = 0;
    Chunk chunk;
    Record record;
    for (std::uint64_t i = 0; i < reader->ChunkCount(); ++i) {
        const Chunk::State state = reader->LoadChunk(i, chunk);
        ++states[state];
        if (state == Chunk::State::Ok)
            firstIds.push_back(chunk.Header().firstRecordId);
        while (chunk.NextRecord(record))
            ++records;
    }
    EXPECT_EQ(states[Chunk::State::Ok], 4);
    EXPECT_EQ(states[Chunk::State::Empty], 10);
    EXPECT_EQ(states[Chunk::State::BadMagic], 2);
    EXPECT_EQ(firstIds, (std::vector<std::uint64_t>{46728, 47628, 45691, 45820}));
    EXPECT_EQ(records, 270u);
    EXPECT_EQ(reader->GetStats().recordsRead, 270u);
}

// Records left undecoded for their event id must be exactly those a
// command would have dropped, and the strings it reads as a full walk
// gives them: every sample, for the sets the commands use.
TEST(EvtxSamples, WalksKeepingSomeEventsGiveWhatTheFullWalkGives)
{
    static constexpr std::uint16_t kLogons[] = {4624};
    static constexpr std::uint16_t kSessions[] = {1100, 4608, 4624, 4634, 4647, 4778, 4779};
    static constexpr std::uint16_t kFailures[] = {4625};
    static constexpr std::uint16_t kRemote[] = {21};
    const struct {
        std::span<const std::uint16_t> events;
        StringSet strings;
    } kSets[] = {
        {kLogons, StringsAt({5, 8, 11})},
        {kLogons, StringsAt({5, 6, 8, 11, 18})},
        {kSessions, StringsAt({2, 3, 4, 5, 6, 7, 8, 9, 11, 16, 18, 25})},
        {kFailures, StringsAt({5, 6, 7, 9, 10, 13, 19})},
        {kRemote, kAllStrings},
    };
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(tav::test::SamplesFolder())) {
        if (entry.path().extension() != ".evtx")
            continue;
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        for (const auto& set : kSets)
            EXPECT_EQ(test::CompareKeptEvents(bytes, set.events, set.strings), "")
                << entry.path().filename() << " " << set.events[0];
    }
    EXPECT_EQ(files, 18u);
}

// Chunks define again the templates they use, which a walk compiles once
// and takes again, moved, where a later chunk holds the same definition:
// each chunk decodes as it does with nothing read before it.
TEST(EvtxSamples, EachChunkDecodesAsIfReadFirst)
{
    std::size_t chunks = 0;
    Chunk warm;
    for (const auto& entry : std::filesystem::directory_iterator(tav::test::SamplesFolder())) {
        if (entry.path().extension() != ".evtx")
            continue;
        const std::vector<std::uint8_t> file = test::ReadBytes(entry.path());
        for (std::size_t at = kFileHeaderSize; at + kChunkSize <= file.size(); at += kChunkSize, ++chunks) {
            const std::span<const std::uint8_t> bytes(file.data() + at, kChunkSize);
            Chunk cold;
            ASSERT_EQ(test::ChunkFields(warm, bytes), test::ChunkFields(cold, bytes))
                << entry.path().filename() << " at " << at;
        }
    }
    EXPECT_GT(chunks, 100u);
}

// Inputs on which the fuzzer once found the two walks apart.
TEST(EvtxFuzzFinds, WalksKeepingSomeEventsGiveWhatTheFullWalkGives)
{
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(tav::test::SamplesFolder() / "fuzz-finds")) {
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(test::CompareKeptEvents(bytes, test::kFuzzedEvents, test::kFuzzedStrings), "")
            << entry.path().filename();
    }
    EXPECT_GE(files, 1u);
}

}  // namespace
}  // namespace tav::evtx

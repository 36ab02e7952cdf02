// Inputs that are no .evtx file, and damaged ones: refused with a reason,
// or read as far as they can be, never a crash or an endless walk.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <random>

#include "base/bytes.h"
#include "evtx/file_walk.h"
#include "test_files.h"

namespace tav::evtx {
namespace {

// 18 records in one chunk.
const char kSmallSample[] = "sbousseaden-DE_RDP_Tunneling_4624.evtx";
constexpr std::size_t kChunk0 = kFileHeaderSize;

std::vector<std::uint8_t> ValidHeader()
{
    std::vector<std::uint8_t> bytes(kFileHeaderSize, 0);
    std::memcpy(bytes.data(), "ElfFile", 8);
    StoreU16(bytes.data() + 36, 1);
    StoreU16(bytes.data() + 38, 3);
    return bytes;
}

test::ReadOut ReadMemory(const std::vector<std::uint8_t>& bytes)
{
    Error error;
    auto reader = Reader::Open(bytes, error);
    EXPECT_TRUE(reader) << error.message;
    return reader ? test::ReadAll(*reader) : test::ReadOut{};
}

// Offsets of the records of chunk 0, by walking their sizes.
std::vector<std::size_t> RecordOffsets(const std::vector<std::uint8_t>& file)
{
    std::vector<std::size_t> offsets;
    std::size_t at = kChunk0 + kChunkHeaderSize;
    while (LoadU32(file.data() + at) == 0x2a2a) {
        offsets.push_back(at);
        at += LoadU32(file.data() + at + 4);
    }
    return offsets;
}

TEST(EvtxDamaged, NonEvtxInputIsRefusedWithAReason)
{
    std::vector<std::uint8_t> wrongMagic = ValidHeader();
    wrongMagic[6] = 'f';
    std::vector<std::uint8_t> version4 = ValidHeader();
    StoreU16(version4.data() + 38, 4);
    std::vector<std::uint8_t> text(5000, 'x');
    std::vector<std::uint8_t> cut = ValidHeader();
    cut.resize(127);
    const struct {
        std::vector<std::uint8_t> bytes;
        ErrorCode code;
    } cases[] = {
        {{}, ErrorCode::TooShort},
        {cut, ErrorCode::TooShort},
        {std::vector<std::uint8_t>(kFileHeaderSize, 0), ErrorCode::NotEvtx},
        {wrongMagic, ErrorCode::NotEvtx},
        {text, ErrorCode::NotEvtx},
        {version4, ErrorCode::UnsupportedVersion},
    };
    for (const auto& c : cases) {
        Error error;
        EXPECT_FALSE(Reader::Open(c.bytes, error));
        EXPECT_EQ(error.code, c.code);
        EXPECT_FALSE(error.message.empty());
    }
    Error error;
    EXPECT_FALSE(Reader::Open(test::TempPath("does-not-exist.evtx"), error));
    EXPECT_EQ(error.code, ErrorCode::CannotOpen);
    EXPECT_NE(error.message.find("does-not-exist.evtx"), std::string::npos);
}

TEST(EvtxDamaged, HeaderAloneAndUnknownMinorVersionsOpen)
{
    std::vector<std::uint8_t> bytes = ValidHeader();
    StoreU16(bytes.data() + 36, 7);
    bytes.resize(128);
    Error error;
    auto reader = Reader::Open(bytes, error);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->ChunkCount(), 0u);
    EXPECT_EQ(test::ReadAll(*reader).records.size(), 0u);
}

TEST(EvtxDamaged, TruncatedFileYieldsTheWholeRecordsBeforeTheCut)
{
    const std::vector<std::uint8_t> file = test::ReadBytes(test::SamplePath(kSmallSample));
    const std::vector<std::size_t> offsets = RecordOffsets(file);
    ASSERT_EQ(offsets.size(), 18u);
    for (std::size_t cut = 128; cut <= file.size(); cut += 997) {
        const std::vector<std::uint8_t> part(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(cut));
        std::size_t whole = 0;
        for (const std::size_t at : offsets)
            whole += at + LoadU32(file.data() + at + 4) <= cut ? 1 : 0;
        const test::ReadOut out = ReadMemory(part);
        EXPECT_EQ(out.records.size(), whole) << "cut at " << cut;
    }
}

TEST(EvtxDamaged, BadRecordSizesEndTheChunkWalk)
{
    const std::vector<std::uint8_t> file = test::ReadBytes(test::SamplePath(kSmallSample));
    const std::vector<std::size_t> offsets = RecordOffsets(file);
    for (const std::uint32_t size : {0u, 1u, 27u, 0x10000u, 0xFFFFFFFFu}) {
        std::vector<std::uint8_t> bytes = file;
        StoreU32(bytes.data() + offsets[5] + 4, size);
        const test::ReadOut out = ReadMemory(bytes);
        EXPECT_EQ(out.records.size(), 5u) << size;
        EXPECT_EQ(out.stats.recordsUnreadable, 1u) << size;
    }
    // A wrong record magic ends the walk without counting a record.
    std::vector<std::uint8_t> bytes = file;
    bytes[offsets[5]] = 'x';
    const test::ReadOut out = ReadMemory(bytes);
    EXPECT_EQ(out.records.size(), 5u);
    EXPECT_EQ(out.stats.recordsUnreadable, 0u);
}

TEST(EvtxDamaged, GarbageBinXmlCostsOnlyItsRecord)
{
    std::vector<std::uint8_t> bytes = test::ReadBytes(test::SamplePath(kSmallSample));
    const std::vector<std::size_t> offsets = RecordOffsets(bytes);
    const std::size_t size = LoadU32(bytes.data() + offsets[3] + 4);
    std::memset(bytes.data() + offsets[3] + 24, 0xEE, size - 28);
    const test::ReadOut out = ReadMemory(bytes);
    EXPECT_EQ(out.records.size(), 17u);
    EXPECT_EQ(out.stats.recordsUnreadable, 1u);
    EXPECT_EQ(out.records[3].recordId, 5u);
}

TEST(EvtxDamaged, OversizedFreeSpaceOffsetIsClamped)
{
    std::vector<std::uint8_t> bytes = test::ReadBytes(test::SamplePath(kSmallSample));
    StoreU32(bytes.data() + kChunk0 + 48, 0x7FFFFFFF);
    EXPECT_EQ(ReadMemory(bytes).records.size(), 18u);
}

// A wrapped log of 1,500 chunks (the newest at index 500), with empty and
// foreign chunks among them: the chunk order and the counts are the same
// whatever number of threads reads the headers.
TEST(EvtxDamaged, ChunkOrderIsTheSameOnAnyNumberOfThreads)
{
    const std::vector<std::uint8_t> file = test::ReadBytes(test::SamplePath(kSmallSample));
    const std::size_t firstRecord = RecordOffsets(file).front() - kChunk0;
    constexpr std::uint64_t kChunks = 1500;
    std::vector<std::uint8_t> bytes(file.begin(), file.begin() + kChunk0);
    for (std::uint64_t i = 0; i < kChunks; ++i) {
        bytes.insert(bytes.end(), file.begin() + kChunk0, file.begin() + kChunk0 + kChunkSize);
        std::uint8_t* chunk = bytes.data() + kChunk0 + i * kChunkSize;
        StoreU64(chunk + firstRecord + 8, 1000 * ((i + 1000) % kChunks));
        if (i % 97 == 5)
            std::memset(chunk, 0, kChunkSize);
        if (i % 89 == 7)
            chunk[0] = 'X';
    }
    std::string orders[3];
    Stats stats[3];
    for (unsigned threads = 1; threads <= 3; ++threads) {
        Error error;
        auto reader = Reader::Open(bytes, error);
        ASSERT_TRUE(reader) << error.message;
        for (const ChunkSpan& span : reader->ChunksNewestFirst(threads))
            orders[threads - 1] += std::to_string(span.index) + ' ';
        stats[threads - 1] = reader->GetStats();
    }
    EXPECT_EQ(orders[0].substr(0, 16), "499 498 497 496 ");
    EXPECT_EQ(orders[1], orders[0]);
    EXPECT_EQ(orders[2], orders[0]);
    for (const Stats& s : stats) {
        EXPECT_EQ(s.chunksEmpty, 16u);
        EXPECT_EQ(s.chunksBadMagic, 17u);
    }
}

// A walk reads up to four chunks at once where it takes file neighbours one
// after the other, in either direction, and never joins across a jump.
TEST(EvtxDamaged, RunsOfChunksJoinOnlyNeighboursOfTheWalk)
{
    const struct {
        std::vector<std::uint64_t> walk;
        const char* runs;  // lowest index, '+' ascending or '-' descending, count
    } cases[] = {
        {{7, 6, 5, 4, 3, 2, 1, 0, 9, 8}, "4-4 0-4 8-2 "},
        {{0, 1, 2, 3, 4, 6, 5}, "0+4 4+1 5-2 "},
        {{0, 1, 3, 2, 2}, "0+2 2-2 2+1 "},
        {{}, ""},
    };
    for (const auto& c : cases) {
        std::string runs;
        for (const ChunkRun& run : RunsOf(c.walk))
            runs += std::to_string(run.first) + (run.descending ? '-' : '+') + std::to_string(run.count) + ' ';
        EXPECT_EQ(runs, c.runs);
    }
}

// A log cut short inside a chunk: walked by runs of chunks on one thread and
// on two, the records and counts are those of the walk chunk by chunk.
TEST(EvtxDamaged, ALogCutShortWalksTheSameByRunsOfChunks)
{
    std::vector<std::uint8_t> bytes = test::ReadBytes(test::SamplePath("belkasoft-win10-Security.evtx"));
    bytes.resize(kChunk0 + 10 * kChunkSize + 30000);
    const std::filesystem::path path = test::TempPath("cut.evtx");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    const auto line = [](const Record& r) {
        return std::to_string(r.recordId) + ' ' + std::to_string(r.strings.size()) + '\n';
    };
    for (const WalkOrder order : {WalkOrder::File, WalkOrder::NewestFirst}) {
        Error error;
        auto reader = Reader::Open(bytes, error);
        ASSERT_TRUE(reader) << error.message;
        std::string expected;
        const auto add = [&](const Record& r) { return expected += line(r), true; };
        order == WalkOrder::File ? reader->ForEachRecord(add) : reader->ForEachRecordNewestFirst(add);
        expected += std::to_string(reader->GetStats().recordsRead) + " read";
        for (unsigned threads = 1; threads <= 2; ++threads) {
            std::string walked;
            FileWalk<std::string> walk;
            walk.threads = threads;
            walk.order = order;
            walk.transform = [&](const Record& r, ItemList<std::string>& out) { out.Add(line(r)); };
            walk.failed = [](std::size_t, std::uint32_t, const std::string& message) { ADD_FAILURE() << message; };
            walk.opened = [](std::size_t) {};
            walk.items = [&](std::size_t, std::span<std::string> items, const ChunkRecords&, double) {
                for (const std::string& item : items)
                    walked += item;
            };
            walk.ended = [&](std::size_t, const Reader& read) {
                walked += std::to_string(read.GetStats().recordsRead) + " read";
            };
            WalkFiles<std::string>({path.string()}, walk);
            EXPECT_EQ(walked, expected) << threads << " threads";
        }
    }
    std::filesystem::remove(path);
}

// A chunk's template definition that differs by one byte from one met in
// the chunk before, under the same GUID, decodes as if no chunk came
// before: the operations kept from the first are not taken for it.
TEST(EvtxDamaged, ATemplateChangedUnderItsGuidIsCompiledAgain)
{
    const std::vector<std::uint8_t> file = test::ReadBytes(test::SamplePath(kSmallSample));
    const std::vector<std::uint8_t> chunk(file.begin() + kChunk0, file.begin() + kChunk0 + kChunkSize);
    const std::size_t firstRecord = RecordOffsets(file).front() - kChunk0;
    const std::uint32_t definition = LoadU32(chunk.data() + firstRecord + 24 + 4 + 6);
    const std::uint32_t end = definition + 24 + LoadU32(chunk.data() + definition + 20);
    ASSERT_LT(end, kChunkSize);
    Chunk warm;
    for (std::uint32_t at = definition + 20; at < end; ++at) {
        std::vector<std::uint8_t> changed = chunk;
        changed[at] ^= 0x01;
        Chunk cold;
        test::ChunkFields(warm, chunk);
        ASSERT_EQ(test::ChunkFields(warm, changed), test::ChunkFields(cold, changed)) << "byte " << at;
    }
}

TEST(EvtxDamaged, RandomByteDamageNeverBreaksTheReader)
{
    const std::vector<std::uint8_t> file = test::ReadBytes(test::SamplePath(kSmallSample));
    std::mt19937 random(20240611);
    std::uniform_int_distribution<std::size_t> where(kChunk0, file.size() - 1);
    std::uniform_int_distribution<int> value(0, 255);
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> bytes = file;
        for (int k = 0; k < 1 + round % 16; ++k)
            bytes[where(random)] = static_cast<std::uint8_t>(value(random));
        Error error;
        auto reader = Reader::Open(bytes, error);
        ASSERT_TRUE(reader);
        std::size_t records = 0;
        reader->ForEachRecordNewestFirst([&](const Record&) { return ++records < 1000; });
        EXPECT_LE(records + reader->GetStats().recordsUnreadable, 1000u);
    }
}

}  // namespace
}  // namespace tav::evtx

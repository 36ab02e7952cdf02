// Saved logs read as the legacy event-log interface reads live ones: the
// scan's rows, buffer handling, seek reads and failures, against the reader
// and against the memory source that stands for the live log in tests.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "base/bytes.h"
#include "seclog/evtx_source.h"
#include "evtx/writer.h"
#include "seclog/logon_scan.h"
#include "seclog/memory_source.h"
#include "tests/evtx/test_files.h"

namespace tav::evtx {
namespace {

using seclog::LayOut;
using seclog::LegacyFileOpener;
using seclog::LegacySource;

using seclog::ReadResult;

const char* const kSamples[] = {
    "aptsim-server2022-Security.evtx",         "belkasoft-win10-Security.evtx",
    "omer-Security_with_size_t.evtx",          "omer-post-Security-bad-header-flags.evtx",
    "omer-sample_with_a_bad_chunk_magic.evtx", "omer-security-dirty-win7.evtx",
    "omer-security_bad_string_cache.evtx",     "omer-vss-RCM-Operational-bad-checksum.evtx",
    "sbousseaden-DE_RDP_Tunnel_5156.evtx",     "sbousseaden-DE_RDP_Tunneling_4624.evtx",
    "velocidex-Security-dirty.evtx",
};

std::unique_ptr<Reader> OpenFile(const std::filesystem::path& path)
{
    Error error;
    auto reader = Reader::Open(path, error);
    EXPECT_TRUE(reader) << error.message;
    return reader;
}

seclog::LegacyRecord Legacy(const Record& r)
{
    seclog::LegacyRecord legacy;
    legacy.recordNumber = static_cast<std::uint32_t>(r.recordId);
    legacy.timeGenerated = static_cast<std::uint32_t>(r.timeCreated);
    legacy.timeWritten = static_cast<std::uint32_t>(r.timeWritten);
    legacy.eventId = r.eventId;
    legacy.sourceName = r.provider;
    legacy.computerName = r.computer;
    legacy.strings = r.strings;
    return legacy;
}

std::vector<Record> NewestFirst(const std::filesystem::path& path)
{
    std::vector<Record> records;
    OpenFile(path)->ForEachRecordNewestFirst([&](const Record& r) {
        records.push_back(r);
        return true;
    });
    return records;
}

seclog::LogonFilter Filter()
{
    return seclog::LogonFilter(DateTimeFormats{}, [](DateTime utc) { return utc; });
}

// A row as its texts, caption first.
using Texts = std::vector<std::string>;

Texts TextsOf(const ResultRow& row)
{
    Texts texts = {row.caption};
    texts.insert(texts.end(), row.subItems.begin(), row.subItems.end());
    return texts;
}

std::vector<Texts> Scan(seclog::RecordSource& source)
{
    seclog::LogonFilter filter = Filter();
    std::vector<Texts> rows;
    seclog::ScanCallbacks callbacks;
    callbacks.addRow = [&](ResultRow&& row) { rows.push_back(TextsOf(row)); };
    EXPECT_EQ(seclog::RunScan(source, filter, callbacks).end, seclog::ScanEnd::EndOfLog);
    return rows;
}

TEST(LegacySource, ScanGivesTheRowsOfTheReadersRecords)
{
    std::size_t rowsSeen = 0;
    for (const char* name : kSamples) {
        SCOPED_TRACE(name);
        std::vector<Texts> direct;
        seclog::LogonFilter filter = Filter();
        for (const Record& r : NewestFirst(test::SamplePath(name))) {
            std::vector<std::uint8_t> bytes;
            seclog::EncodeRecord(Legacy(r), bytes);
            seclog::RecordView view;
            ASSERT_EQ(seclog::RecordWalker(bytes).Next(view), seclog::WalkStep::Record);
            ResultRow row;
            std::string error;
            if (filter.Offer(view, row, error) == seclog::LogonFilter::Verdict::Add)
                direct.push_back(TextsOf(row));
        }
        LegacySource source(OpenFile(test::SamplePath(name)));
        EXPECT_EQ(Scan(source), direct);
        EXPECT_EQ(source.Progress(), 1.0);
        rowsSeen += direct.size();
    }
    EXPECT_GT(rowsSeen, 200u);
}

// Record numbers in the first `size` bytes of `buffer`.
std::vector<std::uint32_t> Numbers(std::span<const std::uint8_t> bytes)
{
    std::vector<std::uint32_t> numbers;
    seclog::RecordWalker walker(bytes);
    seclog::RecordView view;
    while (walker.Next(view) == seclog::WalkStep::Record)
        numbers.push_back(view.recordNumber);
    return numbers;
}

TEST(LegacySource, EveryBufferSizeGivesEveryRecordNewestFirst)
{
    for (const char* name : {"velocidex-Security-dirty.evtx", "omer-sample_with_a_bad_chunk_magic.evtx"}) {
        std::vector<std::uint32_t> expected;
        for (const Record& r : NewestFirst(test::SamplePath(name)))
            expected.push_back(static_cast<std::uint32_t>(r.recordId));
        for (const std::size_t size : {1, 300, 4096, 100000, 1 << 22}) {
            SCOPED_TRACE(std::string(name) + " " + std::to_string(size));
            LegacySource source(OpenFile(test::SamplePath(name)));
            std::vector<std::uint32_t> numbers;
            std::vector<std::uint8_t> buffer(size);
            for (int reads = 0; reads < 100000; ++reads) {
                const ReadResult read = source.ReadNext(buffer);
                if (!read.ok && read.error == kErrorInsufficientBuffer) {
                    ASSERT_GT(read.bytesNeeded, buffer.size());
                    std::vector<std::uint8_t> large(read.bytesNeeded);
                    const ReadResult retry = source.ReadNext(large);
                    ASSERT_TRUE(retry.ok);
                    ASSERT_EQ(retry.bytesRead, read.bytesNeeded);
                    numbers.push_back(Numbers(std::span(large).first(retry.bytesRead)).at(0));
                    continue;
                }
                if (!read.ok) {
                    EXPECT_EQ(read.error, kErrorHandleEof);
                    break;
                }
                ASSERT_LE(read.bytesRead, buffer.size());
                for (const std::uint32_t n : Numbers(std::span(buffer).first(read.bytesRead)))
                    numbers.push_back(n);
            }
            EXPECT_EQ(numbers, expected);
            EXPECT_EQ(source.ReadNext(buffer).error, kErrorHandleEof);
        }
    }
}

TEST(LegacySource, SeekReadsFindEveryRecordAndGoOnByIdAscending)
{
    const char* name = "velocidex-Security-dirty.evtx";
    std::vector<Record> records = NewestFirst(test::SamplePath(name));
    std::reverse(records.begin(), records.end());
    LegacySource source(OpenFile(test::SamplePath(name)));
    std::vector<std::uint8_t> buffer(seclog::EventLogBufferSize);
    // Every 7th record: some at chunk ends, some at chunk starts.
    for (std::size_t i = 0; i < records.size(); i += 7) {
        const auto number = static_cast<std::uint32_t>(records[i].recordId);
        const ReadResult read = source.ReadRecord(number, buffer);
        ASSERT_TRUE(read.ok) << number;
        const std::vector<std::uint32_t> numbers = Numbers(std::span(buffer).first(read.bytesRead));
        ASSERT_FALSE(numbers.empty());
        EXPECT_EQ(numbers[0], number);
        for (std::size_t k = 1; k < numbers.size(); ++k)
            EXPECT_EQ(numbers[k], static_cast<std::uint32_t>(records.at(i + k).recordId));
        seclog::RecordView view;
        seclog::RecordWalker(std::span(buffer).first(read.bytesRead)).Next(view);
        EXPECT_EQ(seclog::InsertionStrings(view), records[i].strings);
    }
    EXPECT_EQ(source.ReadRecord(1, buffer).error, kErrorInvalidParameter);
    EXPECT_EQ(source.ReadRecord(40000, buffer).error, kErrorInvalidParameter);
    // Seek reads leave the sequential read where it was.
    const ReadResult read = source.ReadNext(buffer);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(Numbers(std::span(buffer).first(read.bytesRead)).at(0), 32616u);
}

// Events of the shapes Windows writes, `count` of them, ids from 1.
std::vector<WriterEvent> Events(std::size_t count)
{
    std::vector<WriterEvent> events;
    for (std::uint32_t id = 1; id <= count; ++id) {
        WriterEvent e;
        e.record.recordId = id;
        e.record.timeCreated = 1690000000 + id * 7;
        e.record.timeWritten = e.record.timeCreated + 1;
        e.record.eventId = id % 3 == 0 ? 4672 : 4624;
        e.record.provider = "Microsoft-Windows-Security-Auditing";
        e.record.channel = "Security";
        e.record.computer = "WS-07.corp.example";
        e.record.strings.assign(16, std::string(id == 4 ? 400 : 4, 'x'));
        e.record.strings[5] = "user" + std::to_string(id % 11);
        events.push_back(std::move(e));
    }
    return events;
}

struct Step {
    bool seek;
    std::uint32_t recordNumber;
    std::size_t bufferSize;
};

// What one source answers to `steps`: each read's fields and bytes.
std::vector<std::string> Answers(seclog::RecordSource& source, const std::vector<Step>& steps)
{
    std::vector<std::string> answers;
    for (const Step& step : steps) {
        std::vector<std::uint8_t> buffer(step.bufferSize);
        const ReadResult r = step.seek ? source.ReadRecord(step.recordNumber, buffer) : source.ReadNext(buffer);
        std::string answer = std::to_string(r.ok) + " " + std::to_string(r.bytesRead) + " " +
                             std::to_string(r.bytesNeeded) + " " + std::to_string(r.error) + " ";
        answer.append(buffer.begin(), buffer.begin() + (r.ok ? r.bytesRead : 0));
        answers.push_back(answer);
    }
    return answers;
}

TEST(LegacySource, AnswersAsTheMemorySourceDoes)
{
    // Five records (the 4th one large) in one chunk; 400 over several.
    for (const std::size_t count : {5, 400}) {
        SCOPED_TRACE(count);
        const std::vector<WriterEvent> events = Events(count);
        const std::filesystem::path path = test::WriteLog("contract.evtx", events);
        auto log = std::make_shared<seclog::MemoryLog>();
        for (const WriterEvent& e : events)
            log->Add(Legacy(e.record));
        std::vector<std::uint8_t> bytes;
        const std::size_t small = seclog::EncodeRecord(Legacy(events[0].record), bytes);
        const std::size_t large = seclog::EncodeRecord(Legacy(events[3].record), bytes);

        std::vector<Step> steps = {
            {false, 0, 2 * small + 1}, {true, 2, 4 * small},  {true, 4, 4 * small},
            {true, 4, large},          {true, 0, 4 * small},  {true, 9999, 4 * small},
            {false, 0, 2 * small + 1}, {false, 0, 1},         {false, 0, large + small},
        };
        for (const std::size_t size : {3 * small, std::size_t{100000}, std::size_t{1} << 20}) {
            steps.push_back({true, static_cast<std::uint32_t>(count / 2), size});
            for (std::size_t i = 0; i < count; ++i)
                steps.push_back({false, 0, size});
        }
        {
            seclog::MemorySource memory(log);
            LegacySource file(OpenFile(path));
            EXPECT_EQ(Answers(file, steps), Answers(memory, steps));
        }
        std::filesystem::remove(path);  // closed: Windows removes no open file
    }
}

TEST(LegacySource, StringsEndAtTheirFirstNulAsInTheLegacyLayout)
{
    // The reader keeps the text behind a NUL inside a string. The legacy
    // layout ends a string at its first NUL, and the window's strings stay
    // those of that layout, each at its own position, whichever way it reads.
    std::vector<WriterEvent> events = Events(2);
    events[0].record.strings[0] = std::string("S-1\0x", 5);
    events[0].record.strings[5] = std::string("eve\0admin", 9);
    events[1].record.strings[5] = std::string("\0root", 5);
    const std::filesystem::path path = test::WriteLog("nul.evtx", events);
    const auto cut = [](std::vector<std::string> strings) {
        for (std::string& s : strings)
            s.resize(std::min(s.size(), s.find('\0')));
        return strings;
    };
    const auto laidOut = [](std::span<const std::uint8_t> bytes) {
        std::vector<std::vector<std::string>> strings;
        seclog::RecordWalker walker(bytes);
        seclog::RecordView view;
        while (walker.Next(view) == seclog::WalkStep::Record)
            strings.push_back(seclog::InsertionStrings(view).value());
        return strings;
    };
    const std::vector<std::vector<std::string>> newestFirst = {cut(events[1].record.strings),
                                                               cut(events[0].record.strings)};

    const std::vector<Record> read = NewestFirst(path);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].strings, events[1].record.strings);
    EXPECT_EQ(read[1].strings, events[0].record.strings);
    {
        LegacySource source(OpenFile(path));
        std::vector<std::uint8_t> buffer(1 << 16);
        const ReadResult sequential = source.ReadNext(buffer);
        ASSERT_TRUE(sequential.ok);
        EXPECT_EQ(laidOut(std::span(buffer).first(sequential.bytesRead)), newestFirst);
        const ReadResult seek = source.ReadRecord(1, buffer);
        ASSERT_TRUE(seek.ok);
        EXPECT_EQ(laidOut(std::span(buffer).first(seek.bytesRead)), (std::vector{newestFirst[1], newestFirst[0]}));
    }
    {
        LegacySource source(OpenFile(path));
        std::vector<std::vector<std::string>> decoded;
        ASSERT_TRUE(source.ReadNextDecoded([&](const seclog::DecodedRecord& record) {
            decoded.emplace_back(record.strings.begin(), record.strings.end());
            return true;
        }).ok);
        EXPECT_EQ(decoded, newestFirst);
    }
    std::filesystem::remove(path);
}

// A file whose reads fail at one offset (and stop there).
class FailingBytes final : public ByteSource {
public:
    FailingBytes(std::vector<std::uint8_t> bytes, std::uint64_t badOffset)
        : bytes_(std::move(bytes)), badOffset_(badOffset)
    {
    }
    std::uint64_t Size() const override { return bytes_.size(); }
    bool Failed() const override { return failed_; }
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) override
    {
        if (offset >= bytes_.size())
            return 0;
        size = static_cast<std::size_t>(std::min<std::uint64_t>(size, bytes_.size() - offset));
        if (offset <= badOffset_ && badOffset_ < offset + size) {
            failed_ = true;
            size = static_cast<std::size_t>(badOffset_ - offset);
        }
        std::memcpy(out, bytes_.data() + offset, size);
        return size;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t badOffset_;
    std::atomic<bool> failed_ = false;
};

TEST(LegacySource, AFailedFileReadEndsTheReadWithAReadFault)
{
    const std::filesystem::path path = test::WriteLog("failing.evtx", Events(700));
    std::vector<std::uint8_t> bytes = test::ReadBytes(path);
    std::filesystem::remove(path);
    const std::size_t chunks = (bytes.size() - kFileHeaderSize) / kChunkSize;
    ASSERT_GT(chunks, 3u);
    // The chunk read second (newest first) fails behind its header.
    const std::uint64_t badOffset = kFileHeaderSize + (chunks - 2) * kChunkSize + 1000;
    Error error;
    auto reader = Reader::Open(std::make_unique<FailingBytes>(bytes, badOffset), "failing", error);
    ASSERT_TRUE(reader) << error.message;
    LegacySource source(std::move(reader));
    std::vector<std::uint8_t> buffer(100000);
    ReadResult read = source.ReadNext(buffer);
    ASSERT_TRUE(read.ok);
    std::size_t records = Numbers(std::span(buffer).first(read.bytesRead)).size();
    for (int i = 0; i < 100 && read.ok; ++i) {
        read = source.ReadNext(buffer);
        records += read.ok ? Numbers(std::span(buffer).first(read.bytesRead)).size() : 0;
    }
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.error, kErrorReadFault);
    EXPECT_GT(records, 0u);
    EXPECT_LT(records, 700u);
    EXPECT_EQ(source.ReadNext(buffer).error, kErrorReadFault);
    EXPECT_EQ(source.ReadRecord(1, buffer).error, kErrorReadFault);
    EXPECT_LT(source.Progress(), 1.0);

    // The scan's decoded read ends the same way, after the same records.
    auto again = Reader::Open(std::make_unique<FailingBytes>(bytes, badOffset), "failing", error);
    ASSERT_TRUE(again) << error.message;
    LegacySource scanned(std::move(again));
    seclog::LogonFilter filter = Filter();
    std::size_t offered = 0;
    seclog::ScanCallbacks callbacks;
    callbacks.perRecord = [&] { return ++offered > 0; };
    const seclog::ScanOutcome outcome = seclog::RunScan(scanned, filter, callbacks);
    EXPECT_EQ(outcome.end, seclog::ScanEnd::ReadError);
    EXPECT_EQ(outcome.error, kErrorReadFault);
    EXPECT_EQ(offered, records);
}

TEST(LegacySource, TheScansDecodedReadStopsWhereItIsAsked)
{
    const std::filesystem::path path = test::WriteLog("stops.evtx", Events(700));
    // Stopped by the record callback (mid-chunk) or after a read.
    for (const bool perRecord : {true, false}) {
        LegacySource source(OpenFile(path));
        seclog::LogonFilter filter = Filter();
        std::size_t records = 0;
        seclog::ScanCallbacks callbacks;
        callbacks.perRecord = [&] { return !perRecord || ++records < 10; };
        callbacks.stopRequested = [&] { return !perRecord; };
        EXPECT_EQ(seclog::RunScan(source, filter, callbacks).end, seclog::ScanEnd::Stopped);
        EXPECT_LT(source.Progress(), 1.0);
        EXPECT_EQ(records, perRecord ? 10u : 0u);
    }
    std::filesystem::remove(path);
}

TEST(LegacyFileOpener, OpensSavedLogsAndSaysWhyOthersFail)
{
    const std::filesystem::path folder = test::TempPath("opener");
    std::filesystem::create_directories(folder);
    const auto put = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
        return (folder / name).u8string();
    };
    std::string version4(4096, '\0');
    std::memcpy(version4.data(), "ElfFile", 8);
    version4[38] = 4;
    const struct {
        std::u8string path;
        std::uint32_t error;
        std::string message;
    } cases[] = {
        {(folder / "missing.evtx").u8string(), kErrorFileNotFound, "missing.evtx does not exist."},
        {folder.u8string(), kErrorAccessDenied, "evtx-opener is a folder, not an event log file (.evtx)."},
        {put("notes.txt", std::string(5000, 'x')), kErrorEventlogFileCorrupt,
         "notes.txt is not an event log file (.evtx)."},
        {put("short.evtx", "ElfFile"), kErrorEventlogFileCorrupt,
         "short.evtx is too short to be an event log file (.evtx)."},
        {put("v4.evtx", version4), kErrorNotSupported,
         "v4.evtx is an event log file of version 4.0, which this program cannot read."},
    };
    LegacyFileOpener opener;
    for (const auto& c : cases) {
        const std::string path(c.path.begin(), c.path.end());
        SCOPED_TRACE(path);
        std::uint32_t error = 0;
        EXPECT_EQ(opener.Open(path, "security", error), nullptr);
        EXPECT_EQ(error, c.error);
        EXPECT_EQ(opener.LastErrorMessage(), c.message);
    }
    std::uint32_t error = 1;
    const std::u8string sample = test::SamplePath("sbousseaden-DE_RDP_Tunneling_4624.evtx").u8string();
    auto source = opener.Open(std::string(sample.begin(), sample.end()), "ignored", error);
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(error, 0u);
    EXPECT_EQ(opener.LastErrorMessage(), "");
    std::vector<std::uint8_t> buffer(100000);
    EXPECT_EQ(Numbers(std::span(buffer).first(source->ReadNext(buffer).bytesRead)).size(), 18u);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tav::evtx

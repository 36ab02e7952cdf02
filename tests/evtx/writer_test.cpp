// Files the writer makes read back with the same values, through this
// reader and, where installed, through libevtx's evtxexport.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "evtx/reader.h"
#include "evtx/writer.h"
#include "kept_events.h"
#include "test_files.h"

namespace tav::evtx {
namespace {

WriterEvent Event(std::uint64_t id, std::uint32_t eventId, std::vector<std::string> strings,
                  std::vector<std::string> names = {}, std::string wrapper = {})
{
    WriterEvent e;
    e.record.recordId = id;
    e.record.timeCreated = 1700000000 + static_cast<std::int64_t>(id);
    e.record.timeWritten = e.record.timeCreated + 1;
    e.record.eventId = eventId;
    e.record.provider = wrapper.empty() ? "Microsoft-Windows-Security-Auditing"
                                        : "Microsoft-Windows-TerminalServices-LocalSessionManager";
    e.record.channel = "Security";
    e.record.computer = "PC-\xD0\x98\xD0\xB2\xD0\xB0\xD0\xBD";  // Cyrillic
    e.record.strings = std::move(strings);
    e.names = std::move(names);
    e.userDataWrapper = std::move(wrapper);
    return e;
}

// A mix of shapes: named and unnamed Data, UserData, qualifiers, odd text.
std::vector<WriterEvent> Sample(std::size_t count)
{
    std::vector<WriterEvent> events;
    for (std::uint64_t id = 1; id <= count; ++id) {
        switch (id % 4) {
        case 0:
            events.push_back(Event(id, 4624, {"S-1-5-18", "user" + std::to_string(id), "", "2", "10.0.0.1"},
                                   {"SubjectUserSid", "TargetUserName", "WorkstationName", "LogonType", "IpAddress"}));
            break;
        case 1:
            events.push_back(Event(id, (16384u << 16) | 7036u, {"Service\tname", "running\r\n\t\tnow "}));
            break;
        case 2:
            events.push_back(Event(id, 21, {"CORP\\user", "2", "LOCAL"}, {"User", "SessionID", "Address"},
                                   "EventXML"));
            break;
        default:
            events.push_back(Event(id, 4672, {}));
            break;
        }
    }
    return events;
}

TEST(EvtxWriter, RecordsReadBackFieldForField)
{
    const std::vector<WriterEvent> events = Sample(3000);  // several chunks
    const std::filesystem::path path = test::WriteLog("roundtrip.evtx", events);
    Error error;
    auto reader = Reader::Open(path, error);
    ASSERT_TRUE(reader) << error.message;
    EXPECT_GT(reader->ChunkCount(), 3u);
    EXPECT_TRUE(reader->Header().checksumOk);
    reader->VerifyDataChecksums();
    const test::ReadOut out = test::ReadAll(*reader);
    ASSERT_EQ(out.records.size(), events.size());
    EXPECT_EQ(out.stats.recordsUnreadable, 0u);
    EXPECT_EQ(out.stats.chunkHeaderChecksumErrors + out.stats.chunkDataChecksumErrors, 0u);
    for (std::size_t i = 0; i < events.size(); ++i) {
        const Record& want = events[i].record;
        const Record& got = out.records[i];
        EXPECT_EQ(got.recordId, want.recordId);
        EXPECT_EQ(got.timeCreated, want.timeCreated);
        EXPECT_EQ(got.timeWritten, want.timeWritten);
        EXPECT_EQ(got.eventId, want.eventId);
        EXPECT_EQ(got.provider, want.provider);
        EXPECT_EQ(got.channel, want.channel);
        EXPECT_EQ(got.computer, want.computer);
        EXPECT_EQ(got.strings, want.strings) << "record " << want.recordId;
    }
    std::uint64_t expect = events.size();
    reader->ForEachRecordNewestFirst([&](const Record& r) {
        EXPECT_EQ(r.recordId, expect--);
        return true;
    });
    EXPECT_EQ(expect, 0u);
    reader.reset();  // Windows removes no open file
    std::filesystem::remove(path);
}

// A walk that keeps some events and strings gives the written records of
// those events with only those strings (the others empty, the count kept),
// and every other record with its ids and time alone.
TEST(EvtxWriter, WalksKeepingSomeEventsAndStringsReadWhatWasWritten)
{
    std::vector<WriterEvent> events = Sample(400);
    std::vector<std::string> many;
    for (int i = 0; i < 70; ++i)
        many.push_back("s" + std::to_string(i));
    events.push_back(Event(401, (16384u << 16) | 4624u, many));
    const std::filesystem::path path = test::WriteLog("kept.evtx", events);
    static constexpr std::uint16_t kKept[] = {4624, 21};
    constexpr StringSet kStrings = StringsAt({1, 2, 64});
    Error error;
    auto reader = Reader::Open(path, error);
    ASSERT_TRUE(reader) << error.message;
    reader->KeepOnlyEvents(kKept, kStrings);
    std::size_t i = 0;
    reader->ForEachRecord([&](const Record& got) {
        const Record& want = events[i++].record;
        EXPECT_EQ(got.recordId, want.recordId);
        EXPECT_EQ(got.timeCreated, want.timeCreated);
        EXPECT_EQ(got.eventId & 0xFFFF, want.eventId & 0xFFFF);
        if ((want.eventId & 0xFFFF) != 4624 && (want.eventId & 0xFFFF) != 21) {
            EXPECT_TRUE(got.strings.empty() && got.provider.empty()) << "record " << want.recordId;
            return true;
        }
        EXPECT_EQ(got.eventId, want.eventId);
        EXPECT_EQ(got.provider, want.provider);
        EXPECT_EQ(got.computer, want.computer);
        EXPECT_EQ(got.strings.size(), want.strings.size()) << "record " << want.recordId;
        for (std::size_t k = 0; k < std::min(got.strings.size(), want.strings.size()); ++k)
            EXPECT_EQ(got.strings[k], (kStrings >> std::min<std::size_t>(k, 63) & 1) != 0 ? want.strings[k] : "")
                << "record " << want.recordId << " string " << k;
        return true;
    });
    EXPECT_EQ(i, events.size());
    reader.reset();  // Windows removes no open file
    std::filesystem::remove(path);
}

// Insertion strings a walk keeping some events cannot take in one step (an
// optional value left Null drops its element, an array makes a string per
// item) read as the full walk reads them: the log written, then patched.
TEST(EvtxWriter, WalksKeepingSomeEventsTakeNullsAndArraysAsTheFullWalk)
{
    const std::vector<std::string> names = {"A", "B", "C"};
    const std::vector<WriterEvent> events = {
        Event(1, 4624, {"x", std::string(37, 'n'), "z"}, names),               // B's value made Null
        Event(2, 4624, {"x", std::string("ab\0cd", 5) + std::string(34, 'a'), "z"}, names),  // an array
        Event(3, 4624, {"x", "y", "z"}, names)};
    const std::filesystem::path path = test::WriteLog("patched.evtx", events);
    std::vector<std::uint8_t> bytes = test::ReadBytes(path);
    std::filesystem::remove(path);
    // B's substitution (value 9, a string) made optional; the descriptors
    // of its values (by their sizes, 74 and 78 bytes) given other types.
    const auto patch = [&](std::vector<std::uint8_t> from, std::uint8_t at, std::uint8_t to) {
        const auto found = std::search(bytes.begin(), bytes.end(), from.begin(), from.end());
        ASSERT_NE(found, bytes.end());
        ASSERT_EQ(std::search(found + 1, bytes.end(), from.begin(), from.end()), bytes.end());
        found[at] = to;
    };
    patch({0x0d, 9, 0, 0x01}, 0, 0x0e);
    patch({74, 0, 0x01, 0}, 2, 0x00);
    patch({78, 0, 0x01, 0}, 2, 0x81);

    static constexpr std::uint16_t kLogons[] = {4624};
    EXPECT_EQ(test::CompareKeptEvents(bytes, kLogons), "");
    EXPECT_EQ(test::CompareKeptEvents(bytes, kLogons, StringsAt({0, 2})), "");
    std::vector<std::size_t> counts;
    Error error;
    auto reader = Reader::Open(bytes, error);
    ASSERT_TRUE(reader) << error.message;
    reader->ForEachRecord([&](const Record& r) { return counts.push_back(r.strings.size()), true; });
    EXPECT_EQ(counts, (std::vector<std::size_t>{2, 4, 3}));
}

TEST(EvtxWriter, EventTooLargeForAChunkIsRefused)
{
    const std::filesystem::path path = test::TempPath("large.evtx");
    Error error;
    auto writer = Writer::Create(path, error);
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->Add(Event(1, 1, {"small"}), error));
    EXPECT_FALSE(writer->Add(Event(2, 1, {std::string(40000, 'x')}), error));
    EXPECT_EQ(error.code, ErrorCode::RecordTooLarge);
    EXPECT_FALSE(writer->Add(Event(3, 21, {"a", "b"}, {"User"}, "EventXML"), error));
    EXPECT_TRUE(writer->Add(Event(4, 1, {std::string(20000, 'y')}), error));
    EXPECT_TRUE(writer->Close(error));
    auto reader = Reader::Open(path, error);
    ASSERT_TRUE(reader);
    const test::ReadOut out = test::ReadAll(*reader);
    ASSERT_EQ(out.records.size(), 2u);
    EXPECT_EQ(out.records[1].strings[0].size(), 20000u);
    reader.reset();
    std::filesystem::remove(path);
}

#ifndef _WIN32
// evtxexport's text output: per record its id ("Event number"), event id
// (without qualifiers), source and strings.
std::map<std::uint64_t, Record> ExportedRecords(const std::filesystem::path& path)
{
    std::map<std::uint64_t, Record> records;
    FILE* pipe = popen(("evtxexport '" + path.string() + "' 2>/dev/null").c_str(), "r");
    if (!pipe)
        return records;
    std::string all;
    char buf[65536];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
        all.append(buf, n);
    pclose(pipe);
    Record* current = nullptr;
    std::size_t pos = 0;
    while (pos < all.size()) {
        std::size_t end = all.find('\n', pos);
        if (end == std::string::npos)
            end = all.size();
        const std::string line = all.substr(pos, end - pos);
        pos = end + 1;
        const std::size_t colon = line.find("\t: ");
        if (colon == std::string::npos) {
            // A string value with line breaks goes on over several lines.
            if (current && !current->strings.empty() && !line.empty())
                current->strings.back() += "\n" + line;
            continue;
        }
        const std::string key = line.substr(0, line.find('\t'));
        const std::string value = line.substr(colon + 3);
        if (key == "Event number") {
            current = &records[std::stoull(value)];
        } else if (!current) {
            continue;
        } else if (key == "Source name") {
            current->provider = value;
        } else if (key == "Computer name") {
            current->computer = value;
        } else if (key == "Event identifier") {
            current->eventId = static_cast<std::uint32_t>(std::stoul(value.substr(2, 8), nullptr, 16));
        } else if (key.rfind("String: ", 0) == 0) {
            current->strings.push_back(value);
        }
    }
    return records;
}

TEST(EvtxWriter, EvtxexportReadsTheSameValues)
{
    if (std::system("evtxexport -V > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "evtxexport is not installed";
    std::vector<WriterEvent> events = Sample(400);
    for (WriterEvent& e : events)  // its text form splits at line breaks only
        for (std::string& s : e.record.strings)
            for (char& c : s)
                c = c == '\r' ? ' ' : c;
    const std::filesystem::path path = test::WriteLog("evtxexport.evtx", events);
    const std::map<std::uint64_t, Record> exported = ExportedRecords(path);
    ASSERT_EQ(exported.size(), events.size());
    for (const WriterEvent& e : events) {
        const Record& want = e.record;
        const Record& got = exported.at(want.recordId);
        EXPECT_EQ(got.provider, want.provider);
        EXPECT_EQ(got.computer, want.computer);
        EXPECT_EQ(got.eventId, want.eventId & 0xFFFF);
        EXPECT_EQ(got.strings, want.strings) << "record " << want.recordId;
    }
    std::filesystem::remove(path);
}
#endif

}  // namespace
}  // namespace tav::evtx

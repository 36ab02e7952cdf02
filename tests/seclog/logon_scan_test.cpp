#include "seclog/logon_scan.h"

#include <gtest/gtest.h>

#include "seclog/memory_source.h"
#include "test_records.h"

namespace tav::seclog {
namespace {

using test::Logon;
using Verdict = LogonFilter::Verdict;

constexpr std::uint32_t kNoon = 1710072000;      // 10.03.2024 12:00:00 UTC
constexpr std::uint32_t kMidnight = 1710028800;  // 10.03.2024 00:00:00 UTC

DateTimeFormats Formats()
{
    DateTimeFormats formats;
    formats.shortDate = "dd.MM.yyyy";
    formats.longTime = "H:mm:ss";
    return formats;
}

LogonFilter Filter()
{
    return LogonFilter(Formats(), [](DateTime utc) { return utc; });
}

struct Offered {
    Verdict verdict;
    ResultRow row;
    std::string error;
};

Offered Offer(LogonFilter& filter, const LegacyRecord& record)
{
    const test::ExactBytes bytes(test::Encoded(record));
    RecordWalker walker(bytes.Span());
    RecordView view;
    EXPECT_EQ(walker.Next(view), WalkStep::Record);
    Offered offered;
    offered.verdict = filter.Offer(view, offered.row, offered.error);
    return offered;
}

TEST(LogonFilter, RowHoldsRecordNumberDateUserFromAndType)
{
    LogonFilter filter(Formats(), [](DateTime utc) { return utc + 3.0 / 24; });
    const Offered offered =
        Offer(filter, Logon(4294967295u, kNoon + 5, "Пётр", "3", "ПК-7"));
    ASSERT_EQ(offered.verdict, Verdict::Add);
    EXPECT_EQ(offered.row.caption, "4294967295");
    EXPECT_EQ(offered.row.subItems, (std::vector<std::string>{"10.03.2024 15:00:05", "Пётр",
                                                              "ПК-7", kNetworkLogonText}));
    EXPECT_EQ(filter.RowCount(), 1u);
}

TEST(LogonFilter, KeepsInteractiveAndNetworkLogonsOfPeople)
{
    struct Case {
        LegacyRecord record;
        Verdict verdict;
        const char* type;
    };
    LegacyRecord failed = Logon(1, kNoon, "anna", "2", "PC1");
    failed.eventId = 4625;
    LegacyRecord qualified = Logon(1, kNoon, "anna", "2", "PC1");
    qualified.eventId = 0x40001210;  // qualifiers in the high bits, event 4624
    const Case cases[] = {
        {Logon(1, kNoon, "anna", "2", "PC1"), Verdict::Add, kLocalLogonText},
        {Logon(1, kNoon, "anna", "3", "PC1"), Verdict::Add, kNetworkLogonText},
        {qualified, Verdict::Add, kLocalLogonText},
        {Logon(1, kNoon, "", "2", "PC1"), Verdict::Add, kLocalLogonText},
        {Logon(1, kNoon, "anna", "2", "-"), Verdict::Add, kLocalLogonText},
        {failed, Verdict::Skip, ""},
        {Logon(1, kNoon, "anna", "10", "PC1"), Verdict::Skip, ""},
        {Logon(1, kNoon, "anna", "11", "PC1"), Verdict::Skip, ""},
        {Logon(1, kNoon, "anna", "02", "PC1"), Verdict::Skip, ""},
        {Logon(1, kNoon, "anna", "", "PC1"), Verdict::Skip, ""},
        {Logon(1, kNoon, "$anna", "2", "PC1"), Verdict::Skip, ""},
        {Logon(1, kNoon, "an$na", "2", "PC1"), Verdict::Skip, ""},
        {Logon(1, kNoon, "anna$", "2", "PC1"), Verdict::Skip, ""},
        {Logon(1, kNoon, "anna", "2", ""), Verdict::Skip, ""},
        {Logon(1, kNoon, "anna", "2", "PC1", 12), Verdict::Add, kLocalLogonText},
        {Logon(1, kNoon, "anna", "2", "PC1", 11), Verdict::Skip, ""},
        {Logon(1, kNoon, "anna", "2", "PC1", 8), Verdict::Skip, ""},
        {Logon(1, kNoon, "anna", "2", "PC1", 0), Verdict::Skip, ""},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(testing::Message() << "case " << i);
        const Case& c = cases[i];
        LogonFilter filter = Filter();
        const Offered offered = Offer(filter, c.record);
        EXPECT_EQ(offered.verdict, c.verdict);
        if (c.verdict == Verdict::Add) {
            EXPECT_EQ(offered.row.subItems.at(3), c.type);
        }
    }
}

TEST(LogonFilter, CollapsesLogonsOfOneUserFromOnePlaceWithinTwentySeconds)
{
    struct TimedLogon {
        int secondsBefore;
        const char* user;
        const char* type;
        const char* from;
    };
    struct Case {
        const char* name;
        std::vector<TimedLogon> logons;  // newest first
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"20 s apart", {{0, "anna", "2", "PC1"}, {20, "anna", "2", "PC1"}}, {"1"}},
        {"21 s apart", {{0, "anna", "2", "PC1"}, {21, "anna", "2", "PC1"}}, {"1", "2"}},
        {"every 15 s",
         {{0, "anna", "2", "PC1"},
          {15, "anna", "2", "PC1"},
          {30, "anna", "2", "PC1"},
          {45, "anna", "2", "PC1"},
          {60, "anna", "2", "PC1"}},
         {"1", "3", "5"}},
        {"another user", {{0, "anna", "2", "PC1"}, {5, "boris", "2", "PC1"}}, {"1", "2"}},
        {"another place", {{0, "anna", "2", "PC1"}, {5, "anna", "2", "PC2"}}, {"1", "2"}},
        {"another type", {{0, "anna", "2", "PC1"}, {5, "anna", "3", "PC1"}}, {"1", "2"}},
        {"others between",
         {{0, "anna", "2", "PC1"}, {5, "boris", "2", "PC1"}, {10, "anna", "2", "PC1"}},
         {"1", "2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LogonFilter filter = Filter();
        std::vector<std::string> rows;
        std::uint32_t number = 0;
        for (const TimedLogon& logon : c.logons) {
            const Offered offered = Offer(filter, Logon(++number, kNoon - logon.secondsBefore,
                                                        logon.user, logon.type, logon.from));
            if (offered.verdict == Verdict::Add)
                rows.push_back(offered.row.caption);
        }
        EXPECT_EQ(rows, c.rows);
        EXPECT_EQ(filter.RowCount(), c.rows.size());
    }
}

TEST(LogonFilter, MidnightShowsTheDateAloneAndReadsBackAsMidnight)
{
    LogonFilter filter = Filter();
    Offered offered = Offer(filter, Logon(3, kMidnight, "anna", "2", "PC1"));
    ASSERT_EQ(offered.verdict, Verdict::Add);
    EXPECT_EQ(offered.row.subItems.at(0), "10.03.2024");
    EXPECT_EQ(Offer(filter, Logon(2, kMidnight - 20, "anna", "2", "PC1")).verdict,
              Verdict::Skip);
    offered = Offer(filter, Logon(1, kMidnight - 21, "anna", "2", "PC1"));
    ASSERT_EQ(offered.verdict, Verdict::Add);
    EXPECT_EQ(offered.row.subItems.at(0), "09.03.2024 23:59:39");
}

// One run of RunScan over `log`, with the callbacks counting.
struct ScanRun {
    ScanOutcome outcome;
    std::vector<ResultRow> rows;
    int perRecordCalls = 0;
    int stopChecks = 0;
};

ScanRun Scan(std::shared_ptr<const MemoryLog> log, ReadFailure failure = {}, int stopAtCheck = 0,
             int stopAtRecord = 0, const DateTimeFormats& formats = Formats())
{
    ScanRun run;
    MemorySource source(std::move(log), failure);
    LogonFilter filter(formats, [](DateTime utc) { return utc; });
    ScanCallbacks callbacks;
    callbacks.perRecord = [&] { return ++run.perRecordCalls != stopAtRecord; };
    callbacks.stopRequested = [&] { return ++run.stopChecks == stopAtCheck; };
    callbacks.addRow = [&](ResultRow&& row) { run.rows.push_back(std::move(row)); };
    run.outcome = RunScan(source, filter, callbacks);
    EXPECT_EQ(filter.RowCount(), run.rows.size());
    return run;
}

// 1000 records of several events, oldest first, over several reads; every
// 10th is a logon of its own user that makes a row.
std::shared_ptr<MemoryLog> MixedLog()
{
    auto log = std::make_shared<MemoryLog>();
    for (std::uint32_t n = 1; n <= 1000; ++n) {
        if (n % 10 == 0)
            log->Add(Logon(n, kNoon + n, "user" + std::to_string(n), "3", "PC"));
        else if (n % 10 == 5)
            log->Add(Logon(n, kNoon + n, "HOST$", "3", "PC"));
        else
            log->Add(test::OtherEvent(n, kNoon + n, n % 2 ? 4672 : 4634, 1 + n % 7, 20));
    }
    return log;
}

TEST(RunScan, ReadsToTheEndCallingBackForEveryRecord)
{
    const auto log = MixedLog();
    ASSERT_GT(log->ByteSize(), 2 * EventLogBufferSize);
    const ScanRun run = Scan(log);
    EXPECT_EQ(run.outcome.end, ScanEnd::EndOfLog);
    EXPECT_EQ(run.perRecordCalls, 1000);
    EXPECT_GE(run.stopChecks, 3);
    ASSERT_EQ(run.rows.size(), 100u);
    EXPECT_EQ(run.rows.front().caption, "1000");
    EXPECT_EQ(run.rows.back().caption, "10");
}

TEST(RunScan, EndsEarlyKeepingTheRowsMadeSoFar)
{
    const auto log = MixedLog();
    const ScanRun whole = Scan(log);
    const ScanRun stopped = Scan(log, {}, 2);
    EXPECT_EQ(stopped.outcome.end, ScanEnd::Stopped);
    EXPECT_EQ(stopped.stopChecks, 2);
    EXPECT_GT(stopped.rows.size(), 0u);
    EXPECT_LT(stopped.rows.size(), whole.rows.size());

    const ScanRun failed = Scan(log, {2, kErrorEventlogFileCorrupt});
    EXPECT_EQ(failed.outcome.end, ScanEnd::ReadError);
    EXPECT_EQ(failed.outcome.error, kErrorEventlogFileCorrupt);
    EXPECT_EQ(failed.rows.size(), stopped.rows.size());

    const ScanRun byRecord = Scan(log, {}, 0, 21);
    EXPECT_EQ(byRecord.outcome.end, ScanEnd::Stopped);
    EXPECT_EQ(byRecord.perRecordCalls, 21);
    EXPECT_EQ(byRecord.rows.size(), 2u);  // records 1000 and 990
}

TEST(RunScan, GrowsTheBufferForALargeRecordUpToThePlatformsLimit)
{
    auto log = std::make_shared<MemoryLog>();
    log->Add(Logon(1, kNoon, "anna", "2", "PC1"));
    log->Add(Logon(2, kNoon + 60, "anna", "2", std::string(60000, 'w')));
    log->Add(Logon(3, kNoon + 120, "anna", "2", "PC1"));
    ScanRun run = Scan(log);
    EXPECT_EQ(run.outcome.end, ScanEnd::EndOfLog);
    ASSERT_EQ(run.rows.size(), 3u);
    EXPECT_EQ(run.rows[1].subItems.at(2).size(), 60000u);

    log->Add(Logon(4, kNoon + 180, "anna", "2", std::string(kMaxReadBufferSize / 2, 'w')));
    run = Scan(log);
    EXPECT_EQ(run.outcome.end, ScanEnd::ReadError);
    EXPECT_EQ(run.outcome.error, kErrorInsufficientBuffer);
    EXPECT_TRUE(run.rows.empty());
}

TEST(RunScan, DateTextThatDoesNotReadBackEndsTheRunWithItsText)
{
    DateTimeFormats formats = Formats();
    formats.longTime = "tt";  // a designator alone gives no time to read back
    auto log = std::make_shared<MemoryLog>();
    log->Add(Logon(1, kNoon, "anna", "2", "PC1"));
    log->Add(test::OtherEvent(2, kNoon, 4634, 3, 5));
    const auto run = Scan(log, {}, 0, 0, formats);
    EXPECT_EQ(run.outcome.end, ScanEnd::Error);
    EXPECT_EQ(run.outcome.errorText, "'10.03.2024 PM' is not a valid date and time");
    EXPECT_EQ(run.perRecordCalls, 2);
    EXPECT_TRUE(run.rows.empty());
}

TEST(RunScan, MalformedRecordsEndTheRun)
{
    const std::vector<std::uint8_t> shortRecord(40, 0);
    // An event 4624 whose one string lacks its terminator.
    std::vector<std::uint8_t> brokenStrings(kRecordHeaderSize);
    brokenStrings.insert(brokenStrings.end(), {'a', 0, 'b', 0});
    brokenStrings[0] = static_cast<std::uint8_t>(brokenStrings.size());
    brokenStrings[20] = 4624 & 0xFF;
    brokenStrings[21] = 4624 >> 8;
    brokenStrings[26] = 12;  // NumStrings
    brokenStrings[36] = kRecordHeaderSize;  // StringOffset
    for (const auto& damaged : {shortRecord, brokenStrings}) {
        auto log = std::make_shared<MemoryLog>();
        log->Add(Logon(1, kNoon - 100, "anna", "2", "PC1"));
        log->AddRaw(damaged);
        log->Add(Logon(3, kNoon + 100, "anna", "2", "PC1"));
        const ScanRun run = Scan(log);
        EXPECT_EQ(run.outcome.end, ScanEnd::Malformed);
        ASSERT_EQ(run.rows.size(), 1u);
        EXPECT_EQ(run.rows[0].caption, "3");
    }
}

// Reads that claim success but deliver nothing.
class SilentSource : public RecordSource {
public:
    ReadResult ReadNext(std::span<std::uint8_t>) override
    {
        ReadResult result;
        result.ok = true;
        return result;
    }
    ReadResult ReadRecord(std::uint32_t, std::span<std::uint8_t>) override { return {}; }
};

TEST(RunScan, AnEmptySuccessfulReadEndsTheRun)
{
    SilentSource source;
    LogonFilter filter = Filter();
    EXPECT_EQ(RunScan(source, filter, {}).end, ScanEnd::Malformed);
}

TEST(RunScan, StopsAtTheRowCapOnlyWhenAnotherRowWouldFollow)
{
    // 100,000 logons 21 s apart; then a newer one that would make row 100,001.
    auto full = std::make_shared<MemoryLog>();
    LegacyRecord logon = Logon(0, 0, "anna", "2", "PC1", 12);
    for (std::uint32_t n = 1; n <= MaxScanRows; ++n) {
        logon.recordNumber = n;
        logon.timeGenerated = kNoon + 21 * n;
        full->Add(logon);
    }
    ScanRun run = Scan(full);
    EXPECT_EQ(run.outcome.end, ScanEnd::EndOfLog);
    EXPECT_EQ(run.rows.size(), MaxScanRows);

    auto over = std::make_shared<MemoryLog>(*full);
    logon.recordNumber = MaxScanRows + 1;
    logon.timeGenerated = kNoon + 21 * (MaxScanRows + 1);
    over->Add(logon);
    run = Scan(over);
    EXPECT_EQ(run.outcome.end, ScanEnd::RowCap);
    EXPECT_EQ(run.rows.size(), MaxScanRows);
    EXPECT_EQ(run.rows.back().caption, "2");
}

}  // namespace
}  // namespace tav::seclog

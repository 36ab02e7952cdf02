// What the report collects and cuts: lanes, caps, order, weekday and hour,
// the steps and sources of the failures chart.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <string>

#include "report/collector.h"

namespace tav::report {
namespace {

using sessions::EndReason;

// Shown times `offset` seconds after UTC; texts the UTC seconds themselves.
TimeView View(std::int64_t offset = 0)
{
    return {[offset](std::int64_t utc) { return utc + offset; }, [](std::int64_t utc) { return std::to_string(utc); }};
}

sessions::Session Session(const std::string& user, std::int64_t start, std::uint64_t record = 0,
                          EndReason reason = EndReason::Logoff, std::int64_t end = 0)
{
    sessions::Session s;
    s.user = user;
    s.recordId = record;
    s.start = start;
    s.logonType = 2;
    s.reason = reason;
    if (reason != EndReason::Open)
        s.end = end ? end : start + 60;
    return s;
}

sessions::FailedLogon Failure(const std::string& from, std::int64_t time)
{
    sessions::FailedLogon f;
    f.from = from;
    f.time = time;
    f.user = "x";
    return f;
}

TEST(ReportCollector, LanesAreTheUsersWithMostSessions)
{
    // u00..u31, u<i> with 1 + i % 4 sessions: 30 lanes, the last two users of one session left out.
    ReportCollector collector(View());
    for (int i = 0; i < 32; ++i)
        for (int n = 0; n <= i % 4; ++n)
            collector.Add(1, Session((i < 10 ? "u0" : "u") + std::to_string(i), i * 100 + n));
    const ReportInput page = collector.Finish();
    ASSERT_EQ(page.lanes.size(), kMaxLanes);
    EXPECT_EQ(page.lanes[0], "u03");
    EXPECT_EQ(page.lanes[8], "u02");
    EXPECT_EQ(page.lanes[29], "u20");
    EXPECT_EQ(page.usersLeftOut, 2u);
    EXPECT_EQ(page.users, 32u);
    for (const SessionRow& row : page.sessionRows)
        EXPECT_EQ(row.lane < 0, row.user == "u24" || row.user == "u28") << row.user;
}

TEST(ReportCollector, TablesAndBarsAreCut)
{
    const struct {
        std::size_t sessions, failures;
        std::size_t rows, rowsLeftOut, barsLeftOut, failureRows, failuresLeftOut;
    } kCases[] = {
        {0, 0, 0, 0, 0, 0, 0},
        {3, 2, 3, 0, 0, 2, 0},
        {kMaxBars + 1, 0, kMaxBars + 1, 0, 1, 0, 0},
        {kMaxRows, kMaxRows, kMaxRows, 0, kMaxRows - kMaxBars, kMaxRows, 0},
        {kMaxRows + 7, kMaxRows + 1, kMaxRows, 7, kMaxRows + 7 - kMaxBars, kMaxRows, 1},
    };
    for (const auto& c : kCases) {
        ReportCollector collector(View());
        for (std::size_t i = 0; i < c.sessions; ++i)
            collector.Add(1, Session("ann", static_cast<std::int64_t>(i) * 10));
        for (std::size_t i = 0; i < c.failures; ++i)
            collector.Add(1, Failure("10.0.0.1", static_cast<std::int64_t>(i)));
        const ReportInput page = collector.Finish();
        SCOPED_TRACE(c.sessions);
        EXPECT_EQ(page.sessions, c.sessions);
        EXPECT_EQ(page.sessionRows.size(), c.rows);
        EXPECT_EQ(page.sessionRowsLeftOut, c.rowsLeftOut);
        EXPECT_EQ(page.barsLeftOut, c.barsLeftOut);
        EXPECT_EQ(page.failureRows.size(), c.failureRows);
        EXPECT_EQ(page.failureRowsLeftOut, c.failuresLeftOut);
        if (c.sessions > 0) {  // the newest are kept
            EXPECT_EQ(page.sessionRows.front().startAt, static_cast<std::int64_t>(c.sessions - 1) * 10);
        }
    }
}

TEST(ReportCollector, RowsInTheOrderOfLast)
{
    // By input, then newest start, then later record.
    ReportCollector collector(View());
    collector.Add(2, Session("d", 50, 9));
    collector.Add(1, Session("c", 10, 1));
    collector.Add(1, Session("a", 30, 2));
    collector.Add(1, Session("b", 30, 3));
    std::string users;
    for (const SessionRow& row : collector.Finish().sessionRows)
        users += row.user;
    EXPECT_EQ(users, "bacd");
}

TEST(ReportCollector, EndsAsLastShowsThem)
{
    const struct {
        EndReason reason;
        std::int64_t end;
        const char* endText;
        const char* duration;
        std::int64_t endAt;
    } kCases[] = {
        {EndReason::Logoff, 3900, "3900", "(1:00)", 3900},
        {EndReason::Crash, 300 + 86400 * 2, "", "(2+00:00)", 300 + 86400 * 2},
        {EndReason::Shutdown, 240, "", "(-0:01)", 240},  // a clock set back
        {EndReason::Open, 0, "", "", 500000},            // to the end of the log
    };
    for (const auto& c : kCases) {
        ReportCollector collector(View());
        collector.AddEventTime(500000);
        collector.AddEventTime(100);
        collector.Add(1, Session("ann", 300, 1, c.reason, c.end));
        const ReportInput page = collector.Finish();
        ASSERT_EQ(page.sessionRows.size(), 1u);
        const SessionRow& row = page.sessionRows[0];
        EXPECT_EQ(row.end, c.endText);
        EXPECT_EQ(row.duration, c.duration);
        EXPECT_EQ(row.endAt, c.endAt);
        EXPECT_EQ(page.open, c.reason == EndReason::Open ? 1u : 0u);
        EXPECT_EQ(page.first, "100");
        EXPECT_EQ(page.last, "500000");
    }
}

TEST(ReportCollector, LogonsByWeekdayAndHourOfTheShownTime)
{
    const struct {
        std::int64_t utc, offset;
        int weekday, hour;  // Monday 0
    } kCases[] = {
        {0, 0, 3, 0},                  // 1 January 1970, a Thursday
        {0, -3600, 2, 23},             // before 1970 in the shown zone
        {1709596799, 0, 0, 23},        // Monday 4 March 2024 23:59:59
        {1709596799, 3600, 1, 0},      // already Tuesday an hour east
        {1709596799, -86400 * 3, 4, 23},
    };
    for (const auto& c : kCases) {
        ReportCollector collector(View(c.offset));
        collector.Add(1, Session("ann", c.utc));
        const ReportInput page = collector.Finish();
        EXPECT_EQ(page.logonsByHour[c.weekday][c.hour], 1u) << c.utc << " " << c.offset;
    }
}

TEST(ReportCollector, SeriesStep)
{
    const struct {
        std::int64_t span, step;
    } kCases[] = {
        {0, 60}, {7199, 60}, {7200, 300}, {3 * 86400, 3600}, {100 * 86400, 86400},
        {120 * 86400, 7 * 86400}, {3000 * 86400, 30 * 86400}, {3650 * 86400, 31 * 86400},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(SeriesStep(c.span), c.step) << c.span;
}

TEST(ReportCollector, FailuresOverTimeOfTheTopSources)
{
    // Source s<k> tries k + 1 times, a minute apart: the ten with most are drawn.
    ReportCollector collector(View());
    for (int k = 0; k < 12; ++k)
        for (int n = 0; n <= k; ++n)
            collector.Add(1, Failure("s" + std::to_string(k), 6000 + n * 60));
    const ReportInput page = collector.Finish();
    const FailureSeries& series = page.series;
    ASSERT_EQ(series.sources.size(), kMaxSeries);
    EXPECT_EQ(series.sources.front(), "s11");
    EXPECT_EQ(series.step, 60);
    EXPECT_EQ(series.start, 6000);
    ASSERT_EQ(series.counts.front().size(), 12u);
    EXPECT_EQ(std::accumulate(series.counts.back().begin(), series.counts.back().end(), 0u), 3u);
    EXPECT_EQ(page.sources, 12u);
    EXPECT_EQ(page.summary.front().attempts, 12u);
}

TEST(ReportCollector, FailuresWhenTheClockGoesBack)
{
    // The end of summer time: the later failure shows an hour earlier.
    ReportCollector collector(
        {[](std::int64_t utc) { return utc + (utc < 100000 ? 7200 : 3600); }, [](std::int64_t) { return ""; }});
    collector.Add(1, Failure("a", 99940));
    collector.Add(1, Failure("a", 101800));
    const FailureSeries series = collector.Finish().series;
    ASSERT_EQ(series.counts.size(), 1u);
    EXPECT_EQ(std::accumulate(series.counts[0].begin(), series.counts[0].end(), 0u), 2u);
}

}  // namespace
}  // namespace tav::report

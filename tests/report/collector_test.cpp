// What the report collects and cuts: lanes, caps, order, weekday and hour,
// the steps and sources of the failures chart.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

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
    // The failed logons' part made on the collector's thread or beside the sessions'.
    for (const unsigned threads : {1u, 2u}) {
        for (const auto& c : kCases) {
            ReportCollector collector(View(), threads);
            for (std::size_t i = 0; i < c.sessions; ++i)
                collector.Add(1, Session("ann", static_cast<std::int64_t>(i) * 10));
            for (std::size_t i = 0; i < c.failures; ++i)
                collector.Add(1, Failure("10.0.0.1", static_cast<std::int64_t>(i)));
            const ReportInput page = collector.Finish();
            SCOPED_TRACE(std::to_string(c.sessions) + " sessions, threads " + std::to_string(threads));
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
}

// Past the table's rows, the sessions of the users with lanes still get
// bars, newest first, up to the bars' limit: 30 users with lanes hold the
// 6,000 oldest sessions, 100 others the 9,000 newest.
TEST(ReportCollector, BarsGoOnPastTheTable)
{
    ReportCollector collector(View());
    for (std::int64_t i = 0; i < 15000; ++i)
        collector.Add(1, Session(i < 6000 ? "lane" + std::to_string(i % 30) : "other" + std::to_string(i % 100), i));
    const ReportInput page = collector.Finish();
    ASSERT_EQ(page.sessionRows.size(), kMaxRows + 4000);
    EXPECT_EQ(page.barsLeftOut, 1000u);
    EXPECT_EQ(page.sessionRowsLeftOut, 5000u);
    for (std::size_t i = 0; i < page.sessionRows.size(); ++i) {
        const SessionRow& row = page.sessionRows[i];
        ASSERT_EQ(row.startAt, 14999 - static_cast<std::int64_t>(i));  // newest first, none skipped up to here
        ASSERT_EQ(row.listed, i < kMaxRows);
        ASSERT_EQ(row.lane >= 0, row.user.starts_with("lane"));
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

sessions::RdpConnection Connection(const std::string& from, std::int64_t start, std::optional<std::int64_t> end,
                                   const std::string& reason)
{
    sessions::RdpConnection c;
    c.from = from;
    c.start = start;
    c.end = end;
    c.reason = reason;
    return c;
}

sessions::RdpSession Rdp(const std::string& user, const std::string& computer, std::optional<std::uint32_t> id,
                         std::optional<std::int64_t> logon, sessions::RdpEnd reason, std::optional<std::int64_t> end,
                         std::vector<sessions::RdpConnection> connections = {})
{
    sessions::RdpSession s;
    s.user = user;
    s.computer = computer;
    s.id = id;
    s.logon = logon;
    s.reason = reason;
    s.end = end;
    s.connections = std::move(connections);
    return s;
}

// The texts of rdp's table, in its order; a lane per user and computer.
TEST(ReportCollector, RemoteDesktopRowsAsRdpListsThem)
{
    using sessions::RdpEnd;
    ReportCollector collector(View());
    collector.AddEventTime(5000);
    collector.Add(Rdp("CORP\\ann", "ts1", 4, 100, RdpEnd::Shutdown, 200, {Connection("LOCAL", 100, 200, "shutdown")}));
    collector.Add(Rdp("CORP\\ann", "TS1.corp", 2, 1000, RdpEnd::Logoff, 4600,
                      {Connection("10.0.0.1", 1000, 1600, "idle time-out"), Connection("10.0.0.2", 2200, 4600, "logoff")}));
    collector.Add(Rdp("CORP\\bob", "TS1.corp", 3, std::nullopt, RdpEnd::Open, std::nullopt,
                      {Connection("10.0.0.1", 500, std::nullopt, "open")}));
    sessions::RdpSession lone = Rdp("admin", "TS2", std::nullopt, 3000, RdpEnd::NoSession, std::nullopt);
    lone.address = "203.0.113.5";
    collector.Add(lone);
    const ReportInput page = collector.Finish();
    EXPECT_EQ(page.rdpSessions, 4u);
    EXPECT_TRUE(page.rdpComputers);
    EXPECT_EQ(page.rdpLanes, (std::vector<std::pair<std::string, std::string>>{
                                 {"CORP\\ann", "TS1.corp"}, {"CORP\\bob", "TS1.corp"}, {"admin", "TS2"}}));
    std::vector<std::vector<std::string>> rows;
    for (const RdpRow& r : page.rdpRows)
        rows.push_back({r.user, r.session, r.from, r.logon, r.end, r.active, r.disconnected, r.addresses,
                        std::to_string(r.endAt), std::to_string(r.lane)});
    EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{
                        {"admin", "-", "203.0.113.5", "3000", "no session in log", "(0:00)", "", "203.0.113.5", "3000", "2"},
                        {"CORP\\ann", "2", "10.0.0.1", "1000", "4600", "(0:50)", "(0:10)", "10.0.0.1, 10.0.0.2", "4600", "0"},
                        {"CORP\\bob", "3", "10.0.0.1", "before log", "no logoff in log", "(0:00)", "", "10.0.0.1", "5000", "1"},
                        {"CORP\\ann", "4", "LOCAL", "100", "down", "(0:01)", "(0:00)", "LOCAL", "200", "0"}}));
    const std::vector<RdpConnectionRow>& bars = page.rdpRows[1].bars;
    ASSERT_EQ(bars.size(), 2u);
    EXPECT_FALSE(bars[0].newAddress);
    EXPECT_TRUE(bars[1].newAddress);
    EXPECT_EQ(bars[0].reason, "idle time-out");
    EXPECT_EQ(page.rdpRows[2].bars.at(0).endAt, 5000) << "still connected at the end of the log";
}

// The newest sessions of the lanes drawn up to kMaxBars connections; the
// table cut at kMaxRows; lanes for the kMaxLanes users with most sessions.
TEST(ReportCollector, RemoteDesktopCut)
{
    const struct {
        std::size_t sessions, users, connections;
        std::size_t rows, rowsLeftOut, barsLeftOut, lanesLeftOut;
    } kCases[] = {
        {3, 1, kMaxBars / 2, 3, 0, 1, 0},
        {1, 1, kMaxBars + 1, 1, 0, 1, 0},
        {kMaxRows + 3, 1, 0, kMaxRows, 3, kMaxRows + 3 - kMaxBars, 0},
        {kMaxLanes + 2, kMaxLanes + 2, 1, kMaxLanes + 2, 0, 0, 2},
    };
    for (const auto& c : kCases) {
        ReportCollector collector(View());
        for (std::size_t i = 0; i < c.sessions; ++i) {
            const std::int64_t start = static_cast<std::int64_t>(i) * 10;
            collector.Add(Rdp("u" + std::to_string(i % c.users), "ts", 1, start, sessions::RdpEnd::Logoff, start + 5,
                              std::vector(c.connections, Connection("a", start, start + 5, "logoff"))));
        }
        const ReportInput page = collector.Finish();
        SCOPED_TRACE(c.sessions);
        EXPECT_EQ(page.rdpRows.size(), c.rows);
        EXPECT_EQ(page.rdpRowsLeftOut, c.rowsLeftOut);
        EXPECT_EQ(page.rdpBarsLeftOut, c.barsLeftOut);
        EXPECT_EQ(page.rdpLanesLeftOut, c.lanesLeftOut);
        EXPECT_EQ(page.rdpRows.front().startAt, static_cast<std::int64_t>(c.sessions - 1) * 10);  // the newest first
        for (const RdpRow& row : page.rdpRows)
            EXPECT_EQ(row.bars.size(), row.lane >= 0 ? c.connections : 0);
    }
}

}  // namespace
}  // namespace tav::report

// tavelin report: one self-contained HTML page of logon sessions, failed
// logons and Remote Desktop sessions. What goes on the page is collected and
// cut here (a few lanes, a few sources, tables of at most kMaxRows), so a
// page of a huge log stays small; the page's own script only draws it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sessions/session.h"

namespace tav::report {

enum class Language { Russian, English };

inline constexpr std::size_t kMaxLanes = 30;    // users on the timeline, those with most sessions
inline constexpr std::size_t kMaxRows = 10000;  // rows of each table
inline constexpr std::size_t kMaxBars = 5000;   // bars on the timeline: more would slow the page to open
inline constexpr std::size_t kMaxSeries = 10;   // failure sources drawn over time
inline constexpr std::size_t kMaxBuckets = 120; // steps of the failures-over-time chart, at most

// Times on the page are seconds since 1970 in the shown zone (local time, or
// UTC with --utc); texts are as last and lastb write them. Texts of logs and
// names of inputs go in as they are: the page shows their control
// characters escaped.

// A session as last lists it, and where it goes on the page.
struct SessionRow {
    std::string user, from, type, start, end, duration;  // end: the time of a logoff only
    std::int64_t startAt = 0;
    std::int64_t endAt = 0;  // an open one's: the end of the log
    sessions::EndReason reason = sessions::EndReason::Open;
    int logonType = -1;
    int lane = -1;        // its lane on the timeline; -1: none, or left out
    bool listed = false;  // a row of the sessions table
};

// A failed logon as lastb lists it.
struct FailureRow {
    std::string time, user, from, type, reason;
    std::int64_t at = 0;
};

// One row of lastb --summary.
struct SourceRow {
    std::string from;
    std::uint64_t attempts = 0, users = 0;
    std::string first, last, topReason, topUsers;
    std::int64_t firstAt = 0, lastAt = 0;
};

// A connection to a Remote Desktop session, drawn in the session's lane.
struct RdpConnectionRow {
    std::string from, client, authenticated, start, end, reason;  // end: empty while connected
    std::int64_t startAt = 0;
    std::int64_t endAt = 0;   // a connected one's: its session's end
    bool newAddress = false;  // a reconnect from an address no earlier connection of the session came from
};

// A Remote Desktop session as rdp lists it, and where it goes on the page.
struct RdpRow {
    std::string computer, user, session, from, client, logon, end, active, disconnected, addresses;
    std::uint64_t connections = 0;
    std::int64_t activeSeconds = 0;
    std::int64_t disconnectedSeconds = 0;  // 0 too when none (not over): its text is empty
    std::int64_t startAt = 0;
    std::int64_t endAt = 0;  // an open one's: the end of the log
    std::string reason;      // as rdp's JSON names it: "logoff", "open", "no_session", ...
    int lane = -1;           // its lane; -1: none, or left out
    bool listed = false;     // a row of the table
    std::vector<RdpConnectionRow> bars;  // its connections, when it has a lane
};

// Failed logons of the top sources per step of time.
struct FailureSeries {
    std::int64_t start = 0;  // of the first step
    std::int64_t step = 0;   // seconds
    std::vector<std::string> sources;
    std::vector<std::vector<std::uint64_t>> counts;  // per source, per step
};

struct ReportInput {
    std::vector<std::string> inputs;     // files, or the computer whose live log was read
    std::vector<std::string> computers;  // as the events name them
    bool live = false;                   // an open session is still logged on
    bool utc = false;                    // times in UTC, else in local time
    std::string zone;                    // the local zone and its offsets over the period: "Europe/Berlin, UTC+1/+2"
    Language language = Language::Russian;

    // Said at the top of the page: the inputs that could not be read and
    // why (the system's English text), and the warnings the tool wrote
    // while reading (damaged inputs, records read twice, logs of the wrong
    // kind), in English without the tool's "tavelin: ".
    std::vector<std::pair<std::string, std::string>> unread;
    std::vector<std::string> notices;

    // The time the logs cover: their first and last event.
    std::int64_t firstAt = 0, lastAt = 0;
    std::string first, last;

    std::uint64_t sessions = 0, open = 0, failures = 0, users = 0, sources = 0;

    std::vector<std::string> lanes;       // users, most sessions first
    std::uint64_t usersLeftOut = 0;       // users beyond the lanes
    std::uint64_t barsLeftOut = 0;        // sessions of the lanes beyond kMaxBars (the oldest)
    std::vector<SessionRow> sessionRows;  // newest first: the table's and the lanes' bars
    std::uint64_t sessionRowsLeftOut = 0;
    std::vector<FailureRow> failureRows;  // newest first
    std::uint64_t failureRowsLeftOut = 0;
    std::vector<SourceRow> summary;       // most attempts first
    std::uint64_t summaryLeftOut = 0;
    FailureSeries series;
    std::array<std::array<std::uint64_t, 24>, 7> logonsByHour{};  // Monday first, by session start

    // Remote Desktop sessions of terminal servers, when LocalSessionManager
    // logs are among the inputs: a lane per user and computer (those with
    // most sessions), the rows in the order of rdp.
    std::uint64_t rdpSessions = 0;
    std::vector<std::pair<std::string, std::string>> rdpLanes;  // user, computer
    std::uint64_t rdpLanesLeftOut = 0;
    std::uint64_t rdpBarsLeftOut = 0;  // sessions of the lanes beyond kMaxBars connections (the oldest)
    bool rdpComputers = false;         // of several computers: the table has a Computer column
    std::vector<RdpRow> rdpRows;       // newest first
    std::uint64_t rdpRowsLeftOut = 0;
};

// The page: HTML, UTF-8.
std::string ReportHtml(const ReportInput& input);

}  // namespace tav::report

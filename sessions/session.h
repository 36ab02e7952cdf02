// The rows of `tavelin last` (logon sessions) and `tavelin lastb` (failed
// logons), as the portable engines make them from Security log events.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tav::sessions {

// Why a session row ended.
enum class EndReason {
    Logoff,    // 4634 or 4647 with one of its logon ids (the last of them)
    Shutdown,  // 1100: the event log service shut down
    Crash,     // 4608: Windows started while the session was open
    Open,      // no end in the log
};

// One logon session: from a 4624 to its logoff, shutdown or crash.
struct Session {
    std::uint64_t recordId = 0;  // the starting 4624's
    std::string computer;        // System/Computer of the 4624
    std::string user;
    std::string domain;
    std::string sid;
    int logonType = -1;          // -1: not a number in the log
    std::string from;            // the address, else the workstation, else empty
    std::string ip;
    std::string workstation;
    std::string logonId;         // the starting 4624's, as in the log
    std::int64_t start = 0;      // seconds since 1970 UTC
    std::optional<std::int64_t> end;  // seconds since 1970 UTC; none when Open
    EndReason reason = EndReason::Open;
    std::uint32_t disconnects = 0;  // 4779
    std::uint32_t reconnects = 0;   // 4778
};

// One failed logon (4625).
struct FailedLogon {
    std::uint64_t recordId = 0;
    std::string computer;
    std::int64_t time = 0;  // seconds since 1970 UTC
    std::string user;
    std::string domain;
    int logonType = -1;
    std::string from;
    std::string ip;
    std::string workstation;
    std::string status;     // as in the log
    std::string subStatus;  // as in the log
    std::string reason;     // in words, from SubStatus, else Status
};

// The failed logons of one From: the password-guessing view.
struct FailureSource {
    std::string from;
    std::uint64_t attempts = 0;
    std::uint64_t users = 0;  // distinct user names, without regard to case
    std::int64_t first = 0;   // seconds since 1970 UTC
    std::int64_t last = 0;
    std::string topReason;
    std::vector<std::string> topUsers;  // at most five, most attempts first
};

}  // namespace tav::sessions

// What the session rules read from Security log events: the events, their
// providers, the positions of their insertion strings, and the small text
// rules shared by logon sessions and failed logons.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "evtx/record.h"
#include "sessions/session.h"

namespace tav::sessions {

inline constexpr char kSecurityProvider[] = "Microsoft-Windows-Security-Auditing";
inline constexpr char kEventLogProvider[] = "Microsoft-Windows-Eventlog";

inline constexpr std::uint32_t kLogShutdown = 1100;  // the event log service shut down
inline constexpr std::uint32_t kBoot = 4608;         // Windows is starting up
inline constexpr std::uint32_t kLogon = 4624;
inline constexpr std::uint32_t kFailedLogon = 4625;
inline constexpr std::uint32_t kLogoff = 4634;
inline constexpr std::uint32_t kUserLogoff = 4647;   // the user asked for it; a 4634 may follow
inline constexpr std::uint32_t kReconnect = 4778;
inline constexpr std::uint32_t kDisconnect = 4779;

// Insertion strings of 4624 (from 0). TargetLinkedLogonId is written by
// newer versions only.
namespace logon {
inline constexpr std::size_t kSid = 4, kUser = 5, kDomain = 6, kLogonId = 7, kType = 8, kLogonProcess = 9,
                             kWorkstation = 11, kProcessId = 16, kIp = 18, kLinkedLogonId = 25;
inline constexpr std::size_t kFields = kIp + 1;  // fewer: the record is skipped
}  // namespace logon

// Insertion strings of 4625.
namespace failed {
inline constexpr std::size_t kSid = 4, kUser = 5, kDomain = 6, kStatus = 7, kSubStatus = 9, kType = 10,
                             kWorkstation = 13, kIp = 19;
inline constexpr std::size_t kFields = kIp + 1;
}  // namespace failed

inline constexpr std::size_t kLogoffIdField = 3;     // 4634 and 4647: TargetLogonId
inline constexpr std::size_t kReconnectIdField = 2;  // 4778 and 4779: LogonID

// The insertion strings the rules read, for the reader to decode no others.
inline constexpr evtx::StringSet kLogonStrings =
    evtx::StringsAt({logon::kSid, logon::kUser, logon::kDomain, logon::kLogonId, logon::kType, logon::kLogonProcess,
                     logon::kWorkstation, logon::kProcessId, logon::kIp, logon::kLinkedLogonId});
inline constexpr evtx::StringSet kLogoffStrings = evtx::StringsAt({kLogoffIdField});
inline constexpr evtx::StringSet kReconnectStrings = evtx::StringsAt({kReconnectIdField});
inline constexpr evtx::StringSet kSessionStrings = kLogonStrings | kLogoffStrings | kReconnectStrings;
inline constexpr evtx::StringSet kFailureStrings =
    evtx::StringsAt({failed::kUser, failed::kDomain, failed::kStatus, failed::kSubStatus, failed::kType,
                     failed::kWorkstation, failed::kIp});

// The event id (qualifiers left out) of a record of `provider`; 0 for a
// record of any other provider.
std::uint32_t EventOf(const evtx::Record& record, std::string_view provider);

// Where a logon came from: the address unless it is empty, "-" or a
// loopback address; else the workstation unless it is empty or "-"; else "".
std::string FromText(std::string_view ip, std::string_view workstation);

// Which computer an event is of, for the state kept per computer: the host
// name without its domain, without regard to case, since a machine that
// joins a domain writes its full name from then on.
std::string ComputerKey(std::string_view computer);

// The logon type's number; -1 when the text is no number.
int ParseLogonType(std::string_view text);
// "Interactive", "Network", ...; the number itself for a type without a name.
std::string LogonTypeName(int type);

// A session's duration as last shows it: "(H:MM)", or "(D+HH:MM)" from a
// day on; a negative one (a clock set back) with its minus sign.
std::string DurationText(std::int64_t seconds);

// How an end reason is named in JSON, CSV and the report page: "logoff",
// "shutdown", "crash" or "open".
const char* EndReasonKey(EndReason reason);

// Whether a hexadecimal code of the log ("0x0", "0x00000000", "-", "")
// stands for no value.
bool IsZeroCode(std::string_view text);

// Whether `wanted` names the user, as the name alone or as DOMAIN\name,
// without regard to case. A record whose domain is empty or "-" matches
// DOMAIN\name by its name.
bool MatchesUser(std::string_view wanted, std::string_view user, std::string_view domain);
// Whether `wanted` is the address, the workstation or the From of a row,
// without regard to case.
bool MatchesFrom(std::string_view wanted, std::string_view ip, std::string_view workstation, std::string_view from);

// The text with the capitals of Latin-1, Greek and Russian in lower case: logon
// ids, status codes and user names compare without regard to case.
std::string FoldCase(std::string_view utf8);

}  // namespace tav::sessions

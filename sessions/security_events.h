// What the session rules read from Security log events: the events, their
// providers, the positions of their insertion strings, and the small text
// rules shared by logon sessions and failed logons.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/security_events.h"
#include "evtx/record.h"
#include "sessions/session.h"

namespace tav::sessions {

inline constexpr char kSecurityProvider[] = "Microsoft-Windows-Security-Auditing";
inline constexpr char kEventLogProvider[] = "Microsoft-Windows-Eventlog";

// A 4624 or 4625 with fewer strings than up to its address is skipped.
inline constexpr std::size_t kLogonFields = security::logon::kIp + 1;
inline constexpr std::size_t kFailedFields = security::failed::kIp + 1;

// The insertion strings the rules read, for the reader to decode no others.
namespace logon = security::logon;
namespace failed = security::failed;

// The session rules' strings, in the order they take them from a record.
inline constexpr std::size_t kLogonRead[] = {logon::kSid,  logon::kUser,         logon::kDomain,      logon::kLogonId,
                                             logon::kType, logon::kLogonProcess, logon::kWorkstation, logon::kProcessId,
                                             logon::kIp,   logon::kLinkedLogonId};
inline constexpr std::size_t kLogoffRead[] = {security::logoff::kLogonId};
inline constexpr std::size_t kReconnectRead[] = {security::reconnect::kLogonId};
inline constexpr evtx::StringSet kSessionStrings =
    evtx::StringsAt(kLogonRead) | evtx::StringsAt(kLogoffRead) | evtx::StringsAt(kReconnectRead);
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

// "a, b, c": names or addresses in one cell, as last, lastb, rdp and the
// page list them.
std::string Joined(const std::vector<std::string>& texts);

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
// Whether FoldCase(utf8) starts with `folded` (lower case already), without
// building it: per record, the rules compare more than they keep.
bool FoldedStartsWith(std::string_view utf8, std::string_view folded);
// FoldCase(a) == FoldCase(b), without building either.
bool SameFolded(std::string_view a, std::string_view b);

}  // namespace tav::sessions

// The events of the Security log the program reads, and where their
// insertion strings stand, from 0, as the events write them: the one place
// the window's scan, the session rules and the tool look them up.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tav::security {

inline constexpr std::uint16_t kLogShutdown = 1100;  // the event log service shut down
inline constexpr std::uint16_t kBoot = 4608;         // Windows is starting up
inline constexpr std::uint16_t kLogon = 4624;
inline constexpr std::uint16_t kFailedLogon = 4625;
inline constexpr std::uint16_t kLogoff = 4634;
inline constexpr std::uint16_t kUserLogoff = 4647;   // the user asked for it; a 4634 may follow
inline constexpr std::uint16_t kReconnect = 4778;
inline constexpr std::uint16_t kDisconnect = 4779;

// The event id of a record's id, whose high 16 bits are its qualifiers.
constexpr std::uint16_t EventIdOf(std::uint32_t eventId)
{
    return static_cast<std::uint16_t>(eventId & 0xFFFF);
}

// 4624. TargetLinkedLogonId is written by newer versions only.
namespace logon {
inline constexpr std::size_t kSid = 4, kUser = 5, kDomain = 6, kLogonId = 7, kType = 8, kLogonProcess = 9,
                             kWorkstation = 11, kProcessId = 16, kIp = 18, kLinkedLogonId = 25;
}  // namespace logon

// 4625.
namespace failed {
inline constexpr std::size_t kSid = 4, kUser = 5, kDomain = 6, kStatus = 7, kSubStatus = 9, kType = 10,
                             kWorkstation = 13, kIp = 19;
}  // namespace failed

// 4634 and 4647.
namespace logoff {
inline constexpr std::size_t kLogonId = 3;
}  // namespace logoff

// 4778 and 4779.
namespace reconnect {
inline constexpr std::size_t kUser = 0, kDomain = 1, kLogonId = 2, kSessionName = 3, kClientName = 4,
                             kClientAddress = 5;
}  // namespace reconnect

}  // namespace tav::security

// The events of a terminal server's logs that the program reads, and where
// their insertion strings stand, from 0: LocalSessionManager (sessions),
// RemoteConnectionManager (network authentication) and the System log's
// starts and stops.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tav::terminal {

inline constexpr char kSessionChannel[] = "Microsoft-Windows-TerminalServices-LocalSessionManager/Operational";
inline constexpr char kSessionProvider[] = "Microsoft-Windows-TerminalServices-LocalSessionManager";
inline constexpr char kConnectionChannel[] = "Microsoft-Windows-TerminalServices-RemoteConnectionManager/Operational";
inline constexpr char kSystemChannel[] = "System";

inline constexpr std::uint16_t kLogon = 21;       // "Session logon succeeded"
inline constexpr std::uint16_t kLogoff = 23;
inline constexpr std::uint16_t kDisconnect = 24;
inline constexpr std::uint16_t kReconnect = 25;
inline constexpr std::uint16_t kTakenOver = 39;   // a session disconnected by another
inline constexpr std::uint16_t kDisconnectReason = 40;
inline constexpr std::uint16_t kAuthenticated = 1149;  // RemoteConnectionManager: network authentication

// The System log.
inline constexpr std::uint16_t kLogStarted = 6005;     // the event log service started: a boot
inline constexpr std::uint16_t kLogStopped = 6006;     // stopped cleanly
inline constexpr std::uint16_t kUnexpectedStop = 6008; // the shutdown before was unexpected

// 21, 23, 24 and 25 (23 has no address).
namespace session {
inline constexpr std::size_t kUser = 0, kId = 1, kAddress = 2;
}  // namespace session

// 39: TargetSession has been disconnected by session Source.
namespace takenOver {
inline constexpr std::size_t kTarget = 0, kSource = 1;
}  // namespace takenOver

// 40: Session, Reason (a code).
namespace disconnectReason {
inline constexpr std::size_t kSession = 0, kReason = 1;
}  // namespace disconnectReason

// 1149: Param1 user, Param2 domain, Param3 source address.
namespace authenticated {
inline constexpr std::size_t kUser = 0, kDomain = 1, kAddress = 2;
}  // namespace authenticated

}  // namespace tav::terminal

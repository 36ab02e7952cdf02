// The sample logs the tool ships with: a workstation's Security log and a
// LocalSessionManager/Operational log of 2023, written with the .evtx
// writer, the same bytes on every run. They hold what the tool has to get
// right: logons of types 2, 3, 10 and 11 among other events, machine
// accounts, bursts that collapse (one exactly 20 seconds apart), Latin and
// Cyrillic names, and logons around the daylight-saving changes of Europe
// and the United States; sessions that end by logoff, shutdown or a power
// cut, administrators' split tokens, Remote Desktop reconnects, and failed
// logons: typing errors and a night of password guessing from outside.
// Beside them, three logs of a terminal server (LocalSessionManager and
// RemoteConnectionManager Operational, Security) from which whole Remote
// Desktop sessions are to be rebuilt.
#pragma once

#include <filesystem>
#include <string>

namespace tav::sample {

inline constexpr char kSampleSecurityLog[] = "Security-sample.evtx";
inline constexpr char kSampleSessionLog[] = "LSM-Operational-sample.evtx";
inline constexpr char kSampleServerSessionLog[] = "TS-LSM-Operational-sample.evtx";
inline constexpr char kSampleServerConnectionLog[] = "TS-RCM-Operational-sample.evtx";
inline constexpr char kSampleServerSecurityLog[] = "TS-Security-sample.evtx";

// Writes the five files into `folder` (which must exist); false and `error`
// when a file cannot be written.
bool WriteSampleLogs(const std::filesystem::path& folder, std::string& error);

}  // namespace tav::sample

// The command that asks a terminal server for its session logons: Windows
// PowerShell reads event 21 of the Local Session Manager from the server's
// log and prints each event's time and message as a list.
#pragma once

#include <string>
#include <string_view>

namespace tav::tsquery {

// The server name goes in as typed; check it with IsValidServerName first.
std::string BuildCommandLine(std::string_view server, std::string_view startDateText);

}  // namespace tav::tsquery

// The reading that rdp and report share: the inputs' records of Remote
// Desktop sessions, each computer's logs merged by time, through the rules.
#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "sessions/rdp.h"

namespace tav::cli {

// Each session once it is over (or at the end); false when an input could
// not be read to its end (reported; the others are still read).
bool ReadRdpSessions(const Run& run, const std::function<void(sessions::RdpSession&&)>& emit);

// Whether a session is one the command line asks for: it overlaps
// --since/--until, is of --user, has a connection from --from.
bool RdpSelected(const Run& run, const sessions::RdpSession& session);

// The channels of the logs rdp reads.
std::vector<std::string_view> RemoteDesktopChannels();

}  // namespace tav::cli

// The command-line tool: `tavelin logons|sessions|last|lastb|report|record
// ...`. Its main only passes the command line, the platform and the
// standard streams in.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/platform.h"

namespace tav::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;  // an input could not be read (the others were), or the output written
inline constexpr int kExitUsage = 2;

// Runs the tool with `arguments` (those after the program name); returns
// its exit status. Rows go to `out`, errors and the progress bar to `err`.
int RunTool(const std::vector<std::string>& arguments, const Platform& platform, std::ostream& out,
            std::ostream& err);

}  // namespace tav::cli

// The reading that last, lastb and report share: every input (files,
// folders, patterns, or live logs) through the ordered parallel walk, oldest
// record first, into the sessions and failed logons the command line selects.
#pragma once

#include <cstdint>
#include <functional>

#include "cli/commands.h"
#include "sessions/session.h"

namespace tav::cli {

struct LogonRowsWanted {
    // Each gets the rows that pass the filters, with the number of their
    // input (from 1; a session's is 1, as it may run across the logs of its
    // computer); an empty one: those rows are not looked for.
    std::function<void(std::uint64_t input, const sessions::Session&)> session;
    std::function<void(std::uint64_t input, const sessions::FailedLogon&)> failure;
    // The times of the records read, earliest and latest of a stretch.
    std::function<void(std::int64_t earliest, std::int64_t latest)> eventTimes;
    // The Remote Desktop logs among the inputs are read too (by the report's
    // own reading): no hint that they are of another kind.
    bool remoteDesktop = false;
};

// False when an input could not be read to its end (reported; the others
// are still read). An input's records too short to read are reported too.
bool ReadLogonRows(const Run& run, const LogonRowsWanted& wanted);

}  // namespace tav::cli

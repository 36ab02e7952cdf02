// The reading that last, lastb and report share: every input in turn (the
// .evtx files, those in a folder, or a computer's live log), its records in
// order, the sessions and failed logons that the command line selects.
#pragma once

#include <cstdint>
#include <functional>

#include "cli/commands.h"
#include "evtx/record.h"
#include "sessions/session.h"

namespace tav::cli {

struct LogonRowsWanted {
    // Each gets the rows that pass the filters, with the number of their
    // input (from 1); an empty one: those rows are not looked for.
    std::function<void(std::uint32_t input, const sessions::Session&)> session;
    std::function<void(std::uint32_t input, const sessions::FailedLogon&)> failure;
    std::function<void(const evtx::Record&)> record;  // every record read
};

// False when an input could not be read to its end (reported; the others
// are still read).
bool ReadLogonRows(const Run& run, const LogonRowsWanted& wanted);

}  // namespace tav::cli

// The records of a Windows event log (through the record source seam) as
// the .evtx reader gives those of a file, oldest first, for the commands
// whose rules follow the log in time order.
#pragma once

#include <cstdint>
#include <functional>

#include "evtx/record.h"
#include "seclog/record_source.h"

namespace tav::cli {

// Visits every record of `source`, oldest first, with one buffer grown for
// a large record. 0 at the end of the log, else the system error that
// ended the read (kErrorEventlogFileCorrupt for bytes that are no record).
std::uint32_t ReadOldestFirst(seclog::RecordSource& source, const std::function<void(const evtx::Record&)>& visit);

}  // namespace tav::cli

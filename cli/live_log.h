// The records of a Windows event log (through the record source seam) as
// the .evtx reader gives those of a file, newest or oldest first.
#pragma once

#include <cstdint>
#include <functional>

#include "evtx/reader.h"
#include "seclog/record_source.h"

namespace tav::cli {

// Visits every record of `source`, newest first or else oldest first, with
// one buffer grown for a large record. 0 at the end of the log, else the
// system error that ended the read (kErrorEventlogFileCorrupt for bytes
// that are no record).
std::uint32_t ReadLiveLog(seclog::RecordSource& source, evtx::WalkOrder order,
                          const std::function<void(const evtx::Record&)>& visit);

}  // namespace tav::cli

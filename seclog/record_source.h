// Where the scan and the detail view get their records from: the Windows
// event log, a saved .evtx file, or memory in tests. Kept small on purpose:
// open, read the next buffer (newest record first), seek-read one record.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "base/system_errors.h"

namespace tav::seclog {

struct ReadResult {
    bool ok = false;
    std::uint32_t bytesRead = 0;
    std::uint32_t bytesNeeded = 0;  // with kErrorInsufficientBuffer
    std::uint32_t error = 0;        // when !ok
};

// A record as a source that decodes the log itself hands it over, without
// the legacy layout: the header's numbers and the insertion strings from
// the first, UTF-8 (those the caller did not keep come empty).
struct DecodedRecord {
    std::uint32_t recordNumber = 0;
    std::uint32_t timeGenerated = 0;  // seconds since 1970-01-01 UTC
    std::uint32_t eventId = 0;        // with qualifiers in the high 16 bits
    std::span<const std::string> strings;
};
// Takes one record; false ends the read (the rest of its stretch is dropped).
using DecodedTake = std::function<bool(const DecodedRecord&)>;

class RecordSource {
public:
    virtual ~RecordSource() = default;  // closes the log

    // Sequential backwards read: as many whole records as fit in `buffer`,
    // newest first, continuing where the last call stopped. At the end of the
    // log: !ok with kErrorHandleEof. A record larger than the buffer: !ok with
    // kErrorInsufficientBuffer and bytesNeeded.
    virtual ReadResult ReadNext(std::span<std::uint8_t> buffer) = 0;

    // Seek read forwards from the record with this number; the caller uses
    // the first record of the buffer.
    virtual ReadResult ReadRecord(std::uint32_t recordNumber, std::span<std::uint8_t> buffer) = 0;

    // Sequential forwards read, oldest record first, as ReadNext otherwise
    // (for rules that follow the log in time order). A source is read in one
    // direction only. One that cannot read forwards answers !ok with
    // kErrorNotSupported.
    virtual ReadResult ReadNextOldestFirst(std::span<std::uint8_t> buffer);

    // Sequential backwards read as ReadNext, for a source that decodes the
    // log itself: hands the records of its next stretch (a saved log's
    // chunk) to `take`, newest first, so that their texts are converted
    // once. !ok at the end and on failure as ReadNext; a source that only
    // has the legacy layout answers !ok with kErrorNotSupported. A source is
    // read sequentially in one of the two ways only.
    virtual ReadResult ReadNextDecoded(const DecodedTake& take);

    // A hint before the first read: the caller wants only records of these
    // event ids (the low 16 bits) and still checks every record's id, and of
    // their insertion strings only those whose bit is set in `strings` (bit
    // i for string i from 0, bit 63 for 63 on); a source may then give the
    // other records without texts, and the other strings empty. The default
    // ignores it.
    virtual void KeepOnlyEvents(std::span<const std::uint16_t> /*eventIds*/, std::uint64_t /*strings*/) {}
};

// Whether the text typed for a computer names a saved log file instead: it
// holds "\\" or "/", or ends in ".evtx" (any case). A UNC computer name,
// "\\\\host", is no file. Never decided by what lies on the disk: a computer
// named like a file in the current folder stays a computer.
bool NamesSavedLog(std::string_view text);

class RecordSourceOpener {
public:
    virtual ~RecordSourceOpener() = default;
    // `server` empty: the local computer. nullptr and `error` on failure.
    virtual std::unique_ptr<RecordSource> Open(const std::string& server, const std::string& log,
                                               std::uint32_t& error) = 0;
};

}  // namespace tav::seclog

// What the reader yields for each event record: the fields the legacy
// event-log read gives, and counters of what it met on the way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace tav::evtx {

struct Record {
    // The numbers first, side by side: a transform that hands a record to
    // the rules on another core writes them all for every record, and one
    // cache line then crosses instead of three.
    std::uint64_t recordId = 0;     // EventRecordID (the record header's copy)
    std::int64_t timeCreated = 0;   // System/TimeCreated/@SystemTime, seconds since 1970 UTC;
                                    // the record header's time when it is missing
    std::int64_t timeWritten = 0;   // record header FILETIME, seconds since 1970 UTC
    // System/EventRecordID: the id in the event's own log, which a collector's
    // copy keeps while the header holds the collector's; 0 when missing or
    // not decoded.
    std::uint64_t eventRecordId = 0;
    // timeCreated as the log holds it, in 100 ns since 1601 (FILETIME): what
    // orders the records of several logs and times the rules to the tick.
    std::uint64_t createdTicks = 0;
    // A number a command's transform works out from the record on its
    // decoding thread for its rules on the caller's (0: none; the reader
    // sets none). Read there beside the fields above, it spares the rules a
    // string written on another core. The merge of several logs keeps it.
    std::uint64_t worked = 0;
    std::uint32_t eventId = 0;      // (Qualifiers << 16) | EventID
    std::string provider;           // System/Provider/@Name
    std::string channel;            // System/Channel
    std::string computer;           // System/Computer
    // EventData/Data values in document order (each array item its own
    // string), or the leaf values below the UserData wrapper; UTF-8.
    std::vector<std::string> strings;
};

// Insertion strings, by position from 0, a walk decodes: bit i for string
// i, bit 63 for string 63 and all after it. The others come empty.
using StringSet = std::uint64_t;
inline constexpr StringSet kAllStrings = ~StringSet{0};
constexpr StringSet StringsAt(std::span<const std::size_t> positions)
{
    StringSet set = 0;
    for (const std::size_t position : positions)
        set |= StringSet{1} << (position < 63 ? position : 63);
    return set;
}
constexpr StringSet StringsAt(std::initializer_list<std::size_t> positions)
{
    return StringsAt(std::span(positions.begin(), positions.size()));
}

struct Stats {
    std::uint64_t recordsRead = 0;
    std::uint64_t recordsUnreadable = 0;  // garbage BinXml, or a header that ended a chunk's walk
    std::uint64_t chunksRead = 0;         // chunks with a valid magic
    std::uint64_t chunksEmpty = 0;        // all-zero chunks (never used)
    std::uint64_t chunksBadMagic = 0;     // neither empty nor a chunk: skipped
    std::uint64_t chunkHeaderChecksumErrors = 0;  // diagnostics only
    std::uint64_t chunkDataChecksumErrors = 0;
};

}  // namespace tav::evtx

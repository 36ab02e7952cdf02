// The check that a walk keeping only some event ids gives exactly the
// records of those ids that a full walk gives: used over the samples and by
// the fuzzer.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "evtx/reader.h"

namespace tav::evtx::test {

inline bool SameRecord(const Record& a, const Record& b)
{
    return a.recordId == b.recordId && a.timeCreated == b.timeCreated && a.timeWritten == b.timeWritten &&
           a.eventId == b.eventId && a.provider == b.provider && a.channel == b.channel &&
           a.computer == b.computer && a.strings == b.strings;
}

// Empty when both walks agree on the records of `events`; else what differs.
inline std::string CompareKeptEvents(std::span<const std::uint8_t> bytes, std::span<const std::uint16_t> events)
{
    const auto walk = [&](bool keepOnly) {
        std::vector<Record> kept;
        Error error;
        auto reader = Reader::Open(bytes, error);
        if (!reader)
            return kept;
        if (keepOnly)
            reader->KeepOnlyEvents(events);
        reader->ForEachRecordNewestFirst([&](const Record& r) {
            for (const std::uint16_t id : events)
                if ((r.eventId & 0xFFFF) == id) {
                    kept.push_back(r);
                    break;
                }
            return true;
        });
        return kept;
    };
    const std::vector<Record> full = walk(false);
    const std::vector<Record> fast = walk(true);
    if (full.size() != fast.size())
        return std::to_string(full.size()) + " records in full, " + std::to_string(fast.size()) + " kept";
    for (std::size_t i = 0; i < full.size(); ++i)
        if (!SameRecord(full[i], fast[i]))
            return "record " + std::to_string(full[i].recordId) + " differs";
    return {};
}

}  // namespace tav::evtx::test

// The check that a walk keeping only some event ids and strings gives
// exactly the records of those ids that a full walk gives (the other
// strings empty), and every other record the full walk reads with the same
// ids and times (it may give more: a record left undecoded is not found to
// be garbage further in). Used over the samples and by the fuzzer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "evtx/reader.h"

namespace tav::evtx::test {

// What the fuzzer keeps: a few ids, and strings at both ends of the set.
inline constexpr std::uint16_t kFuzzedEvents[] = {4624, 4634, 21};
inline constexpr StringSet kFuzzedStrings = StringsAt({0, 2, 5, 63});

inline bool SameRecord(const Record& a, const Record& b)
{
    return a.recordId == b.recordId && a.timeCreated == b.timeCreated && a.timeWritten == b.timeWritten &&
           a.eventId == b.eventId && a.provider == b.provider && a.channel == b.channel &&
           a.computer == b.computer && a.strings == b.strings;
}

// Empty when both walks agree; else what differs.
inline std::string CompareKeptEvents(std::span<const std::uint8_t> bytes, std::span<const std::uint16_t> events,
                                     StringSet strings = kAllStrings)
{
    const auto walk = [&](bool keepOnly) {
        std::vector<Record> records;
        Error error;
        auto reader = Reader::Open(bytes, error);
        if (!reader)
            return records;
        if (keepOnly)
            reader->KeepOnlyEvents(events, strings);
        reader->ForEachRecordNewestFirst([&](const Record& r) {
            records.push_back(r);
            for (std::size_t i = 0; i < r.strings.size(); ++i)
                if ((strings >> std::min<std::size_t>(i, 63) & 1) == 0)
                    records.back().strings[i].clear();
            if (std::find(events.begin(), events.end(), r.eventId & 0xFFFF) == events.end())
                records.back() = {r.recordId, r.timeCreated, r.timeWritten, r.eventId & 0xFFFF, {}, {}, {}, {}};
            return true;
        });
        return records;
    };
    const std::vector<Record> full = walk(false);
    const std::vector<Record> fast = walk(true);
    const auto kept = [&](const Record& r) {
        return std::find(events.begin(), events.end(), r.eventId & 0xFFFF) != events.end();
    };
    std::size_t j = 0;
    for (const Record& r : full) {
        while (j < fast.size() && !SameRecord(r, fast[j]) && !kept(fast[j]))
            ++j;
        if (j == fast.size() || !SameRecord(r, fast[j]))
            return "record " + std::to_string(r.recordId) + " differs";
        ++j;
    }
    for (; j < fast.size(); ++j)
        if (kept(fast[j]))
            return "record " + std::to_string(fast[j].recordId) + " only in the walk that keeps some";
    return {};
}

}  // namespace tav::evtx::test

// Records read twice in one run, from a copy, overlapping archives or a
// collector's log beside the computer's own: a record of the same computer
// (its short name, any case), channel and record id (the event's own, which
// copies and collectors keep), with the same time and event id as one that
// an earlier input held, is passed over before any rule sees it.
//
// What was read is kept as ranges, not id by id: per input, computer and
// channel the span of ids, the span of times and the event ids. A log's ids
// run without gaps, so a record inside such a range, of its time and event,
// is one that input held. Memory stays small however large the logs.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "evtx/file_walk.h"

namespace tav::cli {

class SeenRecords {
public:
    // Which of a chunk's marked records an earlier input held, empty when
    // none; the others count as read from this input.
    std::vector<bool> Twice(const evtx::ChunkRecords& records);

    // `items` without those of the records read twice, in their order.
    template <class Item>
    std::span<Item> Without(std::span<Item> items, const evtx::ChunkRecords& records, const std::vector<bool>& twice);

    // The input ends: what it read counts as read. Its records passed over.
    std::uint64_t EndInput();

private:
    struct Range {
        std::uint64_t low = 0, high = 0;
        std::int64_t earliest = 0, latest = 0;
        std::vector<std::uint16_t> events;  // sorted; empty with `anyEvent`
        bool anyEvent = false;
    };
    // Whether a range of `source` may hold a record of `span`: of a
    // record's own span, whether it does.
    bool MayHold(const std::string& source, const evtx::MarkSpan& span) const;
    static void Extend(Range& range, const evtx::MarkSpan& span, bool first);

    std::map<std::string, std::vector<Range>> read_;  // by computer key and channel
    std::map<std::string, Range> reading_;            // the current input's
    std::uint64_t passedOver_ = 0;
};

template <class Item>
std::span<Item> SeenRecords::Without(std::span<Item> items, const evtx::ChunkRecords& records,
                                     const std::vector<bool>& twice)
{
    if (twice.empty())
        return items;
    std::size_t kept = 0;
    std::size_t next = 0;
    const auto keep = [&](std::size_t end) {
        for (; next < end; ++next, ++kept)
            if (kept != next)
                items[kept] = std::move(items[next]);
    };
    for (std::size_t i = 0; i < records.marks.size(); ++i) {
        if (!twice[i])
            continue;
        keep(records.marks[i].itemsBegin);
        next = records.marks[i].itemsEnd;
    }
    keep(items.size());
    return items.first(kept);
}

}  // namespace tav::cli

#include "cli/duplicates.h"

#include <algorithm>

#include "sessions/security_events.h"

namespace tav::cli {
namespace {

// Event ids a range lists one by one; a log of more is any event.
constexpr std::size_t kMostEvents = 64;

}  // namespace

std::vector<bool> SeenRecords::Twice(const evtx::ChunkRecords& records)
{
    std::vector<std::string> keys;
    keys.reserve(records.sources.size());
    for (const std::string& source : records.sources) {
        const std::size_t split = source.find('\n');
        keys.push_back(sessions::ComputerKey(std::string_view(source).substr(0, split)) + source.substr(split));
    }
    // Mostly no earlier input holds anything like the chunk: its sources'
    // spans count as read, and no record's mark is looked at.
    bool mayHold = false;
    for (std::size_t i = 0; i < keys.size() && !mayHold; ++i)
        mayHold = MayHold(keys[i], records.spans[i]);
    if (!mayHold) {
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const auto [range, fresh] = reading_.try_emplace(keys[i]);
            Extend(range->second, records.spans[i], fresh);
        }
        return {};
    }
    std::vector<bool> twice(records.marks.size());
    evtx::MarkSpan one;  // a record's own
    for (std::size_t i = 0; i < records.marks.size(); ++i) {
        const evtx::RecordMark& mark = records.marks[i];
        const std::string& key = keys[mark.source];
        one.low = one.high = mark.id;
        one.earliest = one.latest = mark.time;
        one.events.assign(1, mark.eventId);
        if (MayHold(key, one)) {
            twice[i] = true;
            ++passedOver_;
            continue;
        }
        const auto [range, fresh] = reading_.try_emplace(key);
        Extend(range->second, one, fresh);
    }
    return twice;
}

bool SeenRecords::MayHold(const std::string& source, const evtx::MarkSpan& span) const
{
    const auto found = read_.find(source);
    if (found == read_.end())
        return false;
    for (const Range& r : found->second)
        if (r.low <= span.high && span.low <= r.high && r.earliest <= span.latest && span.earliest <= r.latest &&
            (r.anyEvent || std::any_of(span.events.begin(), span.events.end(), [&](std::uint16_t event) {
                 return std::binary_search(r.events.begin(), r.events.end(), event);
             })))
            return true;
    return false;
}

void SeenRecords::Extend(Range& range, const evtx::MarkSpan& span, bool first)
{
    if (first) {
        range.low = span.low;
        range.high = span.high;
        range.earliest = span.earliest;
        range.latest = span.latest;
    }
    range.low = std::min(range.low, span.low);
    range.high = std::max(range.high, span.high);
    range.earliest = std::min(range.earliest, span.earliest);
    range.latest = std::max(range.latest, span.latest);
    for (const std::uint16_t event : span.events) {
        if (range.anyEvent)
            return;
        const auto at = std::lower_bound(range.events.begin(), range.events.end(), event);
        if (at != range.events.end() && *at == event)
            continue;
        if (range.events.size() == kMostEvents) {
            range.anyEvent = true;
            range.events.clear();
            return;
        }
        range.events.insert(at, event);
    }
}

std::uint64_t SeenRecords::EndInput()
{
    for (auto& [source, range] : reading_)
        read_[source].push_back(std::move(range));
    reading_.clear();
    return std::exchange(passedOver_, 0);
}

}  // namespace tav::cli

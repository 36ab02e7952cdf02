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
    std::vector<bool> twice(records.marks.size());
    for (std::size_t i = 0; i < records.marks.size(); ++i) {
        const evtx::RecordMark& mark = records.marks[i];
        const std::string& key = keys[mark.source];
        if (Held(key, mark)) {
            twice[i] = true;
            ++passedOver_;
            continue;
        }
        const auto [range, fresh] = reading_.try_emplace(key);
        Extend(range->second, mark, fresh);
    }
    return twice;
}

bool SeenRecords::Held(const std::string& source, const evtx::RecordMark& mark) const
{
    const auto found = read_.find(source);
    if (found == read_.end())
        return false;
    for (const Range& r : found->second)
        if (r.low <= mark.id && mark.id <= r.high && r.earliest <= mark.time && mark.time <= r.latest &&
            (r.anyEvent || std::binary_search(r.events.begin(), r.events.end(), mark.eventId)))
            return true;
    return false;
}

void SeenRecords::Extend(Range& range, const evtx::RecordMark& mark, bool first)
{
    if (first) {
        range.low = range.high = mark.id;
        range.earliest = range.latest = mark.time;
    }
    range.low = std::min(range.low, mark.id);
    range.high = std::max(range.high, mark.id);
    range.earliest = std::min(range.earliest, mark.time);
    range.latest = std::max(range.latest, mark.time);
    if (range.anyEvent)
        return;
    const auto at = std::lower_bound(range.events.begin(), range.events.end(), mark.eventId);
    if (at != range.events.end() && *at == mark.eventId)
        return;
    if (range.events.size() == kMostEvents) {
        range.anyEvent = true;
        range.events.clear();
        return;
    }
    range.events.insert(at, mark.eventId);
}

std::uint64_t SeenRecords::EndInput()
{
    for (auto& [source, range] : reading_)
        read_[source].push_back(std::move(range));
    reading_.clear();
    return std::exchange(passedOver_, 0);
}

}  // namespace tav::cli

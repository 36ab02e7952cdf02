#include "cli/time_range_source.h"

#include <cstring>

#include "seclog/event_record.h"

namespace tav::cli {
namespace {

// No time zone is further than this from UTC: records further from the
// range's ends are in or out without converting their time.
constexpr std::int64_t kZoneMarginMs = 86400000;

std::optional<std::int64_t> Milliseconds(const std::optional<DateTime>& value)
{
    return value ? std::optional(DateTimeToUnixMilliseconds(*value)) : std::nullopt;
}

}  // namespace

TimeRangeSource::TimeRangeSource(seclog::RecordSource& inner, const TimeRange& range,
                                 std::function<DateTime(DateTime)> toDisplayed)
    : inner_(inner), sinceMs_(Milliseconds(range.since)), untilMs_(Milliseconds(range.until)),
      toDisplayed_(std::move(toDisplayed))
{
}

bool TimeRangeSource::InRange(std::uint32_t timeGenerated) const
{
    const std::int64_t utc = std::int64_t{timeGenerated} * 1000;
    if ((sinceMs_ && utc < *sinceMs_ - kZoneMarginMs) || (untilMs_ && utc >= *untilMs_ + kZoneMarginMs))
        return false;
    if ((!sinceMs_ || utc >= *sinceMs_ + kZoneMarginMs) && (!untilMs_ || utc < *untilMs_ - kZoneMarginMs))
        return true;
    const std::int64_t shown = DateTimeToUnixMilliseconds(toDisplayed_(UnixSecondsToDateTime(timeGenerated)));
    return (!sinceMs_ || shown >= *sinceMs_) && (!untilMs_ || shown < *untilMs_);
}

seclog::ReadResult TimeRangeSource::ReadNext(std::span<std::uint8_t> buffer)
{
    for (;;) {
        seclog::ReadResult read = inner_.ReadNext(buffer);
        if (!read.ok || read.bytesRead == 0 || read.bytesRead > buffer.size())
            return read;
        const auto bytes = std::span<std::uint8_t>(buffer).first(read.bytesRead);
        seclog::RecordWalker walker(bytes);
        seclog::RecordView record;
        std::size_t kept = 0;
        std::size_t walked = 0;
        seclog::WalkStep step;
        while ((step = walker.Next(record)) == seclog::WalkStep::Record) {
            if (InRange(record.timeGenerated)) {
                std::memmove(bytes.data() + kept, bytes.data() + walked, record.bytes.size());
                kept += record.bytes.size();
            }
            walked += record.bytes.size();
        }
        if (step == seclog::WalkStep::Malformed) {
            std::memmove(bytes.data() + kept, bytes.data() + walked, bytes.size() - walked);
            kept += bytes.size() - walked;
        }
        if (kept > 0) {
            read.bytesRead = static_cast<std::uint32_t>(kept);
            return read;
        }
    }
}

seclog::ReadResult TimeRangeSource::ReadRecord(std::uint32_t recordNumber, std::span<std::uint8_t> buffer)
{
    return inner_.ReadRecord(recordNumber, buffer);
}

}  // namespace tav::cli

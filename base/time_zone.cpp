#include "base/time_zone.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace tav {
namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Seconds since 1970 of 0001-01-01 and 9999-12-31 23:59:59, what a date-time holds.
constexpr std::int64_t kFirstSecond = -62135596800;
constexpr std::int64_t kLastSecond = 253402300799;
constexpr std::int64_t kSampleStep = 43200;  // twice a day
constexpr std::int64_t kMaxSamples = 4000;

// Local time minus UTC at the instant, in milliseconds.
std::int64_t OffsetMs(std::int64_t utcMs, const UtcToLocalFunction& utcToLocal)
{
    return DateTimeToUnixMilliseconds(utcToLocal(UnixMillisecondsToDateTime(utcMs))) - utcMs;
}

int ToMinutes(std::int64_t offsetMs)
{
    return static_cast<int>(std::llround(static_cast<double>(offsetMs) / 60000.0));
}

// "+1", "-5", "+5:30", "+0".
std::string SignedOffset(int minutes)
{
    const int magnitude = std::abs(minutes);
    std::string text = (minutes < 0 ? "-" : "+") + std::to_string(magnitude / 60);
    if (magnitude % 60 != 0)
        text += (magnitude % 60 < 10 ? ":0" : ":") + std::to_string(magnitude % 60);
    return text;
}

}  // namespace

LocalOffset LocalOffsetAt(DateTime utc, const UtcToLocalFunction& utcToLocal)
{
    const std::int64_t at = DateTimeToUnixMilliseconds(utc);
    const std::int64_t offset = OffsetMs(at, utcToLocal);
    LocalOffset result;
    result.minutes = ToMinutes(offset);
    // Around a change the offset a day before or after is the one on the
    // change's other side. Under it, the instant `offset - other` away shows
    // the same local time; it does exactly when that offset holds there,
    // which a fall-back gives and a spring-forward does not.
    for (const std::int64_t probe : {-kMsPerDay, kMsPerDay}) {
        const std::int64_t other = OffsetMs(at + probe, utcToLocal);
        if (other != offset && OffsetMs(at + offset - other, utcToLocal) == other) {
            result.ambiguous = true;
            break;
        }
    }
    return result;
}

std::string OffsetText(int minutes)
{
    return minutes == 0 ? "UTC" : "UTC" + SignedOffset(minutes);
}

std::string DescribeZone(std::string_view name, std::int64_t firstUtcSeconds, std::int64_t lastUtcSeconds,
                         const UtcToLocalFunction& utcToLocal)
{
    // Within what a date-time holds, so that no product below overflows.
    const std::int64_t first = std::clamp(std::min(firstUtcSeconds, lastUtcSeconds), kFirstSecond, kLastSecond);
    const std::int64_t last = std::clamp(std::max(firstUtcSeconds, lastUtcSeconds), kFirstSecond, kLastSecond);
    const std::int64_t span = last - first;
    const std::int64_t steps = std::min(span / kSampleStep + 1, kMaxSamples);
    std::vector<int> offsets;
    for (std::int64_t i = 0; i <= steps; ++i) {
        const std::int64_t seconds = first + span * i / steps;
        const int minutes = ToMinutes(OffsetMs(seconds * 1000, utcToLocal));
        if (std::find(offsets.begin(), offsets.end(), minutes) == offsets.end())
            offsets.push_back(minutes);
    }
    std::sort(offsets.begin(), offsets.end());
    std::string text(name);
    if (!text.empty())
        text += ", ";
    if (offsets.size() == 1)
        return text + OffsetText(offsets.front());
    text += "UTC";
    for (std::size_t i = 0; i < offsets.size(); ++i)
        text += (i == 0 ? "" : "/") + SignedOffset(offsets[i]);
    return text;
}

}  // namespace tav

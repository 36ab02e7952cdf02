// Local time as a person reads it near the changes of daylight saving time:
// whether a local time is one that a fall-back shows twice, the UTC offset
// that tells the two apart, and the zone's name and offsets over a period.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "base/datetime.h"

namespace tav {

// UTC to local time, as UtcToLocalDateTime or a stand-in for it.
using UtcToLocalFunction = std::function<DateTime(DateTime)>;

struct LocalOffset {
    bool ambiguous = false;  // another instant shows the same local time
    int minutes = 0;         // local time minus UTC, to the nearest minute
};

// The offset `utcToLocal` shows at the instant `utc`, and whether the local
// time it gives is one that the hour repeated by a fall-back shows twice.
LocalOffset LocalOffsetAt(DateTime utc, const UtcToLocalFunction& utcToLocal);

// "UTC+1", "UTC-5", "UTC+5:30"; "UTC" for 0.
std::string OffsetText(int minutes);

// The zone over the instants from `firstUtcSeconds` to `lastUtcSeconds`
// (seconds since 1970): its name and the offsets seen, from the lowest:
// "Europe/Berlin, UTC+1/+2", "Asia/Tokyo, UTC+9". The period is sampled
// twice a day, at most a few thousand times in all.
std::string DescribeZone(std::string_view name, std::int64_t firstUtcSeconds, std::int64_t lastUtcSeconds,
                         const UtcToLocalFunction& utcToLocal);

// The name of the system's time zone: on Windows its key name
// ("W. Europe Standard Time"), elsewhere as TZ or /etc/localtime give it
// ("Europe/Berlin"); "local time" when there is none.
std::string LocalZoneName();

}  // namespace tav

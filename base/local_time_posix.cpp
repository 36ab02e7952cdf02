// UTC to local time with the C library's time-zone rules (the TZ variable).
#include <time.h>

#include <algorithm>

#include "base/datetime.h"

namespace tav {

DateTime UtcToLocalDateTime(DateTime utc)
{
    const std::int64_t ms = DateTimeToUnixMilliseconds(utc);
    const std::int64_t msOfSecond = (ms % 1000 + 1000) % 1000;
    const time_t seconds = static_cast<time_t>((ms - msOfSecond) / 1000);
    // localtime_r need not look at TZ again; tzset makes a changed TZ count.
    tzset();
    tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return utc;
    const CivilTime civil{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, std::min(local.tm_sec, 59), static_cast<int>(msOfSecond)};
    return EncodeDateTime(civil).value_or(utc);
}

}  // namespace tav

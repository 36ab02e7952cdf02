// UTC to local time with the C library's time-zone rules (the TZ variable).
#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <string>

#include "base/datetime.h"

namespace tav {

DateTime UtcToLocalDateTime(DateTime utc)
{
    const std::int64_t ms = DateTimeToUnixMilliseconds(utc);
    const std::int64_t msOfSecond = (ms % 1000 + 1000) % 1000;
    const time_t seconds = static_cast<time_t>((ms - msOfSecond) / 1000);
    // localtime_r need not look at TZ again; tzset makes a changed TZ count.
    // Only when TZ did change: without TZ, tzset reads /etc/localtime anew
    // on every call, which costs more than the conversion.
    thread_local std::optional<std::optional<std::string>> seenTz;  // outer: seen at all
    const char* tzText = std::getenv("TZ");
    const std::optional<std::string> tz = tzText ? std::optional<std::string>(tzText) : std::nullopt;
    if (!seenTz || *seenTz != tz) {
        tzset();
        seenTz = tz;
    }
    tm local{};
    if (localtime_r(&seconds, &local) == nullptr)
        return utc;
    const CivilTime civil{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                          local.tm_min, std::min(local.tm_sec, 59), static_cast<int>(msOfSecond)};
    return EncodeDateTime(civil).value_or(utc);
}

}  // namespace tav

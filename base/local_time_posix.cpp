// UTC to local time with the C library's time-zone rules (the TZ variable).
#include <time.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "base/datetime.h"
#include "base/time_zone.h"

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

std::string LocalZoneName()
{
    // TZ as the C library reads it: ":Europe/Berlin" names the same file as "Europe/Berlin".
    if (const char* tz = std::getenv("TZ"); tz != nullptr && *tz != '\0') {
        const std::string name = tz[0] == ':' ? tz + 1 : tz;
        if (!name.empty())
            return name;
    }
    // Debian and most others link /etc/localtime to the zone's file.
    std::error_code error;
    const std::string target = std::filesystem::read_symlink("/etc/localtime", error).string();
    constexpr std::string_view kZoneFolder = "zoneinfo/";
    if (const std::size_t at = target.find(kZoneFolder); !error && at != std::string::npos) {
        const std::string name = target.substr(at + kZoneFolder.size());
        if (!name.empty())
            return name;
    }
    std::ifstream file("/etc/timezone");
    std::string line;
    if (std::getline(file, line)) {
        line.erase(line.find_last_not_of(" \t\r") + 1);
        if (!line.empty())
            return line;
    }
    return "local time";
}

}  // namespace tav

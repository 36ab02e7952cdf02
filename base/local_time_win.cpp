// UTC to local time in a dynamic time zone, under the rules the zone had in
// the instant's own year: Moscow, for one, kept UTC+4 all year from 2011 to
// 2014, and today's rule would show its events of those years an hour off.
// GetTimeZoneInformationForYear and SystemTimeToTzSpecificLocalTime do what
// SystemTimeToTzSpecificLocalTimeEx does, which Wine lacks.
#include "base/datetime_win.h"

#include <cstring>
#include <cwchar>
#include <iterator>
#include <optional>

#include "base/text_win.h"
#include "base/time_zone.h"

namespace tav {
namespace {

// The rules of `zone` in `year`. They come from the registry, and a scan
// converts many instants of one year: the last answer is kept, per thread.
bool RulesOfYear(const DYNAMIC_TIME_ZONE_INFORMATION& zone, WORD year, TIME_ZONE_INFORMATION& rules)
{
    struct Kept {
        DYNAMIC_TIME_ZONE_INFORMATION zone;
        WORD year;
        TIME_ZONE_INFORMATION rules;
    };
    thread_local std::optional<Kept> kept;
    if (!kept || kept->year != year || std::memcmp(&kept->zone, &zone, sizeof zone) != 0) {
        DYNAMIC_TIME_ZONE_INFORMATION dynamic = zone;  // the API takes it unqualified
        TIME_ZONE_INFORMATION fresh{};
        if (!GetTimeZoneInformationForYear(year, &dynamic, &fresh))
            return false;
        kept = Kept{zone, year, fresh};
    }
    rules = kept->rules;
    return true;
}

}  // namespace

SYSTEMTIME ToSystemTime(DateTime value)
{
    const CivilTime civil = DecodeDateTime(value);
    SYSTEMTIME time{};
    time.wYear = static_cast<WORD>(civil.year);
    time.wMonth = static_cast<WORD>(civil.month);
    time.wDay = static_cast<WORD>(civil.day);
    time.wHour = static_cast<WORD>(civil.hour);
    time.wMinute = static_cast<WORD>(civil.minute);
    time.wSecond = static_cast<WORD>(civil.second);
    time.wMilliseconds = static_cast<WORD>(civil.millisecond);
    return time;
}

std::optional<DateTime> FromSystemTime(const SYSTEMTIME& time)
{
    return EncodeDateTime(
        {time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond, time.wMilliseconds});
}

DateTime Now()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return FromSystemTime(now).value_or(0.0);
}

DateTime UtcToLocalDateTime(DateTime utc)
{
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    if (GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID)
        return utc;
    return UtcToLocalDateTime(utc, zone);
}

DateTime UtcToLocalDateTime(DateTime utc, const DYNAMIC_TIME_ZONE_INFORMATION& zone)
{
    if (DecodeDateTime(utc).year < 1601)  // SYSTEMTIME conversions start there
        return utc;
    const SYSTEMTIME universal = ToSystemTime(utc);
    TIME_ZONE_INFORMATION rules{};
    SYSTEMTIME local{};
    if (!RulesOfYear(zone, universal.wYear, rules) ||
        !SystemTimeToTzSpecificLocalTime(&rules, &universal, &local))
        return utc;
    return FromSystemTime(local).value_or(utc);
}

std::string LocalZoneName()
{
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    if (GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID)
        return "local time";
    // The key name does not change with the display language; a zone set up
    // before dynamic zones existed has only its standard name.
    const std::wstring_view key(zone.TimeZoneKeyName, wcsnlen(zone.TimeZoneKeyName, std::size(zone.TimeZoneKeyName)));
    const std::wstring_view standard(zone.StandardName, wcsnlen(zone.StandardName, std::size(zone.StandardName)));
    const std::wstring_view name = key.empty() ? standard : key;
    return name.empty() ? "local time" : Narrow(name);
}

}  // namespace tav

// UTC to local time with SystemTimeToTzSpecificLocalTime, which applies the
// daylight-saving rule to the instant's own date.
#include "base/datetime_win.h"

namespace tav {
namespace {

// nullptr stands for the time zone currently set in Windows.
DateTime ConvertUtc(DateTime utc, const TIME_ZONE_INFORMATION* zone)
{
    if (DecodeDateTime(utc).year < 1601)  // SYSTEMTIME conversions start there
        return utc;
    const SYSTEMTIME universal = ToSystemTime(utc);
    SYSTEMTIME local{};
    if (!SystemTimeToTzSpecificLocalTime(zone, &universal, &local))
        return utc;
    return FromSystemTime(local).value_or(utc);
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
    return ConvertUtc(utc, nullptr);
}

DateTime UtcToLocalDateTime(DateTime utc, const TIME_ZONE_INFORMATION& zone)
{
    return ConvertUtc(utc, &zone);
}

}  // namespace tav

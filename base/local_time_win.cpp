// UTC to local time with SystemTimeToTzSpecificLocalTime, which applies the
// daylight-saving rule to the instant's own date.
#include "base/datetime_win.h"

namespace tav {
namespace {

// nullptr stands for the time zone currently set in Windows.
DateTime ConvertUtc(DateTime utc, const TIME_ZONE_INFORMATION* zone)
{
    const CivilTime civil = DecodeDateTime(utc);
    if (civil.year < 1601)  // SYSTEMTIME conversions start there
        return utc;
    SYSTEMTIME universal{};
    universal.wYear = static_cast<WORD>(civil.year);
    universal.wMonth = static_cast<WORD>(civil.month);
    universal.wDay = static_cast<WORD>(civil.day);
    universal.wHour = static_cast<WORD>(civil.hour);
    universal.wMinute = static_cast<WORD>(civil.minute);
    universal.wSecond = static_cast<WORD>(civil.second);
    universal.wMilliseconds = static_cast<WORD>(civil.millisecond);
    SYSTEMTIME local{};
    if (!SystemTimeToTzSpecificLocalTime(zone, &universal, &local))
        return utc;
    const CivilTime converted{local.wYear, local.wMonth, local.wDay, local.wHour, local.wMinute, local.wSecond,
                              local.wMilliseconds};
    return EncodeDateTime(converted).value_or(utc);
}

}  // namespace

DateTime UtcToLocalDateTime(DateTime utc)
{
    return ConvertUtc(utc, nullptr);
}

DateTime UtcToLocalDateTime(DateTime utc, const TIME_ZONE_INFORMATION& zone)
{
    return ConvertUtc(utc, &zone);
}

}  // namespace tav

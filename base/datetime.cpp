#include "base/datetime.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tav {
namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Day number (days since 0001-01-01) of 1899-12-30, the day of value 0.
constexpr std::int64_t kDayNumberOfZero = 693593;
// Years 1 to 9999 as milliseconds relative to value 0.
constexpr std::int64_t kFirstMs = -kDayNumberOfZero * kMsPerDay;
constexpr std::int64_t kLastMs = 2958466 * kMsPerDay - 1;
constexpr std::int64_t kUnixEpochMs = 25569 * kMsPerDay;

constexpr std::array<int, 12> kDaysBeforeMonth = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

bool IsLeapYear(int year)
{
    return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0);
}

int DaysInMonth(int year, int month)
{
    static constexpr std::array<int, 12> kDays = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

std::int64_t DayNumber(int year, int month, int day)
{
    const std::int64_t before = year - 1;
    const int leapDay = month > 2 && IsLeapYear(year) ? 1 : 0;
    return before * 365 + before / 4 - before / 100 + before / 400 + kDaysBeforeMonth[month - 1] + leapDay
        + day - 1;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Milliseconds relative to value 0 on a continuous time line.
std::int64_t ToLinearMs(DateTime value)
{
    if (std::isnan(value))
        return 0;
    // Clamp before converting: a double beyond the int64 range is undefined behaviour.
    value = std::clamp(value, -double(kDayNumberOfZero + 1), 2958467.0);
    const double day = std::trunc(value);
    const double time = std::fabs(value - day);
    const std::int64_t ms = static_cast<std::int64_t>(day) * kMsPerDay + std::llround(time * double(kMsPerDay));
    return std::clamp(ms, kFirstMs, kLastMs);
}

DateTime FromLinearMs(std::int64_t ms)
{
    const std::int64_t day = FloorDiv(ms, kMsPerDay);
    const double time = double(ms - day * kMsPerDay) / double(kMsPerDay);
    return day >= 0 ? double(day) + time : double(day) - time;
}

}  // namespace

std::optional<DateTime> EncodeDateTime(const CivilTime& time)
{
    if (time.year < 1 || time.year > 9999 || time.month < 1 || time.month > 12 || time.day < 1
        || time.day > DaysInMonth(time.year, time.month))
        return std::nullopt;
    if (time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59 || time.second < 0
        || time.second > 59 || time.millisecond < 0 || time.millisecond > 999)
        return std::nullopt;
    const std::int64_t day = DayNumber(time.year, time.month, time.day) - kDayNumberOfZero;
    const std::int64_t ms = ((time.hour * 60 + time.minute) * 60 + time.second) * 1000 + time.millisecond;
    return FromLinearMs(day * kMsPerDay + ms);
}

CivilTime DecodeDateTime(DateTime value)
{
    const std::int64_t linear = ToLinearMs(value);
    const std::int64_t dayNumber = FloorDiv(linear, kMsPerDay) + kDayNumberOfZero;
    int ms = static_cast<int>(linear - FloorDiv(linear, kMsPerDay) * kMsPerDay);

    CivilTime civil;
    // The estimate is at most a year off; the loops correct it.
    civil.year = static_cast<int>(dayNumber * 400 / 146097) + 1;
    while (civil.year > 1 && DayNumber(civil.year, 1, 1) > dayNumber)
        --civil.year;
    while (civil.year < 9999 && DayNumber(civil.year + 1, 1, 1) <= dayNumber)
        ++civil.year;
    int dayOfYear = static_cast<int>(dayNumber - DayNumber(civil.year, 1, 1));
    civil.month = 1;
    while (civil.month < 12 && dayOfYear >= DaysInMonth(civil.year, civil.month))
        dayOfYear -= DaysInMonth(civil.year, civil.month++);
    civil.day = dayOfYear + 1;

    civil.millisecond = ms % 1000;
    ms /= 1000;
    civil.second = ms % 60;
    ms /= 60;
    civil.minute = ms % 60;
    civil.hour = ms / 60;
    return civil;
}

DateTime UnixMillisecondsToDateTime(std::int64_t milliseconds)
{
    const std::int64_t linear = std::clamp(milliseconds, kFirstMs - kUnixEpochMs, kLastMs - kUnixEpochMs);
    return FromLinearMs(linear + kUnixEpochMs);
}

DateTime UnixSecondsToDateTime(std::int64_t seconds)
{
    constexpr std::int64_t kLimit = (kLastMs - kFirstMs) / 1000;
    return UnixMillisecondsToDateTime(std::clamp(seconds, -kLimit, kLimit) * 1000);
}

std::int64_t DateTimeToUnixMilliseconds(DateTime value)
{
    return ToLinearMs(value) - kUnixEpochMs;
}

DateTime AddMilliseconds(DateTime value, std::int64_t milliseconds)
{
    // On the continuous millisecond line; clamped first so that the sum cannot overflow.
    constexpr std::int64_t kSpan = kLastMs - kFirstMs;
    return FromLinearMs(std::clamp(ToLinearMs(value) + std::clamp(milliseconds, -kSpan, kSpan), kFirstMs, kLastMs));
}

namespace {
DateTimeFormats& CurrentFormatsStorage()
{
    static DateTimeFormats formats;
    return formats;
}
}  // namespace

const DateTimeFormats& CurrentFormats()
{
    return CurrentFormatsStorage();
}

void SetCurrentFormats(const DateTimeFormats& formats)
{
    CurrentFormatsStorage() = formats;
}

}  // namespace tav

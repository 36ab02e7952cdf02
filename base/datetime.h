// The program's date-time value and its text forms.
//
// A date-time is a double counting days since 30 December 1899 00:00, the
// time of day as the fraction. Before that day the integer part is the
// (negative) day and the fraction's absolute value the time of day, so -1.25
// is 29 December 1899 06:00. Years 1 to 9999 are supported. Its text forms follow the user's regional
// formats (Windows patterns such as "dd.MM.yyyy" and "H:mm:ss"), which the
// Win32 side reads from the user locale at start-up and again when Windows
// announces changed regional settings; the thread locale plays no part.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tav {

using DateTime = double;

// 1970-01-01 00:00:00.
inline constexpr DateTime kUnixEpoch = 25569.0;

struct CivilTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
};

// nullopt when a field is out of range (year 0, month 13, 30 February,
// hour 24, ...).
std::optional<DateTime> EncodeDateTime(const CivilTime& time);
// Breaks a value down, rounded to the millisecond. Values outside years 1 to
// 9999 (and NaN) are clamped into that range.
CivilTime DecodeDateTime(DateTime value);

DateTime UnixSecondsToDateTime(std::int64_t seconds);
DateTime UnixMillisecondsToDateTime(std::int64_t milliseconds);
// Milliseconds since 1970-01-01 00:00:00, the value rounded to the millisecond.
std::int64_t DateTimeToUnixMilliseconds(DateTime value);

// The instant `milliseconds` later (earlier when negative), rounded to the
// millisecond and kept within years 1 to 9999. Adding to the double itself
// goes the wrong way before 30 December 1899, where the fraction still counts
// the time of day forwards: -1.25 + 1 second would be 05:59:59.
DateTime AddMilliseconds(DateTime value, std::int64_t milliseconds);

// The user's regional formats as Windows keeps them.
struct DateTimeFormats {
    std::string shortDate = "dd.MM.yyyy";  // LOCALE_SSHORTDATE
    std::string longTime = "H:mm:ss";      // LOCALE_STIMEFORMAT
    std::string dateSeparator = ".";       // LOCALE_SDATE
    std::string timeSeparator = ":";       // LOCALE_STIME
    std::string amDesignator = "AM";       // LOCALE_S1159
    std::string pmDesignator = "PM";       // LOCALE_S2359
};

// Month and weekday names (MMM, dddd) are English; the era (g) is not shown.
// Date-only form: the short date.
std::string FormatDate(DateTime value, const DateTimeFormats& formats);
// Full form: the short date, a blank, the long time; the date alone when the
// time of day is exactly midnight.
std::string FormatDateTime(DateTime value, const DateTimeFormats& formats);

// Parses a date in the short date format's order of day, month and year,
// optionally followed by a time. Blanks before any number or separator are
// skipped. Fields are separated by the pattern's own separators or by the
// separator of `formats`; a two-digit year falls between 50 years before and
// 49 years after the current year, a missing year is the current one; seconds, milliseconds
// (after '.' or ',') and the AM/PM designator may be left out. nullopt when
// the text is not such a date.
std::optional<DateTime> ParseDateTime(std::string_view text, const DateTimeFormats& formats);
// Parses a date alone (a time behind it makes the text invalid).
std::optional<DateTime> ParseDate(std::string_view text, const DateTimeFormats& formats);

// The formats in force for the user-interface thread. Set by the Win32 side
// from the user locale; workers get a copy, never this reference.
const DateTimeFormats& CurrentFormats();
void SetCurrentFormats(const DateTimeFormats& formats);

// The same instant in local time, under the time-zone rules in force on the
// instant's own date (so a summer event shows summer time in winter).
// Windows: the current dynamic time zone, with the rules of the instant's
// year; elsewhere the C library's TZ rules.
DateTime UtcToLocalDateTime(DateTime utc);

}  // namespace tav

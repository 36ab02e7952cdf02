// Date-time values to text in the user's patterns.
#include <charconv>
#include <cmath>

#include "base/datetime.h"
#include "base/datetime_pattern.h"

namespace tav {
namespace {

void AppendNumber(std::string& out, int value, int minDigits)
{
    char digits[12];
    char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    const auto count = static_cast<int>(end - digits);
    if (count < minDigits)
        out.append(static_cast<std::size_t>(minDigits - count), '0');
    out.append(digits, static_cast<std::size_t>(count));
}

// 0 = Sunday. Day 0, 30 December 1899, was a Saturday.
int DayOfWeek(const CivilTime& time)
{
    const CivilTime date{time.year, time.month, time.day};
    const auto day = static_cast<long long>(std::trunc(EncodeDateTime(date).value_or(0.0)));
    return static_cast<int>(((day + 6) % 7 + 7) % 7);
}

void AppendToken(std::string& out, const PatternToken& token, const CivilTime& time,
                 const DateTimeFormats& formats)
{
    switch (token.picture) {
    case Picture::Literal: {
        LiteralReader reader(token.text);
        for (char c; reader.Next(c);)
            out += c;
        break;
    }
    case Picture::Day: AppendNumber(out, time.day, token.width); break;
    case Picture::DayName: out += DayName(DayOfWeek(time), token.width == 4); break;
    case Picture::Month: AppendNumber(out, time.month, token.width); break;
    case Picture::MonthName: out += MonthName(time.month, token.width == 4); break;
    case Picture::Year:
        AppendNumber(out, token.width == 4 ? time.year : time.year % 100, token.width == 1 ? 1 : token.width);
        break;
    case Picture::Era: break;
    case Picture::Hour12: AppendNumber(out, time.hour % 12 == 0 ? 12 : time.hour % 12, token.width); break;
    case Picture::Hour24: AppendNumber(out, time.hour, token.width); break;
    case Picture::Minute: AppendNumber(out, time.minute, token.width); break;
    case Picture::Second: AppendNumber(out, time.second, token.width); break;
    case Picture::Designator: {
        const std::string& designator = time.hour < 12 ? formats.amDesignator : formats.pmDesignator;
        out += token.width == 1 ? ShortDesignator(designator) : std::string_view(designator);
        break;
    }
    }
}

void AppendPattern(std::string& out, std::string_view pattern, PatternKind kind, const CivilTime& time,
                   const DateTimeFormats& formats)
{
    PatternReader reader(pattern, kind);
    for (PatternToken token; reader.Next(token);)
        AppendToken(out, token, time, formats);
}

}  // namespace

std::string FormatDate(DateTime value, const DateTimeFormats& formats)
{
    std::string out;
    AppendPattern(out, formats.shortDate, PatternKind::Date, DecodeDateTime(value), formats);
    return out;
}

std::string FormatDateTime(DateTime value, const DateTimeFormats& formats)
{
    const CivilTime time = DecodeDateTime(value);
    // Rows come mostly in time order, many of a day: each thread keeps the
    // date part it wrote last, with the day and pattern it is of.
    thread_local struct {
        int year = 0, month = 0, day = 0;
        std::string pattern;
        std::string text;
    } last;
    if (time.year != last.year || time.month != last.month || time.day != last.day ||
        formats.shortDate != last.pattern) {
        last.text.clear();
        AppendPattern(last.text, formats.shortDate, PatternKind::Date, time, formats);
        last.year = time.year, last.month = time.month, last.day = time.day;
        last.pattern = formats.shortDate;
    }
    std::string out = last.text;
    if (time.hour != 0 || time.minute != 0 || time.second != 0 || time.millisecond != 0) {
        out += ' ';
        AppendPattern(out, formats.longTime, PatternKind::Time, time, formats);
    }
    return out;
}

}  // namespace tav

#include "base/iso_date.h"

#include <charconv>
#include <cstdio>

namespace tav {
namespace {

// Exactly `digits` decimal digits at `pos`, moving `pos` past them.
bool ReadNumber(std::string_view text, std::size_t& pos, std::size_t digits, int& value)
{
    if (text.size() - pos < digits)
        return false;
    for (std::size_t i = pos; i < pos + digits; ++i)
        if (text[i] < '0' || text[i] > '9')
            return false;
    std::from_chars(text.data() + pos, text.data() + pos + digits, value);
    pos += digits;
    return true;
}

bool ReadChar(std::string_view text, std::size_t& pos, std::string_view allowed)
{
    if (pos >= text.size() || allowed.find(text[pos]) == std::string_view::npos)
        return false;
    ++pos;
    return true;
}

}  // namespace

std::optional<IsoDate> ParseIsoDate(std::string_view text)
{
    CivilTime time;
    std::size_t pos = 0;
    if (!ReadNumber(text, pos, 4, time.year) || !ReadChar(text, pos, "-") ||
        !ReadNumber(text, pos, 2, time.month) || !ReadChar(text, pos, "-") || !ReadNumber(text, pos, 2, time.day))
        return std::nullopt;
    IsoDate date;
    if (pos < text.size()) {
        if (!ReadChar(text, pos, "T ") || !ReadNumber(text, pos, 2, time.hour) || !ReadChar(text, pos, ":") ||
            !ReadNumber(text, pos, 2, time.minute))
            return std::nullopt;
        date.span = 60000;
        if (pos < text.size()) {
            if (!ReadChar(text, pos, ":") || !ReadNumber(text, pos, 2, time.second))
                return std::nullopt;
            date.span = 1000;
        }
        if (pos != text.size())
            return std::nullopt;
    }
    const std::optional<DateTime> value = EncodeDateTime(time);
    if (!value)
        return std::nullopt;
    date.value = *value;
    return date;
}

std::string FormatIsoTime(std::int64_t utcSeconds, std::optional<int> offsetMinutes)
{
    const CivilTime shown = DecodeDateTime(UnixSecondsToDateTime(utcSeconds + std::int64_t{offsetMinutes.value_or(0)} * 60));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", shown.year, shown.month, shown.day, shown.hour,
                  shown.minute, shown.second);
    std::string iso = text;
    if (!offsetMinutes)
        return iso + 'Z';
    const int minutes = *offsetMinutes < 0 ? -*offsetMinutes : *offsetMinutes;
    std::snprintf(text, sizeof text, "%c%02d:%02d", *offsetMinutes < 0 ? '-' : '+', minutes / 60, minutes % 60);
    return iso + text;
}

}  // namespace tav

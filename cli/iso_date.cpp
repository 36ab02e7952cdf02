#include "cli/iso_date.h"

#include <charconv>

namespace tav::cli {
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
        if (pos < text.size() && (!ReadChar(text, pos, ":") || !ReadNumber(text, pos, 2, time.second)))
            return std::nullopt;
        if (pos != text.size())
            return std::nullopt;
        date.hasTime = true;
    }
    const std::optional<DateTime> value = EncodeDateTime(time);
    if (!value)
        return std::nullopt;
    date.value = *value;
    return date;
}

}  // namespace tav::cli

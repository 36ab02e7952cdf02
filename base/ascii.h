// ASCII letters without regard to case: option values, file name patterns
// and extensions, the parts of date formats. Other letters compare as they
// are (names from logs fold more, in sessions/).
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

namespace tav {

constexpr char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string AsciiLower(std::string_view text)
{
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return AsciiLower(c); });
    return lower;
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return AsciiLower(x) == AsciiLower(y); });
}

inline bool EndsWithIgnoringAsciiCase(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && EqualsIgnoringAsciiCase(text.substr(text.size() - end.size()), end);
}

}  // namespace tav

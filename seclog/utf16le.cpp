#include "seclog/utf16le.h"

namespace tav::seclog {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit < 0xDC00; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit < 0xE000; }

void AppendUtf8(char32_t c, std::string& out)
{
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

void AppendUnit(char32_t unit, std::vector<std::uint8_t>& out)
{
    out.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
}

// Decodes one UTF-8 sequence at `pos` and moves past it; overlong forms,
// surrogates and truncated sequences give U+FFFD for their lead byte.
char32_t NextCodePoint(std::string_view text, std::size_t& pos)
{
    const auto lead = static_cast<unsigned char>(text[pos++]);
    if (lead < 0x80)
        return lead;
    int trail = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        trail = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        trail = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        trail = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
        return kReplacement;
    }
    std::size_t p = pos;
    for (int i = 0; i < trail; ++i, ++p) {
        if (p >= text.size() || (static_cast<unsigned char>(text[p]) & 0xC0) != 0x80)
            return kReplacement;
        c = (c << 6) | (static_cast<unsigned char>(text[p]) & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
        return kReplacement;
    pos = p;
    return c;
}

}  // namespace

std::string Utf16leToUtf8(std::span<const std::uint8_t> utf16le)
{
    std::string out;
    out.reserve(utf16le.size() / 2);
    const std::size_t units = utf16le.size() / 2;
    auto unitAt = [&](std::size_t i) -> char32_t {
        return static_cast<char32_t>(utf16le[2 * i] | (utf16le[2 * i + 1] << 8));
    };
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t unit = unitAt(i);
        if (IsHighSurrogate(unit) && i + 1 < units && IsLowSurrogate(unitAt(i + 1))) {
            AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00), out);
            ++i;
        } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
            AppendUtf8(kReplacement, out);
        } else {
            AppendUtf8(unit, out);
        }
    }
    return out;
}

void AppendUtf16le(std::string_view utf8, std::vector<std::uint8_t>& out)
{
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const char32_t c = NextCodePoint(utf8, pos);
        if (c < 0x10000) {
            AppendUnit(c, out);
        } else {
            AppendUnit(0xD800 + ((c - 0x10000) >> 10), out);
            AppendUnit(0xDC00 + ((c - 0x10000) & 0x3FF), out);
        }
    }
}

}  // namespace tav::seclog

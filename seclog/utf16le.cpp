#include "seclog/utf16le.h"

#include "base/codepage.h"

namespace tav::seclog {

std::string Utf16leToUtf8(std::span<const std::uint8_t> utf16le)
{
    std::string text;
    tav::AppendUtf16le(text, utf16le.data(), utf16le.size() / 2);
    return text;
}

void AppendUtf16le(std::string_view utf8, std::vector<std::uint8_t>& out)
{
    // Most text is ASCII: widened in place, without a UTF-16 string between.
    std::size_t ascii = 0;
    while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80)
        ++ascii;
    std::size_t at = out.size();
    out.resize(at + 2 * ascii);
    std::uint8_t* wide = out.data() + at;
    for (std::size_t i = 0; i < ascii; ++i) {
        wide[2 * i] = static_cast<std::uint8_t>(utf8[i]);
        wide[2 * i + 1] = 0;
    }
    at += 2 * ascii;
    if (ascii == utf8.size())
        return;
    const std::u16string units = Utf8ToUtf16(utf8.substr(ascii));
    out.resize(at + 2 * units.size());
    for (const char16_t unit : units) {
        out[at++] = static_cast<std::uint8_t>(unit & 0xFF);
        out[at++] = static_cast<std::uint8_t>(unit >> 8);
    }
}

}  // namespace tav::seclog

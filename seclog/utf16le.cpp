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
    const std::u16string units = Utf8ToUtf16(utf8);
    std::size_t at = out.size();
    out.resize(at + 2 * units.size());
    for (const char16_t unit : units) {
        out[at++] = static_cast<std::uint8_t>(unit & 0xFF);
        out[at++] = static_cast<std::uint8_t>(unit >> 8);
    }
}

}  // namespace tav::seclog

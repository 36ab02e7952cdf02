#include "base/visible_text.h"

#include "base/codepage.h"

namespace tav {

bool IsHiddenControl(char32_t c)
{
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x061C || c == 0x200E || c == 0x200F ||
           c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

std::string VisibleText(std::string_view utf8)
{
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        // Plain ASCII, the usual case, goes through as it is.
        const auto byte = static_cast<unsigned char>(utf8[pos]);
        if (byte >= 0x20 && byte < 0x7F) {
            out += utf8[pos++];
            continue;
        }
        const char32_t c = ReadUtf8(utf8, pos);
        if (!IsHiddenControl(c)) {
            AppendUtf8(out, c);
            continue;
        }
        switch (c) {
        case '\n': out += "\\n"; continue;
        case '\r': out += "\\r"; continue;
        case '\t': out += "\\t"; continue;
        default: break;
        }
        const int digits = c < 0x100 ? 2 : 4;
        out += c < 0x100 ? "\\x" : "\\u";
        for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
            out += kHex[(c >> shift) & 0xF];
    }
    return out;
}

}  // namespace tav

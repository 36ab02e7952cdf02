#include "base/json_string.h"

#include "base/codepage.h"

namespace tav {

void AppendJsonString(std::string& out, std::string_view utf8, bool inScript)
{
    static const char kHex[] = "0123456789abcdef";
    out += '"';
    // ASCII that needs no escape goes in whole runs: most of what is written.
    const auto plain = [inScript](unsigned char b) {
        return b >= 0x20 && b < 0x80 && b != '"' && b != '\\' && !(inScript && (b == '<' || b == '>' || b == '&'));
    };
    for (std::size_t pos = 0; pos < utf8.size();) {
        std::size_t end = pos;
        while (end < utf8.size() && plain(static_cast<unsigned char>(utf8[end])))
            ++end;
        out.append(utf8.substr(pos, end - pos));
        if ((pos = end) == utf8.size())
            break;
        const char32_t c = ReadUtf8(utf8, pos);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20 || (inScript && (c == '<' || c == '>' || c == '&' || c == 0x2028 || c == 0x2029))) {
                out += "\\u";
                for (int shift = 12; shift >= 0; shift -= 4)
                    out += kHex[(c >> shift) & 0xF];
            } else {
                AppendUtf8(out, c);
            }
        }
    }
    out += '"';
}

}  // namespace tav

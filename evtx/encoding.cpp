#include "evtx/encoding.h"

#include "evtx/bytes.h"

namespace tav::evtx {
namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

// windows-1252 0x80..0x9F; the five undefined bytes map to C1 controls as
// Windows' MultiByteToWideChar does.
constexpr std::uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

void AppendCodePoint(std::string& out, std::uint32_t cp)
{
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        cp = kReplacement;
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

void AppendUtf16(std::string& out, const std::uint8_t* p, std::size_t units)
{
    // Most text is ASCII: sized once, copied four code units at a time.
    std::size_t ascii = 0;
    while (ascii + 4 <= units && (LoadU64(p + 2 * ascii) & 0xFF80FF80FF80FF80ull) == 0)
        ascii += 4;
    while (ascii < units && p[2 * ascii + 1] == 0 && p[2 * ascii] < 0x80)
        ++ascii;
    const std::size_t start = out.size();
    out.resize(start + ascii);
    char* dst = out.data() + start;
    for (std::size_t k = 0; k < ascii; ++k)
        dst[k] = static_cast<char>(p[2 * k]);

    for (std::size_t i = ascii; i < units;) {
        std::uint32_t unit = LoadU16(p + 2 * i);
        ++i;
        if (unit >= 0xD800 && unit <= 0xDBFF && i < units) {
            const std::uint32_t low = LoadU16(p + 2 * i);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        AppendCodePoint(out, unit);
    }
}

void AppendWindows1252(std::string& out, const std::uint8_t* p, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = p[i];
        if (b < 0x80)
            out.push_back(static_cast<char>(b));
        else if (b < 0xA0)
            AppendCodePoint(out, kCp1252High[b - 0x80]);
        else
            AppendCodePoint(out, b);
    }
}

std::u16string Utf8ToUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<std::uint8_t>(utf8[i]);
        std::uint32_t cp = kReplacement;
        std::size_t len = 1;
        if (b < 0x80) {
            cp = b;
        } else if (b >= 0xC2 && b < 0xF5) {
            len = b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
            std::uint32_t value = b & (0x3F >> (len - 1));
            bool valid = i + len <= utf8.size();
            for (std::size_t k = 1; valid && k < len; ++k) {
                const auto c = static_cast<std::uint8_t>(utf8[i + k]);
                valid = (c & 0xC0) == 0x80;
                value = (value << 6) | (c & 0x3F);
            }
            const std::uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
            if (valid && value >= least[len] && value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF))
                cp = value;
            else
                len = 1;
        }
        i += len;
        if (cp >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

}  // namespace tav::evtx

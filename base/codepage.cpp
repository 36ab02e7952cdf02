#include "base/codepage.h"

#include "base/bytes.h"

#include <algorithm>
#include <array>
#include <utility>

namespace tav {
namespace {

constexpr unsigned kUtf8CodePage = 65001;

// Bytes 0x80-0xFF of each code page, from the published code charts. Bytes
// the charts leave undefined map to the C1 control of the same value, as
// Windows maps them.
using HighHalf = std::array<char16_t, 128>;

constexpr HighHalf k1251 = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // C8
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // D0
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // D8
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // E8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // F0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // F8
};

constexpr HighHalf k866 = {
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // 80
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,  // 88
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,  // 90
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,  // 98
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // A0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,  // A8
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,  // B0
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,  // B8
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,  // C0
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,  // C8
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,  // D0
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,  // D8
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,  // E0
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,  // E8
    0x0401, 0x0451, 0x0404, 0x0454, 0x0407, 0x0457, 0x040E, 0x045E,  // F0
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x2116, 0x00A4, 0x25A0, 0x00A0,  // F8
};

constexpr HighHalf k1252 = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98
    0x00A0, 0x00A1, 0x00A2, 0x00A3, 0x00A4, 0x00A5, 0x00A6, 0x00A7,  // A0
    0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,  // A8
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x00B8, 0x00B9, 0x00BA, 0x00BB, 0x00BC, 0x00BD, 0x00BE, 0x00BF,  // B8
    0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,  // C0
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF,  // C8
    0x00D0, 0x00D1, 0x00D2, 0x00D3, 0x00D4, 0x00D5, 0x00D6, 0x00D7,  // D0
    0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,  // D8
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7,  // E0
    0x00E8, 0x00E9, 0x00EA, 0x00EB, 0x00EC, 0x00ED, 0x00EE, 0x00EF,  // E8
    0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,  // F0
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF,  // F8
};

// Characters of a high half sorted for binary search, with their bytes.
using ReverseTable = std::array<std::pair<char16_t, unsigned char>, 128>;

constexpr ReverseTable Reverse(const HighHalf& high)
{
    ReverseTable table{};
    for (std::size_t i = 0; i < high.size(); ++i)
        table[i] = {high[i], static_cast<unsigned char>(0x80 + i)};
    std::sort(table.begin(), table.end());
    return table;
}

struct SingleByteCodePage {
    unsigned id;
    const HighHalf* high;
    ReverseTable reverse;
};

constexpr std::array<SingleByteCodePage, 3> kCodePages = {{
    {1251, &k1251, Reverse(k1251)},
    {866, &k866, Reverse(k866)},
    {1252, &k1252, Reverse(k1252)},
}};

const SingleByteCodePage* FindCodePage(unsigned id)
{
    for (const SingleByteCodePage& page : kCodePages) {
        if (page.id == id)
            return &page;
    }
    return nullptr;
}

char EncodeCharacter(const SingleByteCodePage& page, char32_t c)
{
    if (c < 0x80)
        return static_cast<char>(c);
    const auto found = std::lower_bound(page.reverse.begin(), page.reverse.end(), c,
                                        [](const auto& entry, char32_t key) { return entry.first < key; });
    return found != page.reverse.end() && found->first == c ? static_cast<char>(found->second) : '?';
}

// The end of the run of ASCII characters from `pos`: they stand for
// themselves in UTF-8 and in every code page here, and most text is them.
std::size_t AsciiRunEnd(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && static_cast<unsigned char>(text[pos]) < 0x80)
        ++pos;
    return pos;
}

// UTF-8 with every ill-formed sequence replaced.
std::string WellFormedUtf8(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t ascii = AsciiRunEnd(text, pos);
        out.append(text.substr(pos, ascii - pos));
        pos = ascii;
        if (pos < text.size())
            AppendUtf8(out, ReadUtf8(text, pos));
    }
    return out;
}

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

}  // namespace

char32_t ReadUtf8(std::string_view text, std::size_t& pos)
{
    const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos++);
    if (lead < 0x80)
        return lead;
    // The second byte's range excludes overlong forms, surrogates and values above U+10FFFF.
    int length = 0;
    char32_t c = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        c = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        c = lead & 0x0Fu;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        c = lead & 0x07u;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return kReplacementCharacter;
    }
    for (int i = 1; i < length; ++i) {
        if (pos >= text.size() || byte(pos) < low || byte(pos) > high)
            return kReplacementCharacter;
        c = c << 6 | (byte(pos++) & 0x3Fu);
        low = 0x80;
        high = 0xBF;
    }
    return c;
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c > 0x10FFFF || IsHighSurrogate(c) || IsLowSurrogate(c))
        c = kReplacementCharacter;
    const auto put = [&out](char32_t bits) { out += static_cast<char>(bits); };
    if (c < 0x80) {
        put(c);
    } else if (c < 0x800) {
        put(0xC0 | c >> 6);
        put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        put(0xE0 | c >> 12);
        put(0x80 | (c >> 6 & 0x3F));
        put(0x80 | (c & 0x3F));
    } else {
        put(0xF0 | c >> 18);
        put(0x80 | (c >> 12 & 0x3F));
        put(0x80 | (c >> 6 & 0x3F));
        put(0x80 | (c & 0x3F));
    }
}

void AppendUtf16le(std::string& out, const std::uint8_t* bytes, std::size_t units)
{
    // Most text is ASCII: sized once, copied four code units at a time.
    std::size_t ascii = 0;
    while (ascii + 4 <= units && (LoadU64(bytes + 2 * ascii) & 0xFF80FF80FF80FF80ull) == 0)
        ascii += 4;
    while (ascii < units && bytes[2 * ascii + 1] == 0 && bytes[2 * ascii] < 0x80)
        ++ascii;
    const std::size_t start = out.size();
    out.resize(start + ascii);
    char* target = out.data() + start;
    for (std::size_t k = 0; k < ascii; ++k)
        target[k] = static_cast<char>(bytes[2 * k]);

    for (std::size_t i = ascii; i < units;) {
        char32_t unit = LoadU16(bytes + 2 * i);
        ++i;
        if (IsHighSurrogate(unit) && i < units) {
            const char32_t low = LoadU16(bytes + 2 * i);
            if (IsLowSurrogate(low)) {
                unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                ++i;
            }
        }
        AppendUtf8(out, unit);
    }
}

std::u16string Utf8ToUtf16(std::string_view utf8)
{
    std::u16string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t c = ReadUtf8(utf8, pos);
        if (c < 0x10000) {
            out += static_cast<char16_t>(c);
        } else {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16)
{
    std::string out;
    out.reserve(utf16.size());
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t c = utf16[i];
        if (IsHighSurrogate(c) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1]))
            c = 0x10000 + ((c - 0xD800) << 10) + (utf16[++i] - 0xDC00);
        AppendUtf8(out, c);  // an unpaired surrogate becomes U+FFFD there
    }
    return out;
}

std::size_t Utf8Length(std::string_view utf8)
{
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < utf8.size(); ++count)
        ReadUtf8(utf8, pos);
    return count;
}

std::optional<std::string> EncodeCodePage(std::string_view utf8, unsigned codePage, std::size_t* lost)
{
    if (codePage == kUtf8CodePage)
        return WellFormedUtf8(utf8);
    const SingleByteCodePage* page = FindCodePage(codePage);
    if (page == nullptr)
        return std::nullopt;
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const std::size_t ascii = AsciiRunEnd(utf8, pos);
        out.append(utf8.substr(pos, ascii - pos));
        if ((pos = ascii) == utf8.size())
            break;
        const char32_t c = ReadUtf8(utf8, pos);
        const char byte = EncodeCharacter(*page, c);
        if (lost != nullptr && byte == '?' && c != '?')
            ++*lost;
        out += byte;
    }
    return out;
}

std::optional<std::string> DecodeCodePage(std::string_view bytes, unsigned codePage)
{
    if (codePage == kUtf8CodePage)
        return WellFormedUtf8(bytes);
    const SingleByteCodePage* page = FindCodePage(codePage);
    if (page == nullptr)
        return std::nullopt;
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char b : bytes) {
        const auto byte = static_cast<unsigned char>(b);
        AppendUtf8(out, byte < 0x80 ? char32_t(byte) : char32_t((*page->high)[byte - 0x80u]));
    }
    return out;
}

}  // namespace tav

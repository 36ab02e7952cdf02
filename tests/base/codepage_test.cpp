#include "base/codepage.h"

#include <gtest/gtest.h>

#include <vector>

namespace tav {
namespace {

TEST(CodePage, CyrillicInAnsiAndOemBytes)
{
    struct Case {
        unsigned codePage;
        const char* utf8;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {1251, "Привет, Ёж №5", "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xE6 \xB9" "5"},
        {866, "Привет, Ёж №5", "\x8F\xE0\xA8\xA2\xA5\xE2, \xF0\xA6 \xFC" "5"},
        {1251, "Адрес сети источника:", "\xC0\xE4\xF0\xE5\xF1 \xF1\xE5\xF2\xE8 \xE8\xF1\xF2\xEE\xF7\xED\xE8\xEA\xE0:"},
        {866, "яЯ░╬", "\xEF\x9F\xB0\xCE"},
        {1252, "Café € Œuvre", "Caf\xE9 \x80 \x8Cuvre"},
        {65001, "Привет", "Привет"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EncodeCodePage(c.utf8, c.codePage), c.bytes) << c.codePage << ' ' << c.utf8;
        EXPECT_EQ(DecodeCodePage(c.bytes, c.codePage), c.utf8) << c.codePage << ' ' << c.utf8;
    }
}

TEST(CodePage, MissingCharactersBecomeQuestionMarksAndAreCounted)
{
    const struct {
        const char* utf8;
        unsigned codePage;
        const char* bytes;
        std::size_t lost;
    } cases[] = {
        {"café", 1251, "caf?", 1},
        {"Жук €", 1252, "??? \x80", 3},
        {"€ и ™", 866, "? \xA8 ?", 2},
        {"a😀b", 1251, "a?b", 1},  // one character, one byte
        {"a\xFF" "b", 1251, "a?b", 1},
        {"who? 日本", 1251, "who? ??", 2},  // a question mark of the text is no loss
        {"日本", 65001, "日本", 0},
    };
    for (const auto& c : cases) {
        std::size_t lost = 0;
        EXPECT_EQ(EncodeCodePage(c.utf8, c.codePage, &lost), c.bytes) << c.utf8;
        EXPECT_EQ(lost, c.lost) << c.utf8;
    }
}

TEST(CodePage, EveryByteRoundTrips)
{
    for (const unsigned codePage : {1251u, 866u, 1252u}) {
        for (int b = 0; b < 256; ++b) {
            const std::string byte(1, static_cast<char>(b));
            const std::optional<std::string> text = DecodeCodePage(byte, codePage);
            ASSERT_TRUE(text);
            EXPECT_EQ(Utf8Length(*text), 1u);
            EXPECT_EQ(EncodeCodePage(*text, codePage), byte) << codePage << ' ' << b;
        }
    }
}

TEST(CodePage, UnknownCodePages)
{
    EXPECT_FALSE(EncodeCodePage("a", 437));
    EXPECT_FALSE(DecodeCodePage("a", 0));
    EXPECT_EQ(EncodeCodePage("", 1251), "");
}

TEST(Utf, SurrogatePairs)
{
    const std::string utf8 = "a😀я";
    const std::u16string utf16 = u"a\xD83D\xDE00\x044F";
    EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
    EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
    EXPECT_EQ(Utf8Length(utf8), 3u);
    EXPECT_EQ(Utf8ToUtf16("\xF4\x8F\xBF\xBF"), u"\xDBFF\xDFFF");  // U+10FFFF, the last code point
}

TEST(Utf, UnpairedSurrogatesBecomeReplacementCharacters)
{
    const std::vector<std::pair<std::u16string, std::string>> cases = {
        {u"\xD800x", "\xEF\xBF\xBDx"},
        {u"x\xDC00", "x\xEF\xBF\xBD"},
        {u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},  // reversed pair
        {u"\xD83D", "\xEF\xBF\xBD"},
    };
    for (const auto& [utf16, utf8] : cases)
        EXPECT_EQ(Utf16ToUtf8(utf16), utf8);
}

TEST(Utf, IllFormedUtf8)
{
    // Each maximal ill-formed part becomes one U+FFFD.
    const std::vector<std::pair<std::string, std::u16string>> cases = {
        {"\x80", u"\xFFFD"},
        {"\xFF", u"\xFFFD"},
        {"\xC0\xAF", u"\xFFFD\xFFFD"},              // overlong '/'
        {"\xE0\x80\x80", u"\xFFFD\xFFFD\xFFFD"},    // overlong NUL
        {"\xED\xA0\x80", u"\xFFFD\xFFFD\xFFFD"},    // encoded surrogate
        {"\xF4\x90\x80\x80", u"\xFFFD\xFFFD\xFFFD\xFFFD"},  // above U+10FFFF
        {"\xE2\x82x", u"\xFFFDx"},                  // cut-off euro sign
        {"a\xF0\x9F\x98", u"a\xFFFD"},              // cut off at the end
        {"\xE2\x82\xAC", u"\x20AC"},
    };
    for (const auto& [utf8, utf16] : cases) {
        EXPECT_EQ(Utf8ToUtf16(utf8), utf16);
        EXPECT_EQ(Utf8Length(utf8), utf16.size());
        EXPECT_EQ(EncodeCodePage(utf8, 65001), Utf16ToUtf8(utf16));
    }
}

}  // namespace
}  // namespace tav

#include "base/visible_text.h"

#include <gtest/gtest.h>

#include <string>

namespace tav {
namespace {

// Text a person who logs on can plant in a user or workstation name.
TEST(VisibleText, EscapesWhatCouldSteerATerminalAndNothingElse)
{
    const struct {
        std::string in;
        const char* shown;
    } cases[] = {
        {"CORP\\j.smith", "CORP\\j.smith"},
        {"Петров", "Петров"},
        {"a\x1b[1A\x1b[2Kb", "a\\x1b[1A\\x1b[2Kb"},
        {"\x1b]0;owned\a", "\\x1b]0;owned\\x07"},
        {"x\r\ny\tz", "x\\r\\ny\\tz"},
        {std::string("a\0b", 3), "a\\x00b"},
        {"del\x7f", "del\\x7f"},
        {"c1\xC2\x85\xC2\x9B", "c1\\x85\\x9b"},
        {"rlo\u202Egnp.exe", "rlo\\u202egnp.exe"},
        {"\u2066\u2069\u200E\u200F\u061C\u2028\u2029", "\\u2066\\u2069\\u200e\\u200f\\u061c\\u2028\\u2029"},
        {"\xFF", "\uFFFD"},
        {"日本 😀", "日本 😀"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(VisibleText(c.in), c.shown) << c.shown;
}

}  // namespace
}  // namespace tav

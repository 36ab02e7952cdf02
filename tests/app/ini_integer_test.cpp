#include "app/settings.h"

#include <climits>
#include <optional>
#include <string_view>

#include <gtest/gtest.h>

namespace tav {
namespace {

struct Case {
    std::string_view text;
    std::optional<int> value;
};

TEST(ParseIniInteger, DecimalAndHexadecimalWithSignAndLeadingBlanks)
{
    const Case cases[] = {
        {"0", 0},
        {"1", 1},
        {"007", 7},
        {"-1", -1},
        {"+1", 1},
        {"0x1", 1},
        {"0X1f", 31},
        {"$1", 1},
        {"$Ff", 255},
        {"-0x10", -16},
        {"-$10", -16},
        {" 1", 1},
        {"\t 1", 1},
        {"  -$A", -10},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"0x7FFFFFFF", INT_MAX},
        {"-0x80000000", INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ParseIniInteger(c.text), c.value) << c.text;
}

TEST(ParseIniInteger, AnythingElseIsNoNumber)
{
    const std::string_view texts[] = {
        "", " ", "abc", "1a", "1 ", "1.0", "1e3", "- 1", "--1", "+-1", "0x", "$", "0x-1", "$+1", "0x0x1",
        "x1", "1$", "0b1", "１",
        // Beyond 32 bits.
        "2147483648", "-2147483649", "0x80000000", "$100000000", "99999999999999999999",
        "-9223372036854775808",
    };
    for (const std::string_view text : texts)
        EXPECT_EQ(ParseIniInteger(text), std::nullopt) << text;
}

}  // namespace
}  // namespace tav

// The text of each BinXml value type, as Windows shows it in event XML.
#include <gtest/gtest.h>

#include "evtx/filetime.h"
#include "evtx/value_text.h"

namespace tav::evtx {
namespace {

std::string Text(std::uint8_t type, std::vector<std::uint8_t> bytes)
{
    std::string out;
    AppendValueText(out, type, bytes);
    return out;
}

TEST(EvtxValueText, EachTypeRendersAsInEventXml)
{
    const struct {
        std::uint8_t type;
        std::vector<std::uint8_t> bytes;
        std::string text;
    } cases[] = {
        {kNull, {}, ""},
        // Text behind an inner NUL is kept (it may be planted there); trailing NULs go.
        {kString, {'a', 0, ' ', 0, 0, 0, 'b', 0}, std::string("a \0b", 4)},
        {kString, {'a', 0, 0, 0, 'b', 0, 0, 0, 0, 0}, std::string("a\0b", 3)},
        {kString, {0, 0, 'b', 0}, std::string("\0b", 2)},
        {kString, {' ', 0, 0, 0}, " "},
        {kString, {0, 0, 0, 0}, ""},
        {kString, {0x3D, 0xD8, 0x00, 0xDE}, "\xF0\x9F\x98\x80"},
        {kString, {0x00, 0xD8, 'x', 0}, "\xEF\xBF\xBDx"},  // lone surrogate
        {kAnsiString, {'A', 0x80, 0xE9, 0, 'z'}, "A\xE2\x82\xAC\xC3\xA9"},
        {kInt8, {0xFF}, "-1"},
        {kUInt8, {0xFF}, "255"},
        {kInt16, {0x00, 0x80}, "-32768"},
        {kUInt16, {0x10, 0x12}, "4624"},
        {kInt32, {0xFF, 0xFF, 0xFF, 0xFF}, "-1"},
        {kUInt32, {0xFF, 0xFF, 0xFF, 0xFF}, "4294967295"},
        {kInt64, {0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "-2"},
        {kUInt64, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "18446744073709551615"},
        {kReal32, {0x00, 0x00, 0xC0, 0x3F}, "1.5"},
        {kReal64, {0x9A, 0x99, 0x99, 0x99, 0x99, 0x99, 0xB9, 0x3F}, "0.1"},
        {kBool, {1, 0, 0, 0}, "true"},
        {kBool, {0, 0, 0, 0}, "false"},
        {kBinary, {0xD9, 0x06, 0x00, 0x0a}, "D906000A"},
        {kGuid, {0xA9, 0xF7, 0xDA, 0x42, 0x85, 0xF1, 0x92, 0xF2, 0x0E, 0xBD, 0xB8, 0x6A, 0x26, 0x62, 0x4D, 0x31},
         "{42DAF7A9-F185-F292-0EBD-B86A26624D31}"},
        {kSizeT, {0x4C, 0x02, 0, 0, 0, 0, 0, 0}, "0x24c"},
        {kSizeT, {0x4C, 0x02, 0, 0}, "0x24c"},
        {kHexInt32, {0, 0, 0, 0}, "0x0"},
        {kHexInt64, {0xE7, 0x03, 0, 0, 0, 0, 0, 0}, "0x3e7"},
        {kFiletime, {0x00, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0x9D, 0x01}, "1970-01-01T00:00:00.000000000Z"},
        {kFiletime, {0x7B, 0x80, 0x3E, 0xD5, 0xDE, 0xB1, 0x9D, 0x01}, "1970-01-01T00:00:00.000012300Z"},
        {kSystemTime, {0xE4, 0x07, 2, 0, 6, 0, 29, 0, 23, 0, 59, 0, 58, 0, 7, 0}, "2020-02-29T23:59:58.007000000Z"},
        {kSid, {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0}, "S-1-5-18"},
        {kSid, {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0}, "S-1-5-32-544"},
        {kSid, {1, 5, 0, 0, 0, 0, 0, 5}, ""},  // sub-authorities missing
        {kUInt32, {1, 2}, ""},                 // too short for its type
        {0x42, {0xAB}, "AB"},                  // unknown type
    };
    for (const auto& c : cases)
        EXPECT_EQ(Text(c.type, c.bytes), c.text) << "type " << int(c.type);
}

TEST(EvtxValueText, ArraysSplitIntoItems)
{
    const auto items = [](std::uint8_t type, std::vector<std::uint8_t> bytes) {
        std::vector<std::string> out;
        ForEachArrayItem(type, bytes, [&](ValueBytes item) {
            out.emplace_back();
            AppendValueText(out.back(), type, item);
        });
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(items(kString, {'a', 0, 0, 0, 0, 0, 'b', 0, 0, 0}), (V{"a", "", "b"}));
    EXPECT_EQ(items(kString, {'a', 0, 0, 0, 'b', 0}), (V{"a", "b"}));
    EXPECT_EQ(items(kString, {}), V{});
    EXPECT_EQ(items(kAnsiString, {'x', 0, 'y'}), (V{"x", "y"}));
    EXPECT_EQ(items(kUInt16, {1, 0, 2, 0, 3}), (V{"1", "2"}));
    EXPECT_EQ(items(kSid, {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}), (V{"S-1-5-18", "S-1-0"}));
    EXPECT_EQ(items(kHexInt64, {1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0, 0, 0, 0, 0, 0}), (V{"0x1", "0xff"}));
}

TEST(EvtxValueText, TimesConvertBothWays)
{
    EXPECT_EQ(FiletimeToUnixSeconds(kUnixEpochTicks), 0);
    EXPECT_EQ(FiletimeToUnixSeconds(kUnixEpochTicks + 15'999'999), 1);
    EXPECT_EQ(FiletimeToUnixSeconds(kUnixEpochTicks - 1), -1);
    EXPECT_EQ(FiletimeToUnixSeconds(0), -11644473600);
    EXPECT_EQ(UnixSecondsToFiletime(1550070892), kUnixEpochTicks + 15500708920000000);
    EXPECT_EQ(ParseTimeText("2019-02-13T15:14:52.1234567Z"),
              UnixSecondsToFiletime(1550070892) + 1234567);
    EXPECT_EQ(ParseTimeText("2019-02-13T15:14:52Z"), UnixSecondsToFiletime(1550070892));
    EXPECT_EQ(ParseTimeText("2019-02-13T15:14:52.123456789Z"), UnixSecondsToFiletime(1550070892) + 1234567);
    for (const char* bad : {"", "2019-02-13", "2019-13-13T15:14:52Z", "2019-02-13T15:14:52.Zx",
                            "2019-02-13T15:14:52.1234567890Z"})
        EXPECT_FALSE(ParseTimeText(bad)) << bad;
}

}  // namespace
}  // namespace tav::evtx

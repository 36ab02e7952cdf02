#include "base/time_zone.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tav {
namespace {

TEST(OffsetText, HoursAndMinutesWithTheirSign)
{
    const struct {
        int minutes;
        const char* text;
    } cases[] = {
        {0, "UTC"}, {60, "UTC+1"}, {-300, "UTC-5"}, {330, "UTC+5:30"}, {345, "UTC+5:45"}, {-570, "UTC-9:30"},
        {-30, "UTC-0:30"}, {840, "UTC+14"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OffsetText(c.minutes), c.text) << c.minutes;
}

TEST(DescribeZone, SamplesEvenTheWidestPeriodAFewThousandTimes)
{
    int calls = 0;
    const UtcToLocalFunction tokyo = [&calls](DateTime utc) {
        ++calls;
        return AddMilliseconds(utc, 9 * 3600000);
    };
    // From year 1 (where the period is cut) to year 8307.
    EXPECT_EQ(DescribeZone("Asia/Tokyo", INT64_MIN, 200'000'000'000, tokyo), "Asia/Tokyo, UTC+9");
    EXPECT_LE(calls, 5000);
    EXPECT_EQ(DescribeZone("", 0, 0, [](DateTime utc) { return utc; }), "UTC");
}

}  // namespace
}  // namespace tav

#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <optional>
#include <string>
#include <vector>

#include "base/datetime.h"

namespace tav {
namespace {

// Central European rules as a POSIX TZ string, the same on every machine.
class CentralEuropeanTime : public testing::Test {
protected:
    void SetUp() override
    {
        if (const char* tz = getenv("TZ"))
            saved_ = tz;
        setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
        tzset();
    }

    void TearDown() override
    {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    std::optional<std::string> saved_;
};

TEST_F(CentralEuropeanTime, FollowsTheRuleOfTheInstantsOwnDate)
{
    const auto at = [](int year, int month, int day, int hour, int minute, int second, int ms = 0) {
        return EncodeDateTime({year, month, day, hour, minute, second, ms}).value();
    };
    struct Case {
        DateTime utc;
        DateTime local;
    };
    const std::vector<Case> cases = {
        {at(2021, 1, 15, 12, 0, 0, 250), at(2021, 1, 15, 13, 0, 0, 250)},
        {at(2021, 7, 15, 12, 0, 0), at(2021, 7, 15, 14, 0, 0)},
        // Spring: 02:00 CET becomes 03:00 CEST at 01:00 UTC.
        {at(2021, 3, 28, 0, 59, 59), at(2021, 3, 28, 1, 59, 59)},
        {at(2021, 3, 28, 1, 0, 0), at(2021, 3, 28, 3, 0, 0)},
        // Autumn: 03:00 CEST falls back to 02:00 CET at 01:00 UTC.
        {at(2021, 10, 31, 0, 59, 59), at(2021, 10, 31, 2, 59, 59)},
        {at(2021, 10, 31, 1, 0, 0), at(2021, 10, 31, 2, 0, 0)},
        // Before 1970 the seconds are negative.
        {at(1969, 12, 31, 23, 30, 0, 500), at(1970, 1, 1, 0, 30, 0, 500)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UtcToLocalDateTime(c.utc), c.local) << FormatDateTime(c.utc, DateTimeFormats{});
}

TEST_F(CentralEuropeanTime, HonoursAChangedTimeZone)
{
    const DateTime noon = EncodeDateTime({2021, 1, 15, 12}).value();
    setenv("TZ", "UTC0", 1);
    EXPECT_EQ(UtcToLocalDateTime(noon), noon);
}

}  // namespace
}  // namespace tav

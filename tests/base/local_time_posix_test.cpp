#include <gtest/gtest.h>

#include <stdlib.h>
#include <time.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "base/time_zone.h"

namespace tav {
namespace {

// TZ set to a zone (a POSIX rule or a name of the system's database) while in scope.
class ZoneInScope {
public:
    explicit ZoneInScope(const char* zone)
    {
        if (const char* tz = getenv("TZ"))
            saved_ = tz;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ZoneInScope()
    {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    ZoneInScope(const ZoneInScope&) = delete;
    ZoneInScope& operator=(const ZoneInScope&) = delete;

private:
    std::optional<std::string> saved_;
};

// Central European rules as a POSIX TZ string, the same on every machine.
class CentralEuropeanTime : public testing::Test {
private:
    ZoneInScope zone_{"CET-1CEST,M3.5.0,M10.5.0/3"};
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

TEST(LocalOffsetAt, TheHourAFallBackRepeatsIsAmbiguous)
{
    const auto utc = [](int year, int month, int day, int hour, int minute) {
        return EncodeDateTime({year, month, day, hour, minute}).value();
    };
    struct Case {
        const char* zone;
        DateTime utc;
        bool ambiguous;
        int minutes;
    };
    const std::vector<Case> cases = {
        // 29.10.2023: 03:00 CEST falls back to 02:00 CET; 02:10 local shows twice.
        {"Europe/Berlin", utc(2023, 10, 29, 0, 10), true, 120},
        {"Europe/Berlin", utc(2023, 10, 29, 1, 10), true, 60},
        {"Europe/Berlin", utc(2023, 10, 29, 2, 0), false, 60},
        {"Europe/Berlin", utc(2023, 7, 15, 12, 0), false, 120},
        // 26.03.2023: the hour skipped by spring-forward repeats nothing.
        {"Europe/Berlin", utc(2023, 3, 26, 1, 0), false, 120},
        // 5.11.2023: 02:00 EDT falls back to 01:00 EST; 01:30 shows twice.
        {"America/New_York", utc(2023, 11, 5, 5, 30), true, -240},
        {"America/New_York", utc(2023, 11, 5, 6, 30), true, -300},
        {"America/New_York", utc(2023, 11, 5, 7, 0), false, -300},
        {"America/New_York", utc(2023, 7, 4, 16, 0), false, -240},
        {"Asia/Kolkata", utc(2023, 7, 4, 16, 0), false, 330},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.zone) + " " + FormatDateTime(c.utc, DateTimeFormats{}));
        const ZoneInScope zone(c.zone);
        const LocalOffset offset = LocalOffsetAt(c.utc, UtcToLocalDateTime);
        EXPECT_EQ(offset.ambiguous, c.ambiguous);
        EXPECT_EQ(offset.minutes, c.minutes);
    }
}

TEST(DescribeZone, NamesTheZoneAndTheOffsetsOfThePeriod)
{
    constexpr std::int64_t k2023 = 1672531200;  // 1.1.2023 00:00 UTC
    constexpr std::int64_t kYear = 365 * 86400;
    constexpr std::int64_t kJuly = k2023 + 181 * 86400;
    const struct {
        const char* zone;
        std::int64_t first;
        std::int64_t last;
        const char* text;
    } cases[] = {
        {"Europe/Berlin", k2023, k2023 + kYear, "Europe/Berlin, UTC+1/+2"},
        {"Europe/Berlin", kJuly, kJuly + 30 * 86400, "Europe/Berlin, UTC+2"},
        {"America/New_York", k2023 + kYear, k2023, "America/New_York, UTC-5/-4"},
        {"Europe/London", k2023, k2023 + kYear, "Europe/London, UTC+0/+1"},
        {"Asia/Tokyo", k2023, k2023, "Asia/Tokyo, UTC+9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const ZoneInScope zone(c.zone);
        EXPECT_EQ(DescribeZone(LocalZoneName(), c.first, c.last, UtcToLocalDateTime), c.text);
    }
    const ZoneInScope zone(":Europe/Berlin");
    EXPECT_EQ(LocalZoneName(), "Europe/Berlin");
}

}  // namespace
}  // namespace tav

#include "base/datetime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <ctime>
#include <vector>

namespace tav {
namespace {

DateTime At(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int ms = 0)
{
    return EncodeDateTime({year, month, day, hour, minute, second, ms}).value();
}

bool SameTime(const CivilTime& a, const CivilTime& b)
{
    return a.year == b.year && a.month == b.month && a.day == b.day && a.hour == b.hour && a.minute == b.minute
        && a.second == b.second && a.millisecond == b.millisecond;
}

const DateTimeFormats kRussian{"dd.MM.yyyy", "H:mm:ss", ".", ":", "", ""};
const DateTimeFormats kRussianPadded{"dd.MM.yyyy", "HH:mm:ss", ".", ":", "", ""};
const DateTimeFormats kUs{"M/d/yyyy", "h:mm:ss tt", "/", ":", "AM", "PM"};
const DateTimeFormats kIso{"yyyy-MM-dd", "HH:mm:ss", "-", ":", "AM", "PM"};
const DateTimeFormats kShortYear{"d/M/yy", "H:mm:ss", "/", ":", "AM", "PM"};
const DateTimeFormats kBritish{"dd/MM/yyyy", "HH:mm:ss", "/", ":", "am", "pm"};
const DateTimeFormats kDotted{"d.M.yyyy", "H:mm:ss", ".", ":", "", ""};
const DateTimeFormats kBulgarian{"d.M.yyyy 'г.'", "H:mm:ss", ".", ":", "", ""};
const DateTimeFormats kQuoted{"yyyy'年'M'月'd'日'", "tt h:mm:ss", "/", ":", "上午", "下午"};
const DateTimeFormats kMonthNames{"dd-MMM-yyyy", "hh:mm:ss t", "-", ":", "AM", "PM"};
const DateTimeFormats kWeekday{"ddd, MMMM d yyyy", "H' h 'mm' min 'ss' s'", "/", ":", "", ""};
// The user changed the separator apart from the pattern: both count.
const DateTimeFormats kMixedSeparators{"dd/MM/yyyy", "H:mm:ss", ".", ":", "", ""};
const DateTimeFormats kApostrophe{"dd.MM.yyyy", "H 'o''clock' mm:ss", ".", ":", "", ""};

TEST(DateTimeCalendar, EncodesDaysSince1899AndTimeAsFraction)
{
    struct Case {
        CivilTime civil;
        DateTime value;
    };
    const std::vector<Case> cases = {
        {{1899, 12, 30}, 0.0},
        {{1899, 12, 31, 12}, 1.5},
        {{1899, 12, 29, 6}, -1.25},  // before day 0 the fraction still counts forward
        {{1970, 1, 1}, kUnixEpoch},
        {{2000, 2, 29}, 36585.0},
        {{1, 1, 1}, -693593.0},
        {{9999, 12, 31}, 2958465.0},
    };
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(EncodeDateTime(c.civil).value(), c.value) << c.value;
        EXPECT_TRUE(SameTime(DecodeDateTime(c.value), c.civil)) << c.value;
    }
    EXPECT_NEAR(At(2016, 10, 14, 9, 5, 11), 42657.378599537, 1e-9);
}

TEST(DateTimeCalendar, RejectsFieldsOutOfRange)
{
    const std::vector<CivilTime> invalid = {
        {2015, 2, 29}, {1900, 2, 29}, {2016, 13, 1}, {2016, 0, 1}, {2016, 4, 31}, {2016, 1, 0},
        {0, 1, 1}, {10000, 1, 1}, {2016, 1, 1, 24}, {2016, 1, 1, 0, 60}, {2016, 1, 1, 0, 0, 60},
        {2016, 1, 1, 0, 0, 0, 1000}, {2016, 1, 1, -1},
    };
    for (const CivilTime& c : invalid)
        EXPECT_FALSE(EncodeDateTime(c)) << c.year << '-' << c.month << '-' << c.day << ' ' << c.hour;
}

TEST(DateTimeCalendar, DecodesEveryDayOfFourCenturies)
{
    // Day by day across the leap rules of 1900, 2000 and 2100.
    CivilTime previous = DecodeDateTime(0.5);
    int leapDays = 0;
    for (int day = 1; day <= 146097; ++day) {
        const CivilTime civil = DecodeDateTime(day + 0.5);
        const bool nextDay = civil.year == previous.year && civil.month == previous.month
            && civil.day == previous.day + 1;
        const bool nextMonth = civil.day == 1
            && ((civil.year == previous.year && civil.month == previous.month + 1)
                || (civil.year == previous.year + 1 && civil.month == 1 && previous.month == 12));
        ASSERT_TRUE(nextDay || nextMonth) << day;
        ASSERT_EQ(EncodeDateTime(civil), day + 0.5) << day;
        leapDays += civil.month == 2 && civil.day == 29 ? 1 : 0;
        previous = civil;
    }
    EXPECT_EQ(leapDays, 97);
    EXPECT_TRUE(SameTime(previous, {2299, 12, 30, 12}));
}

TEST(DateTimeCalendar, DecodeRoundsToTheMillisecond)
{
    const DateTime almostMidnight = At(2016, 10, 14) + 0.9999999999;
    EXPECT_TRUE(SameTime(DecodeDateTime(almostMidnight), {2016, 10, 15}));
    EXPECT_TRUE(SameTime(DecodeDateTime(-1.9999999999), {1899, 12, 30}));
    EXPECT_TRUE(SameTime(DecodeDateTime(At(2016, 10, 14, 9, 5, 11, 999)), {2016, 10, 14, 9, 5, 11, 999}));
    // Out of range and NaN are clamped, never undefined.
    EXPECT_EQ(DecodeDateTime(1e300).year, 9999);
    EXPECT_EQ(DecodeDateTime(-1e300).year, 1);
    EXPECT_EQ(DecodeDateTime(std::nan("")).year, 1899);
}

TEST(DateTimeCalendar, UnixTimes)
{
    EXPECT_EQ(UnixSecondsToDateTime(0), kUnixEpoch);
    EXPECT_EQ(UnixSecondsToDateTime(86400), kUnixEpoch + 1);
    EXPECT_TRUE(SameTime(DecodeDateTime(UnixSecondsToDateTime(1476435911)), {2016, 10, 14, 9, 5, 11}));
    EXPECT_TRUE(SameTime(DecodeDateTime(UnixSecondsToDateTime(-1)), {1969, 12, 31, 23, 59, 59}));
    EXPECT_TRUE(SameTime(DecodeDateTime(UnixSecondsToDateTime(-2209161600 - 64800)), {1899, 12, 29, 6}));
    EXPECT_EQ(UnixSecondsToDateTime(-2209161600 - 64800), -1.25);
    EXPECT_EQ(DecodeDateTime(UnixSecondsToDateTime(INT64_MAX)).year, 9999);
    EXPECT_EQ(DateTimeToUnixMilliseconds(At(2016, 10, 14, 9, 5, 11, 250)), 1476435911250);
    EXPECT_EQ(DateTimeToUnixMilliseconds(-1.25), (-2209161600 - 64800) * 1000);
    EXPECT_EQ(UnixMillisecondsToDateTime(1476435911250), At(2016, 10, 14, 9, 5, 11, 250));
}

// Before day 0 the fraction is still the time of day from midnight, so the
// same instants run backwards as doubles: every conversion must go through
// whole days and milliseconds, never through the double's arithmetic.
TEST(DateTimeCalendar, BeforeDayZeroEveryConversionKeepsTheMillisecond)
{
    constexpr std::int64_t kMsPerDay = 86400000;
    constexpr std::int64_t kDayZero = -2209161600000;  // 30.12.1899 00:00 as Unix milliseconds
    for (std::int64_t ms = kDayZero - 2 * kMsPerDay; ms < kDayZero + kMsPerDay; ms += 999'983) {
        const DateTime value = UnixMillisecondsToDateTime(ms);
        const CivilTime civil = DecodeDateTime(value);
        const std::int64_t sinceMidnight = (ms % kMsPerDay + kMsPerDay) % kMsPerDay;
        ASSERT_EQ(DateTimeToUnixMilliseconds(value), ms);
        ASSERT_NEAR(std::fabs(value - std::trunc(value)) * double(kMsPerDay), double(sinceMidnight), 1e-3) << ms;
        ASSERT_EQ(DateTimeToUnixMilliseconds(At(civil.year, civil.month, civil.day)), ms - sinceMidnight) << ms;
        ASSERT_EQ(((civil.hour * 60 + civil.minute) * 60 + civil.second) * 1000 + civil.millisecond, sinceMidnight);
        ASSERT_EQ(EncodeDateTime(civil), value) << ms;
        ASSERT_EQ(UnixSecondsToDateTime((ms - civil.millisecond) / 1000), AddMilliseconds(value, -civil.millisecond));
        std::string text = FormatDateTime(value, kRussian);
        if (text.find(' ') == std::string::npos)
            text += " 0:00:00";
        text += "." + std::to_string(1000 + civil.millisecond).substr(1);
        ASSERT_EQ(ParseDateTime(text, kRussian), value) << text;
    }
}

TEST(DateTimeCalendar, AddsMillisecondsOnBothSidesOfDayZero)
{
    struct Case {
        DateTime value;
        std::int64_t milliseconds;
        DateTime sum;
    };
    const std::vector<Case> cases = {
        {At(2016, 10, 14, 9, 5, 11), 1000, At(2016, 10, 14, 9, 5, 12)},
        {At(1899, 12, 29, 6), 1000, At(1899, 12, 29, 6, 0, 1)},
        {At(1899, 12, 29, 6), 86400000, At(1899, 12, 30, 6)},
        {At(1899, 12, 29, 6), -1, At(1899, 12, 29, 5, 59, 59, 999)},
        {At(1899, 12, 29, 23, 59, 59, 999), 1, At(1899, 12, 30)},
        {At(1899, 12, 30), -1, At(1899, 12, 29, 23, 59, 59, 999)},
        {At(1899, 12, 31, 18), -3 * 86400000, At(1899, 12, 28, 18)},
        {At(1066, 10, 14, 9), 9 * 3600000, At(1066, 10, 14, 18)},
        // Clamped to the years 1 to 9999.
        {At(1, 1, 1), -1, At(1, 1, 1)},
        {At(9999, 12, 31, 23, 59, 59), 5000, At(9999, 12, 31, 23, 59, 59, 999)},
        {At(9999, 12, 31), INT64_MIN, At(1, 1, 1)},
        {At(1, 1, 1), INT64_MAX, At(9999, 12, 31, 23, 59, 59, 999)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(AddMilliseconds(c.value, c.milliseconds), c.sum) << c.value << " + " << c.milliseconds;
}

TEST(DateTimeFormat, WritesThePatterns)
{
    struct Case {
        const DateTimeFormats* formats;
        DateTime value;
        const char* text;
    };
    const DateTime morning = At(2016, 10, 4, 9, 5, 7);
    const DateTime evening = At(2016, 10, 4, 21, 5, 7);
    const std::vector<Case> cases = {
        {&kRussian, morning, "04.10.2016 9:05:07"},
        {&kRussianPadded, morning, "04.10.2016 09:05:07"},
        {&kUs, morning, "10/4/2016 9:05:07 AM"},
        {&kUs, evening, "10/4/2016 9:05:07 PM"},
        {&kUs, At(2016, 10, 4, 0, 30), "10/4/2016 12:30:00 AM"},
        {&kUs, At(2016, 10, 4, 12, 30), "10/4/2016 12:30:00 PM"},
        {&kIso, evening, "2016-10-04 21:05:07"},
        {&kShortYear, At(2005, 1, 2, 3, 4, 5), "2/1/05 3:04:05"},
        {&kBulgarian, morning, "4.10.2016 г. 9:05:07"},
        {&kQuoted, evening, "2016年10月4日 下午 9:05:07"},
        {&kMonthNames, evening, "04-Oct-2016 09:05:07 P"},
        {&kWeekday, morning, "Tue, October 4 2016 9 h 05 min 07 s"},
        {&kApostrophe, morning, "04.10.2016 9 o'clock 05:07"},
        {&kRussian, At(1899, 12, 29, 6), "29.12.1899 6:00:00"},
        {&kRussian, At(33, 2, 1, 1), "01.02.0033 1:00:00"},
        // Midnight is the date alone, also when rounding reaches it.
        {&kRussian, At(2016, 10, 4), "04.10.2016"},
        {&kUs, At(2016, 10, 4), "10/4/2016"},
        {&kRussian, At(2016, 10, 4) - 0.1 / 86400000, "04.10.2016"},
        // Rounded to the millisecond, then seconds shown: not :59.
        {&kRussian, At(2016, 10, 4, 9, 5, 8) - 0.1 / 86400000, "04.10.2016 9:05:08"},
        {&kRussian, At(2016, 10, 4, 9, 5, 7, 999), "04.10.2016 9:05:07"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDateTime(c.value, *c.formats), c.text);
    EXPECT_EQ(FormatDate(evening, kRussian), "04.10.2016");
    EXPECT_EQ(FormatDate(evening, kWeekday), "Tue, October 4 2016");
}

TEST(DateTimeParse, ReadsBackWhatItWrites)
{
    const std::vector<const DateTimeFormats*> patterns = {&kRussian, &kRussianPadded, &kUs, &kIso, &kShortYear,
        &kBritish, &kDotted, &kBulgarian, &kQuoted, &kMonthNames, &kWeekday, &kApostrophe};
    const std::vector<DateTime> values = {
        At(2016, 10, 14, 9, 5, 11), At(2016, 1, 2, 0, 0, 1), At(2016, 1, 2, 0, 59, 59), At(2016, 1, 2, 12),
        At(2016, 1, 2, 12, 0, 1), At(2016, 1, 2, 12, 59, 59), At(2016, 1, 2, 11, 59, 59), At(2016, 1, 2, 13),
        At(2016, 12, 31, 23, 59, 59), At(2000, 2, 29), At(2024, 7, 1), At(2009, 9, 9, 9, 9, 9)};
    for (const DateTimeFormats* formats : patterns) {
        for (const DateTime value : values) {
            const std::string text = FormatDateTime(value, *formats);
            const std::optional<DateTime> back = ParseDateTime(text, *formats);
            ASSERT_TRUE(back) << text;
            EXPECT_EQ(FormatDateTime(*back, *formats), text);
            EXPECT_TRUE(SameTime(DecodeDateTime(*back), DecodeDateTime(value))) << text;
            EXPECT_EQ(ParseDate(FormatDate(value, *formats), *formats), At(DecodeDateTime(value).year,
                      DecodeDateTime(value).month, DecodeDateTime(value).day)) << text;
        }
    }
}

TEST(DateTimeParse, ReadsTextsTypedOrStored)
{
    struct Case {
        const DateTimeFormats* formats;
        const char* text;
        CivilTime expected;
    };
    const std::vector<Case> cases = {
        {&kRussian, " 14.10.2016 9:05:11", {2016, 10, 14, 9, 5, 11}},  // the query's Date texts start so
        {&kRussian, "  14 . 10 .2016   9 :05 : 11  ", {2016, 10, 14, 9, 5, 11}},
        {&kRussian, "4.1.2016", {2016, 1, 4}},
        {&kRussian, "04.10.2016 9:05", {2016, 10, 4, 9, 5}},
        {&kRussian, "04.10.2016 9:05:11.5", {2016, 10, 4, 9, 5, 11, 500}},
        {&kRussian, "04.10.2016 9:05:11,123", {2016, 10, 4, 9, 5, 11, 123}},
        {&kMixedSeparators, "04/10/2016", {2016, 10, 4}},
        {&kMixedSeparators, "04.10.2016", {2016, 10, 4}},
        {&kUs, "10/4/2016 12:00:00 AM", {2016, 10, 4, 0}},
        {&kUs, "10/4/2016 12:59:59 am", {2016, 10, 4, 0, 59, 59}},
        {&kUs, "10/4/2016 12:00:00 PM", {2016, 10, 4, 12}},
        {&kUs, "10/4/2016 11:59:59 pm", {2016, 10, 4, 23, 59, 59}},
        {&kUs, "10/4/2016 1:00 PM", {2016, 10, 4, 13}},
        {&kUs, "10/4/2016 13:00:00", {2016, 10, 4, 13}},  // no designator: a 24-hour clock
        {&kIso, "2016-10-04 21:05", {2016, 10, 4, 21, 5}},
        {&kDotted, "4.10.2016 0:00:00", {2016, 10, 4}},
        {&kBulgarian, "4.10.2016 9:05:11", {2016, 10, 4, 9, 5, 11}},
        {&kQuoted, "2016/10/4 9:05:11", {2016, 10, 4, 9, 5, 11}},
        {&kQuoted, "2016年10月4日 上午 12:05:11", {2016, 10, 4, 0, 5, 11}},
        {&kMonthNames, "04-oct-2016 09:05:07 pm", {2016, 10, 4, 21, 5, 7}},
        {&kMonthNames, "04-October-2016", {2016, 10, 4}},
        {&kMonthNames, "04-10-2016", {2016, 10, 4}},
        {&kWeekday, "October 4 2016", {2016, 10, 4}},
        {&kWeekday, "Tuesday, October 4 2016 9 h 05 min", {2016, 10, 4, 9, 5}},
    };
    for (const Case& c : cases) {
        const std::optional<DateTime> value = ParseDateTime(c.text, *c.formats);
        ASSERT_TRUE(value) << c.text;
        EXPECT_TRUE(SameTime(DecodeDateTime(*value), c.expected)) << c.text;
    }
}

int CurrentYear()
{
    return DecodeDateTime(UtcToLocalDateTime(UnixSecondsToDateTime(std::time(nullptr)))).year;
}

TEST(DateTimeParse, ShortAndMissingYearsNearNow)
{
    const int now = CurrentYear();
    const auto year = [](const char* text, const DateTimeFormats& formats) {
        const std::optional<DateTime> value = ParseDateTime(text, formats);
        return value ? DecodeDateTime(*value).year : -1;
    };
    const auto twoDigits = [](int y) { return std::to_string(y % 100 / 10) + std::to_string(y % 10); };
    EXPECT_EQ(year(("1/2/" + twoDigits(now + 49)).c_str(), kShortYear), now + 49);
    EXPECT_EQ(year(("1/2/" + twoDigits(now - 50)).c_str(), kShortYear), now - 50);
    EXPECT_EQ(year(("1/2/" + twoDigits(now)).c_str(), kShortYear), now);
    EXPECT_EQ(year(("01.02." + twoDigits(now + 1)).c_str(), kRussian), now + 1);
    EXPECT_EQ(year("01.02.0016", kRussian), 16);  // four digits are taken as they stand
    EXPECT_EQ(year("1/2", kShortYear), now);
    EXPECT_EQ(year("14.10", kRussian), now);
    EXPECT_EQ(year("14.10 9:05", kRussian), now);
    EXPECT_EQ(year("10/14 9:05 PM", kUs), now);
    EXPECT_EQ(year("10-14", kIso), now);
    EXPECT_EQ(year("10月14日", kQuoted), now);
    EXPECT_TRUE(SameTime(DecodeDateTime(ParseDateTime("10-14 21:05", kIso).value()), {now, 10, 14, 21, 5}));
}

TEST(DateTimeParse, RejectsWhatIsNotADate)
{
    struct Case {
        const DateTimeFormats* formats;
        const char* text;
    };
    const std::vector<Case> cases = {
        {&kRussian, ""}, {&kRussian, "   "}, {&kRussian, "abc"}, {&kRussian, "14"}, {&kRussian, "14."},
        {&kRussian, "14.10."}, {&kRussian, "32.10.2016"}, {&kRussian, "29.02.2015"}, {&kRussian, "14.13.2016"},
        {&kRussian, "00.10.2016"}, {&kRussian, "14.10.0000"}, {&kRussian, "14.10.2016x"},
        {&kRussian, "14.10.2016 9"}, {&kRussian, "14.10.2016 9:"}, {&kRussian, "14.10.2016 24:00:00"},
        {&kRussian, "14.10.2016 9:60"}, {&kRussian, "14.10.2016 9:05:60"}, {&kRussian, "14.10.2016 9:05:11 x"},
        {&kRussian, "14.10.2016 9:05:11.1234"}, {&kRussian, "14.10.20169:05"}, {&kRussian, "14-10-2016"},
        {&kRussian, "114.10.2016"}, {&kRussian, "14.10.2016 9:05 PM"}, {&kRussian, "9:05:11"},
        {&kUs, "10/4/2016 0:30:00 AM"}, {&kUs, "10/4/2016 13:00:00 PM"}, {&kUs, "10/4/2016 9:05:07 XM"},
        {&kIso, "2016-10"}, {&kMonthNames, "04-Okt-2016"},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(ParseDateTime(c.text, *c.formats)) << '"' << c.text << '"';
}

TEST(DateTimeParse, DateAloneRejectsATime)
{
    EXPECT_EQ(ParseDate(" 14.10.2016 ", kRussian), At(2016, 10, 14));
    EXPECT_FALSE(ParseDate("14.10.2016 9:05:11", kRussian));
    EXPECT_EQ(ParseDateTime("14.10.2016 9:05:11", kRussian), At(2016, 10, 14, 9, 5, 11));
}

TEST(DateTimeFormats, CurrentFormatsCanBeReplaced)
{
    const DateTimeFormats before = CurrentFormats();
    EXPECT_EQ(before.shortDate, "dd.MM.yyyy");
    SetCurrentFormats(kUs);
    EXPECT_EQ(CurrentFormats().longTime, "h:mm:ss tt");
    SetCurrentFormats(before);
}

}  // namespace
}  // namespace tav

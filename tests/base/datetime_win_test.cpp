#include "base/datetime_win.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <iterator>
#include <vector>

#include "base/codepage.h"
#include "base/text_win.h"
#include "base/time_zone.h"

namespace tav {
namespace {

DateTime At(int year, int month, int day, int hour, int minute = 0, int second = 0)
{
    return EncodeDateTime({year, month, day, hour, minute, second}).value();
}

// The Wine test runs use a Russian user locale (tools/wine-env.sh).
TEST(UserFormats, RussianLocaleWritesDayMonthYear)
{
    const DateTimeFormats formats = ReadUserDateTimeFormats();
    EXPECT_EQ(formats.shortDate, "dd.MM.yyyy");
    EXPECT_EQ(formats.dateSeparator, ".");
    EXPECT_EQ(formats.timeSeparator, ":");
    EXPECT_NE(formats.longTime.find("mm:ss"), std::string::npos) << formats.longTime;
    const DateTime value = At(2016, 10, 4, 9, 5, 11);
    const std::string text = FormatDateTime(value, formats);
    EXPECT_EQ(text.rfind("04.10.", 0), 0u) << text;
    EXPECT_EQ(ParseDateTime(text, formats), value) << text;
}

DYNAMIC_TIME_ZONE_INFORMATION Zone(const wchar_t* key)
{
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    wcsncpy(zone.TimeZoneKeyName, key, std::size(zone.TimeZoneKeyName) - 1);
    return zone;
}

// Each instant under the rules its zone had in its year: Central Europe
// across its daylight-saving changes, Moscow before 2011 (UTC+3, summer +4),
// from 2011 to 2014 (UTC+4 all year) and after (UTC+3 all year).
TEST(UtcToLocal, RulesOfTheInstantsYear)
{
    struct Case {
        const wchar_t* zone;
        DateTime utc;
        DateTime local;
    };
    const wchar_t* const europe = L"W. Europe Standard Time";
    const wchar_t* const moscow = L"Russian Standard Time";
    const std::vector<Case> cases = {
        {europe, At(2021, 1, 15, 12), At(2021, 1, 15, 13)},
        {europe, At(2021, 7, 15, 12), At(2021, 7, 15, 14)},
        {europe, At(2021, 3, 28, 0, 59, 59), At(2021, 3, 28, 1, 59, 59)},
        {europe, At(2021, 3, 28, 1), At(2021, 3, 28, 3)},
        {europe, At(2021, 10, 31, 0, 59, 59), At(2021, 10, 31, 2, 59, 59)},
        {europe, At(2021, 10, 31, 1), At(2021, 10, 31, 2)},
        {moscow, At(2010, 1, 15, 12), At(2010, 1, 15, 15)},
        {moscow, At(2010, 7, 15, 12), At(2010, 7, 15, 16)},
        {moscow, At(2012, 1, 15, 12), At(2012, 1, 15, 16)},
        {moscow, At(2013, 7, 15, 12), At(2013, 7, 15, 16)},
        {moscow, At(2015, 1, 15, 12), At(2015, 1, 15, 15)},
        {moscow, At(2016, 7, 15, 12), At(2016, 7, 15, 15)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatDateTime(UtcToLocalDateTime(c.utc, Zone(c.zone)), DateTimeFormats{}),
                  FormatDateTime(c.local, DateTimeFormats{}))
            << Narrow(c.zone) << ' ' << FormatDateTime(c.utc, DateTimeFormats{});
    // Before 1601 Windows cannot convert: the value comes back unchanged.
    EXPECT_EQ(UtcToLocalDateTime(At(1600, 7, 1, 12), Zone(europe)), At(1600, 7, 1, 12));
}

TEST(UtcToLocal, DefaultIsTheCurrentZone)
{
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    ASSERT_NE(GetDynamicTimeZoneInformation(&zone), TIME_ZONE_ID_INVALID);
    for (const DateTime utc : {At(2012, 1, 15, 12), At(2021, 7, 15, 12)})
        EXPECT_EQ(UtcToLocalDateTime(utc), UtcToLocalDateTime(utc, zone));
}

// The test runs pin TZ=Europe/Berlin (tools/wine-env.sh): the name is a
// zone key with the rules of Central Europe.
TEST(LocalZone, KeyNameAndTheHourRepeatedInAutumn)
{
    const std::string name = LocalZoneName();
    const DYNAMIC_TIME_ZONE_INFORMATION named = Zone(Widen(name).c_str());
    const auto local = [&named](DateTime utc) { return UtcToLocalDateTime(utc, named); };
    EXPECT_EQ(DescribeZone(name, 1609459200, 1640995199, local), name + ", UTC+1/+2");  // 2021
    const UtcToLocalFunction europe = [](DateTime utc) { return UtcToLocalDateTime(utc, Zone(L"W. Europe Standard Time")); };
    const struct {
        DateTime utc;
        bool ambiguous;
        int minutes;
    } cases[] = {
        {At(2021, 10, 31, 0, 30), true, 120},
        {At(2021, 10, 31, 1, 30), true, 60},
        {At(2021, 10, 31, 2, 30), false, 60},
        {At(2021, 3, 28, 1, 30), false, 120},
    };
    for (const auto& c : cases) {
        const LocalOffset offset = LocalOffsetAt(c.utc, europe);
        EXPECT_EQ(offset.ambiguous, c.ambiguous) << FormatDateTime(c.utc, DateTimeFormats{});
        EXPECT_EQ(offset.minutes, c.minutes) << FormatDateTime(c.utc, DateTimeFormats{});
    }
}

// The portable code page tables agree with Windows' own conversion.
TEST(CodePageTables, AgreeWithWindows)
{
    for (const UINT codePage : {1251u, 866u, 1252u}) {
        for (int b = 0x80; b < 0x100; ++b) {
            const std::string byte(1, static_cast<char>(b));
            EXPECT_EQ(DecodeCodePage(byte, codePage), FromCodePage(byte, codePage)) << codePage << ' ' << b;
        }
    }
    const std::string text = "Пользователь: Ёлкин №5";
    EXPECT_EQ(EncodeCodePage(text, 1251), ToCodePage(text, 1251));
    EXPECT_EQ(EncodeCodePage(text, 866), ToCodePage(text, 866));
}

}  // namespace
}  // namespace tav

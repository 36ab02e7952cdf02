#include "app/run_state.h"

#include <gtest/gtest.h>

namespace tav {
namespace {

TEST(ElapsedText, MinutesAndSecondsAtLeastTwoDigits)
{
    EXPECT_EQ(ElapsedText(0), "Времени потрачено: 00:00");
    EXPECT_EQ(ElapsedText(1), "Времени потрачено: 00:01");
    EXPECT_EQ(ElapsedText(65), "Времени потрачено: 01:05");
    EXPECT_EQ(ElapsedText(3599), "Времени потрачено: 59:59");
    // Past 99 minutes the minutes take three digits.
    EXPECT_EQ(ElapsedText(6000), "Времени потрачено: 100:00");
}

TEST(CountText, RowCountInDecimal)
{
    EXPECT_EQ(CountText(0), "Записей отобрано: 0");
    EXPECT_EQ(CountText(100000), "Записей отобрано: 100000");
}

}  // namespace
}  // namespace tav

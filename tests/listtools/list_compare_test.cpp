#include "listtools/list_compare.h"

#include "list_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tav {
namespace {

struct CompareCase {
    const char* name;
    ResultRow a;
    ResultRow b;
    int position;
    SortKind kind;
    int ascending;  // the descending result is its negation
};

TEST(CompareListItems, ComparesTextsAndDatesOfOnePosition)
{
    const CompareCase cases[] = {
        {"caption as text", {"10", {}}, {"9", {}}, -1, SortKind::Text, -1},
        {"sub-item as text", {"1", {"x", "b"}}, {"2", {"x", "a"}}, 1, SortKind::Text, 1},
        {"missing sub-item is empty text", {"1", {}}, {"2", {"a"}}, 0, SortKind::Text, -1},
        {"position beyond every row", {"1", {"a"}}, {"2", {"b"}}, 7, SortKind::Text, 0},
        {"position below the caption", {"1", {}}, {"2", {}}, -2, SortKind::Text, 0},
        {"dates, not texts", {"9.10.2016", {}}, {"10.09.2016", {}}, -1, SortKind::DateTime, 1},
        {"time of day counts", {"14.10.2016 9:05:11", {}}, {" 14.10.2016", {}}, -1,
         SortKind::DateTime, 1},
        {"equal instants", {"14.10.2016 0:00:00", {}}, {"14.10.2016", {}}, -1,
         SortKind::DateTime, 0},
        {"neither parses", {"zzz", {}}, {"", {}}, -1, SortKind::DateTime, 0},
        {"unparsed counts as 0", {"no date", {}}, {"01.01.1900", {}}, -1, SortKind::DateTime,
         -1},
        {"unparsed equals day 0", {"no date", {}}, {"30.12.1899", {}}, -1, SortKind::DateTime,
         0},
        // Before day 0 a later time of day is a more negative value.
        {"morning before evening before day 0", {"29.12.1899 6:00:00", {}}, {"29.12.1899 18:00:00", {}},
         -1, SortKind::DateTime, -1},
        {"last second before day 0", {"29.12.1899 23:59:59", {}}, {"30.12.1899 0:00:01", {}}, -1,
         SortKind::DateTime, -1},
        {"unparsed after the day before day 0", {"29.12.1899 12:00:00", {}}, {"no date", {}}, -1,
         SortKind::DateTime, -1},
    };
    for (const CompareCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CompareListItems(c.a, c.b, c.position, c.kind, false, test::CompareOrdinal,
                                   test::ParseDottedDateTime),
                  c.ascending);
        EXPECT_EQ(CompareListItems(c.a, c.b, c.position, c.kind, true, test::CompareOrdinal,
                                   test::ParseDottedDateTime),
                  -c.ascending);
    }
}

TEST(CompareListItems, TextResultIsReducedToItsSign)
{
    const TextCompare extreme = [](std::string_view a, std::string_view b) {
        return a < b ? std::numeric_limits<int>::min() : a == b ? 0 : 1000;
    };
    const ResultRow a{"a", {}};
    const ResultRow b{"b", {}};
    EXPECT_EQ(CompareListItems(a, b, -1, SortKind::Text, true, extreme, {}), 1);
    EXPECT_EQ(CompareListItems(b, a, -1, SortKind::Text, false, extreme, {}), 1);
}

TEST(ParseDateTimeText, NonFiniteValueCountsAsNoDate)
{
    const DateParser nan = [](std::string_view) { return std::nan(""); };
    const ParsedDateTime parsed = ParseDateTimeText("x", nan);
    EXPECT_FALSE(parsed.parsed);
    EXPECT_EQ(parsed.value, 0.0);
    const ParsedDateTime epoch = ParseDateTimeText("01.01.1970", test::ParseDottedDateTime);
    EXPECT_TRUE(epoch.parsed);
    EXPECT_EQ(epoch.value, kUnixEpoch);
}

}  // namespace
}  // namespace tav

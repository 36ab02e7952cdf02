#include "listtools/sort_rows.h"

#include "list_test_support.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace tav {
namespace {

using test::Order;

using Sorter = void (*)(std::vector<ResultRow>&, std::size_t, SortKind, bool, const TextCompare&,
                        const DateParser&);

struct NamedSorter {
    const char* name;
    Sorter sort;
};

void PrintTo(const NamedSorter& sorter, std::ostream* out)
{
    *out << sorter.name;
}

// Both the program's sort and the reference order must show these orders.
class EverySort : public testing::TestWithParam<NamedSorter> {
protected:
    Order Sorted(std::vector<ResultRow> rows, std::size_t column, SortKind kind,
                 bool descending) const
    {
        GetParam().sort(rows, column, kind, descending, test::CompareOrdinal,
                        test::ParseDottedDateTime);
        return test::Captions(rows);
    }
};

INSTANTIATE_TEST_SUITE_P(Sort, EverySort,
                         testing::Values(NamedSorter{"SortRows", &SortRows},
                                         NamedSorter{"ByComparison", &SortRowsByComparison}),
                         [](const testing::TestParamInfo<NamedSorter>& sorter) {
                             return std::string(sorter.param.name);
                         });

TEST_P(EverySort, DatesAsDatesWithUnparsedFirstAscendingAndLastDescending)
{
    const std::vector<ResultRow> rows = {
        {"1", {"14.10.2016 9:05:11", "u"}}, {"2", {"garbage", "u"}},
        {"3", {"10.09.2016 8:00:00", "u"}}, {"4", {"", "u"}},
        {"5", {"9.10.2016 7:00:00", "u"}},  {"6", {" 14.10.2016", "u"}},
        {"7", {"10.09.2016 8:00:00", "u"}},
    };
    EXPECT_EQ(Sorted(rows, 1, SortKind::DateTime, false),
              (Order{"2", "4", "3", "7", "5", "6", "1"}));
    EXPECT_EQ(Sorted(rows, 1, SortKind::DateTime, true),
              (Order{"1", "6", "5", "3", "7", "2", "4"}));
}

TEST_P(EverySort, MissingSubItemSortsAsEmptyText)
{
    const std::vector<ResultRow> rows = {
        {"1", {"d", "b"}}, {"2", {"d"}}, {"3", {"d", "a"}}, {"4", {}}};
    EXPECT_EQ(Sorted(rows, 2, SortKind::Text, false), (Order{"2", "4", "3", "1"}));
    EXPECT_EQ(Sorted(rows, 2, SortKind::Text, true), (Order{"1", "3", "2", "4"}));
}

TEST_P(EverySort, RecordNumbersSortAsText)
{
    const std::vector<ResultRow> rows = {{"9", {}}, {"10", {}}, {"100", {}}, {"2", {}}, {"1", {}}};
    EXPECT_EQ(Sorted(rows, 0, SortKind::Text, false), (Order{"1", "10", "100", "2", "9"}));
}

std::string PickFrom(std::mt19937& random, const std::vector<std::string>& pool)
{
    return pool[random() % pool.size()];
}

std::vector<ResultRow> RandomRows(std::mt19937& random)
{
    // Few distinct texts, so that ties are common; dates, non-dates and
    // empty texts mixed in every column.
    const std::vector<std::string> pool = {
        "",           "alice",      "Bob",        "bob",         "10",
        "9",          "01.01.2016", "1.1.2016",   " 14.10.2016", "14.10.2016 9:05:11",
        "13.10.2016 23:59:59", "32.01.2016", "30.12.1899", "not a date"};
    std::vector<ResultRow> rows(random() % 40);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].caption = PickFrom(random, pool);
        rows[i].subItems.resize(random() % 4);
        for (std::string& text : rows[i].subItems)
            text = PickFrom(random, pool);
        // A last text of its own shows any reordering of otherwise equal rows.
        rows[i].subItems.push_back("#");
        rows[i].subItems.back() += std::to_string(i);
    }
    return rows;
}

std::vector<std::vector<std::string>> Texts(const std::vector<ResultRow>& rows)
{
    std::vector<std::vector<std::string>> texts;
    for (const ResultRow& row : rows) {
        texts.push_back({row.caption});
        texts.back().insert(texts.back().end(), row.subItems.begin(), row.subItems.end());
    }
    return texts;
}

TEST(SortRows, MatchesTheReferenceOrderOnRandomLists)
{
    std::mt19937 random(20161014);
    for (int trial = 0; trial < 400; ++trial) {
        const std::vector<ResultRow> rows = RandomRows(random);
        const std::size_t column = random() % 5;
        const SortKind kind = random() % 2 ? SortKind::DateTime : SortKind::Text;
        const bool descending = random() % 2 != 0;
        std::vector<ResultRow> fast = rows;
        std::vector<ResultRow> reference = rows;
        SortRows(fast, column, kind, descending, test::CompareOrdinal, test::ParseDottedDateTime);
        SortRowsByComparison(reference, column, kind, descending, test::CompareOrdinal,
                             test::ParseDottedDateTime);
        ASSERT_EQ(Texts(fast), Texts(reference))
            << "trial " << trial << ", column " << column << ", descending " << descending;
    }
}

TEST(SortRows, ReadsEachDateOncePerSort)
{
    std::vector<ResultRow> rows;
    for (int i = 0; i < 50; ++i)
        rows.push_back({std::to_string(i % 28 + 1) + ".02.2016", {}});
    int parses = 0;
    const DateParser counting = [&](std::string_view text) {
        ++parses;
        return test::ParseDottedDateTime(text);
    };
    SortRows(rows, 0, SortKind::DateTime, false, test::CompareOrdinal, counting);
    EXPECT_EQ(parses, 50);
    EXPECT_EQ(rows.front().caption, "1.02.2016");
    EXPECT_EQ(rows.back().caption, "28.02.2016");
}

}  // namespace
}  // namespace tav

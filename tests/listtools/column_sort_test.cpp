#include "listtools/column_sort.h"

#include "list_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tav {
namespace {

using test::Order;

void Click(ListSortState& state, std::vector<ResultRow>& rows, std::size_t column,
           SortKind kind = SortKind::Text)
{
    SortOnColumnClick(state, rows, column, kind, test::CompareOrdinal,
                      test::ParseDottedDateTime);
}

TEST(ColumnClick, AscendsThenDescendsThenAscends)
{
    ListSortState state;
    std::vector<ResultRow> rows = {{"b", {}}, {"a", {}}, {"c", {}}};
    Click(state, rows, 0);
    EXPECT_EQ(test::Captions(rows), (Order{"a", "b", "c"}));
    EXPECT_TRUE(state.SortDescending[0]);
    Click(state, rows, 0);
    EXPECT_EQ(test::Captions(rows), (Order{"c", "b", "a"}));
    EXPECT_FALSE(state.SortDescending[0]);
    Click(state, rows, 0);
    EXPECT_EQ(test::Captions(rows), (Order{"a", "b", "c"}));
    for (std::size_t column = 1; column < kSortableColumns; ++column)
        EXPECT_FALSE(state.SortDescending[column]) << column;
}

TEST(ColumnClick, EachListKeepsItsOwnDirections)
{
    ListSortState terminalServer;
    ListSortState workstation;
    std::vector<ResultRow> serverLogins = {{"14.10.2016", {"b"}}, {"13.10.2016", {"a"}}};
    std::vector<ResultRow> logons = {{"1", {"14.10.2016", "b"}}, {"2", {"13.10.2016", "a"}}};
    Click(terminalServer, serverLogins, 1);
    EXPECT_TRUE(terminalServer.SortDescending[1]);
    EXPECT_FALSE(workstation.SortDescending[1]);
    // The other list's first click on its column 1 still ascends.
    Click(workstation, logons, 1, SortKind::DateTime);
    EXPECT_EQ(test::Captions(logons), (Order{"2", "1"}));
}

TEST(ColumnClick, ShortListsStayButTheDirectionFlips)
{
    for (std::vector<ResultRow> rows :
         {std::vector<ResultRow>{}, std::vector<ResultRow>{{"only", {"x"}}}}) {
        const Order before = test::Captions(rows);
        ListSortState state;
        Click(state, rows, 2);
        EXPECT_EQ(test::Captions(rows), before);
        EXPECT_TRUE(state.SortDescending[2]);
        Click(state, rows, 2);
        EXPECT_FALSE(state.SortDescending[2]);
    }
}

TEST(ColumnClick, ColumnBeyondTheStateIsIgnored)
{
    ListSortState state;
    std::vector<ResultRow> rows = {{"b", {}}, {"a", {}}};
    Click(state, rows, kSortableColumns);
    EXPECT_EQ(test::Captions(rows), (Order{"b", "a"}));
}

}  // namespace
}  // namespace tav

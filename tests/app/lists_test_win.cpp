// Column sorting of both result lists under Wine, driven as the list
// drives it: LVN_COLUMNCLICK to the window, rows read back from the control.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/unit1_win.h"
#include "base/datetime.h"
#include "tests/win/test_support_win.h"

namespace tav {
namespace {

using test::ClickColumn;
using test::ListCount;
using test::ListText;
using test::PumpUntil;
using Order = std::vector<std::string>;

// Terminal-server rows: the date (with the query's leading blank), user, address.
const ResultRow kServerRows[] = {
    {" 14.10.2016 9:05:11", {"cherry", "10.0.0.2"}},
    {" 13.10.2016 18:00:01", {"apple", "10.0.0.10"}},
    {"не дата", {"Banana", "10.0.0.1"}},
    {" 14.10.2016 18:00:00", {"Дмитрий", "192.168.0.5"}},
    {" 02.01.2017 0:00:00", {"Echo", "LOCAL"}},
};

// Workstation rows: record number, date, user, computer, logon type.
const ResultRow kWorkstationRows[] = {
    {"9", {"14.10.2016 9:05:11", "cherry", "PC1", "Локальный вход"}},
    {"10", {"13.10.2016 18:00:01", "apple", "PC2", "Сетевой вход"}},
    {"100", {"", "Banana", "PC3", "Сетевой вход"}},
    {"2", {"02.01.2017 0:00:00", "Echo", "PC4", "Локальный вход"}},
};

class ListsTest : public testing::Test {
protected:
    void SetUp() override
    {
        form = test::ShowForm({.prompter = &prompter, .settingsPath = test::FreshSettingsPath()});
        ASSERT_NE(form, nullptr);
    }
    void TearDown() override { test::DestroyForm(form); }

    template <std::size_t N>
    static void Fill(ResultList& list, const ResultRow (&rows)[N])
    {
        for (const ResultRow& row : rows)
            list.Append(row);
        ASSERT_TRUE(PumpUntil([&] { return ListCount(list.Handle()) == static_cast<int>(N); }));
    }
    // One column of every row, in the order the control shows them.
    static Order Shown(HWND list, int column)
    {
        Order texts;
        for (int row = 0; row < ListCount(list); ++row)
            texts.push_back(ListText(list, row, column));
        return texts;
    }
    Order ClickServer(int column)
    {
        ClickColumn(form->Handle(), form->ListView.Handle(), column);
        return Shown(form->ListView.Handle(), 1);
    }
    Order ClickWorkstation(int column)
    {
        ClickColumn(form->Handle(), form->ListView1.Handle(), column);
        return Shown(form->ListView1.Handle(), 0);
    }

    test::RecordingPrompter prompter;
    std::unique_ptr<TForm1> form;
};

Order Reversed(Order order)
{
    return {order.rbegin(), order.rend()};
}

TEST_F(ListsTest, ServerListSortsEachColumnAscendingDescendingAscending)
{
    Fill(form->ListView, kServerRows);
    struct Case {
        int column;
        Order ascending;  // by user name
    };
    const Case cases[] = {
        // Dates as dates (9:05 before 18:00, 2016 before 2017), the unparseable first.
        {0, {"Banana", "apple", "cherry", "Дмитрий", "Echo"}},
        // The user locale's word sort: case does not split the alphabet.
        {1, {"apple", "Banana", "cherry", "Echo", "Дмитрий"}},
        {2, {"Banana", "apple", "cherry", "Дмитрий", "Echo"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.column);
        EXPECT_EQ(ClickServer(c.column), c.ascending);
        EXPECT_EQ(ClickServer(c.column), Reversed(c.ascending));
        EXPECT_EQ(ClickServer(c.column), c.ascending);
    }
}

TEST_F(ListsTest, WorkstationListSortsRecordNumbersAsTextAndDatesAsDates)
{
    Fill(form->ListView1, kWorkstationRows);
    EXPECT_EQ(ClickWorkstation(0), (Order{"10", "100", "2", "9"}));
    EXPECT_EQ(ClickWorkstation(0), (Order{"9", "2", "100", "10"}));
    EXPECT_EQ(ClickWorkstation(1), (Order{"100", "10", "9", "2"}));
    EXPECT_EQ(ClickWorkstation(1), (Order{"2", "9", "10", "100"}));
    EXPECT_EQ(ClickWorkstation(1), (Order{"100", "10", "9", "2"}));
    EXPECT_EQ(ClickWorkstation(2), (Order{"10", "100", "9", "2"}));
    // Every field of a row moves with it.
    EXPECT_EQ(ListText(form->ListView1.Handle(), 0, 4), "Сетевой вход");
    EXPECT_EQ(ListText(form->ListView1.Handle(), 3, 1), "02.01.2017 0:00:00");
}

TEST_F(ListsTest, EachListKeepsItsOwnDirections)
{
    Fill(form->ListView, kServerRows);
    Fill(form->ListView1, kWorkstationRows);
    ClickServer(1);
    // The first click on the workstation list's "Date" sorts ascending.
    EXPECT_EQ(ClickWorkstation(1), (Order{"100", "10", "9", "2"}));
    EXPECT_EQ(ClickServer(1), (Order{"Дмитрий", "Echo", "cherry", "Banana", "apple"}));
}

TEST_F(ListsTest, DraggedHeadersSortByTheClickedColumnsOwnData)
{
    Fill(form->ListView, kServerRows);
    int order[] = {2, 0, 1};
    ASSERT_TRUE(SendMessageW(form->ListView.Handle(), LVM_SETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(order)));
    // "Date" now shows second, "Login From" first.
    EXPECT_EQ(ClickServer(0), (Order{"Banana", "apple", "cherry", "Дмитрий", "Echo"}));
    EXPECT_EQ(ClickServer(2), (Order{"Banana", "apple", "cherry", "Дмитрий", "Echo"}));
    EXPECT_EQ(ClickServer(2), (Order{"Echo", "Дмитрий", "cherry", "apple", "Banana"}));
    EXPECT_EQ(ClickServer(1), (Order{"apple", "Banana", "cherry", "Echo", "Дмитрий"}));
}

TEST_F(ListsTest, SelectedRowStaysSelectedAfterASort)
{
    Fill(form->ListView, kServerRows);
    const HWND list = form->ListView.Handle();
    form->ListView.Select(0);  // cherry
    for (int column : {1, 0, 0, 2}) {
        SCOPED_TRACE(column);
        ClickServer(column);
        const auto selected = form->ListView.Selected();
        ASSERT_TRUE(selected.has_value());
        EXPECT_EQ(ListText(list, static_cast<int>(*selected), 1), "cherry");
        EXPECT_EQ(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0), 1);
        EXPECT_EQ(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED),
                  static_cast<LRESULT>(*selected));
    }
}

TEST_F(ListsTest, HundredThousandRowsSortByDateAndRepaintWithinASecond)
{
    constexpr int kRows = 100000;
    form->SetActivePage(1);
    ResultList& list = form->ListView1;
    unsigned seed = 12345;
    const auto next = [&seed](unsigned range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % range;
    };
    char date[32];
    for (int i = 0; i < kRows; ++i) {
        std::snprintf(date, sizeof date, "%02u.%02u.%04u %u:%02u:%02u", 1 + next(28), 1 + next(12),
                      2000 + next(26), next(24), next(60), next(60));
        list.Append({std::to_string(i), {date, "user" + std::to_string(i), "PC", "Сетевой вход"}});
    }
    ASSERT_TRUE(PumpUntil([&] { return ListCount(list.Handle()) == kRows; }));
    UpdateWindow(list.Handle());

    const auto ms = [](auto duration) {
        return static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(duration).count());
    };
    const auto timedClick = [&] {
        const auto start = std::chrono::steady_clock::now();
        ClickColumn(form->Handle(), list.Handle(), 1);
        UpdateWindow(list.Handle());
        return ms(std::chrono::steady_clock::now() - start);
    };
    const long long ascending = timedClick();
    const auto isOrdered = [&](bool descending) {
        const DateTimeFormats& formats = CurrentFormats();
        for (std::size_t i = 1; i < list.Count(); ++i) {
            const DateTime a = *ParseDateTime(list.Row(i - 1).Text(1), formats);
            const DateTime b = *ParseDateTime(list.Row(i).Text(1), formats);
            if (descending ? a < b : a > b)
                return false;
        }
        return true;
    };
    EXPECT_TRUE(isOrdered(false));
    const long long descending = timedClick();
    EXPECT_TRUE(isOrdered(true));
    EXPECT_EQ(ListText(list.Handle(), 0, 1), list.Row(0).Text(1));
    std::printf("100000 rows, sort by Date and repaint: ascending %lld ms, descending %lld ms\n", ascending,
                descending);
    EXPECT_LT(ascending, 1000);
    EXPECT_LT(descending, 1000);
}

}  // namespace
}  // namespace tav

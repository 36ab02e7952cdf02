// The main window under Wine: controls, placement, tab order, focus, timers,
// Enter routing and the result lists.
#include <chrono>
#include <memory>

#include <gtest/gtest.h>

#include "app/application_win.h"
#include "app/ids.h"
#include "app/unit1_win.h"
#include "base/text_win.h"
#include "tests/win/test_support_win.h"

namespace tav {
namespace {

using namespace std::chrono_literals;
using test::ListCount;
using test::ListText;
using test::PumpFor;
using test::PumpUntil;
using test::RectInParent;
using test::StatusText;

// Counts start requests instead of starting runs.
class CountingForm : public TForm1 {
public:
    using TForm1::TForm1;
    void btnStart1Click() override { ++starts1; }
    void BtnStart2Click() override { ++starts2; }
    int starts1 = 0;
    int starts2 = 0;
};

class FormTest : public testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<CountingForm>(FormSeams{.prompter = &prompter, .settingsPath = test::FreshSettingsPath()});
        ASSERT_TRUE(form->Create(Application::Instance().Handle()));
        Application::Instance().SetMainForm(form->Handle());
        form->Show(SW_SHOW);
        PumpFor(50ms);
    }
    void TearDown() override
    {
        Application::Instance().SetMainForm(nullptr);
        form.reset();
    }

    test::RecordingPrompter prompter;
    std::unique_ptr<CountingForm> form;
};

TEST_F(FormTest, WindowHasTheDesignSizeCaptionAndClientArea)
{
    EXPECT_EQ(WindowText(form->Handle()), "Get Tavelin");
    EXPECT_EQ(WindowText(Application::Instance().Handle()), "Users Tavelin");
    EXPECT_EQ(GetWindow(form->Handle(), GW_OWNER), Application::Instance().Handle());
    RECT client;
    GetClientRect(form->Handle(), &client);
    EXPECT_EQ(client.right, 736);
    EXPECT_EQ(client.bottom, 528);
    EXPECT_TRUE(GetWindowLongW(form->Handle(), GWL_STYLE) & WS_THICKFRAME);
    // Centred on the screen.
    RECT outer;
    GetWindowRect(form->Handle(), &outer);
    EXPECT_NEAR((outer.left + outer.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((outer.top + outer.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
}

TEST_F(FormTest, ControlsHaveTheirCaptionsParentsAndPlaces)
{
    struct Expected {
        HWND control;
        HWND parent;
        const char* caption;
        RECT rect;  // left, top, right, bottom at 96 dpi; right 0: auto-sized
    };
    const Expected expected[] = {
        {form->Label1, form->Panel1, "Имя (IP адрес) сервера:", {8, 8, 0, 0}},
        {form->Edit1, form->Panel1, "", {8, 28, 137, 49}},
        {form->Label2, form->Panel1, "Начальная дата для поиска:", {176, 10, 0, 0}},
        {form->DateTimePicker1, form->Panel1, nullptr, {176, 28, 321, 49}},
        {form->LabelWait, form->Panel1, "Пожалуйста, подождите...", {358, 19, 439, 45}},
        {form->btnStart1, form->Panel1, "Получить данные", {464, 14, 577, 49}},
        {form->BtnXLS, form->Panel1, "Выгрузить в Excel", {592, 14, 705, 49}},
        {form->Label6, form->Panel3, "Имя (IP адрес) компьютера:", {8, 8, 0, 0}},
        {form->Edit3, form->Panel3, "", {8, 28, 153, 49}},
        {form->LabelWait2, form->Panel3, "Пожалуйста, подождите...", {358, 19, 439, 45}},
        {form->BtnStart2, form->Panel3, "Получить данные", {464, 14, 577, 49}},
        {form->Button1, form->Panel3, "Выгрузить в Excel", {592, 14, 705, 49}},
        {form->LabelError, form->Panel4, "Сервер недоступен!", {16, 16, 0, 0}},
        {form->Label10, form->Panel2, nullptr, {0, 8, 183, 21}},
        {form->Label3, form->Panel2, TForm1::kPublisherUrl, {0, 24, 0, 0}},
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.caption != nullptr ? e.caption : "control");
        ASSERT_NE(e.control, nullptr);
        EXPECT_EQ(GetParent(e.control), e.parent);
        if (e.caption != nullptr) {
            EXPECT_EQ(WindowText(e.control), e.caption);
        }
        const RECT rect = RectInParent(e.control);
        EXPECT_EQ(rect.left, e.rect.left);
        EXPECT_EQ(rect.top, e.rect.top);
        if (e.rect.right != 0) {
            EXPECT_EQ(rect.right, e.rect.right);
            EXPECT_EQ(rect.bottom, e.rect.bottom);
        } else {
            EXPECT_GT(rect.right - rect.left, 20);  // as wide as its text
            EXPECT_EQ(rect.bottom - rect.top, 13);
        }
    }
    EXPECT_EQ(GetParent(form->PageControl1), form->PanelMain);
    EXPECT_EQ(GetParent(form->TabSheet1), form->PageControl1);
    EXPECT_EQ(GetParent(form->ListView.Handle()), form->TabSheet1);
    EXPECT_EQ(GetParent(form->ListView1.Handle()), form->TabSheet2);
    EXPECT_EQ(GetParent(form->Panel2), form->Panel4);
    EXPECT_FALSE(IsWindowEnabled(form->Label10));
}

TEST_F(FormTest, PanelsAndListsFillTheirAreasAndFollowResizing)
{
    auto check = [&](int width, int height) {
        const RECT bottom = RectInParent(form->Panel4);
        EXPECT_EQ(bottom.top, height - 44);
        EXPECT_EQ(bottom.right, width);
        EXPECT_EQ(RectInParent(form->PanelMain).bottom, height - 44);
        const RECT panel2 = RectInParent(form->Panel2);
        EXPECT_EQ(panel2.right - panel2.left, 200);
        EXPECT_EQ(panel2.right, width - 1);
        RECT sheet;
        GetClientRect(form->TabSheet1, &sheet);
        EXPECT_EQ(RectInParent(form->Panel1).bottom, 65);
        EXPECT_EQ(RectInParent(form->Panel1).right, sheet.right);
        const RECT list = RectInParent(form->ListView.Handle());
        const RECT status = RectInParent(form->StatusBar1);
        EXPECT_EQ(list.top, 65);
        EXPECT_EQ(list.bottom, status.top);
        EXPECT_EQ(status.bottom, sheet.bottom);
        EXPECT_EQ(status.bottom - status.top, 19);
        EXPECT_EQ(list.right, sheet.right);
    };
    check(736, 528);
    RECT outer;
    GetWindowRect(form->Handle(), &outer);
    SetWindowPos(form->Handle(), nullptr, 0, 0, outer.right - outer.left + 100, outer.bottom - outer.top + 50,
                 SWP_NOMOVE | SWP_NOZORDER);
    check(836, 578);
}

TEST_F(FormTest, ListsHaveTheirColumnsAndStyles)
{
    const HWND header = reinterpret_cast<HWND>(SendMessageW(form->ListView.Handle(), LVM_GETHEADER, 0, 0));
    ASSERT_EQ(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0), 3);
    const char* serverCaptions[] = {"Date", "User Name", "Login From"};
    const int serverWidths[] = {200, 300, 200};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(form->ListView.ColumnCaption(static_cast<std::size_t>(i)), serverCaptions[i]);
        EXPECT_EQ(SendMessageW(form->ListView.Handle(), LVM_GETCOLUMNWIDTH, i, 0), serverWidths[i]);
    }
    const char* workstationCaptions[] = {"ID", "Date", "User Name", "Logon From", "Connection Type"};
    const int workstationWidths[] = {1, 150, 200, 200, 150};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(form->ListView1.ColumnCaption(static_cast<std::size_t>(i)), workstationCaptions[i]);
        EXPECT_EQ(SendMessageW(form->ListView1.Handle(), LVM_GETCOLUMNWIDTH, i, 0), workstationWidths[i]);
    }
    const auto style = [](HWND list) { return GetWindowLongW(list, GWL_STYLE); };
    const auto exStyle = [](HWND list) {
        return static_cast<DWORD>(SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    };
    EXPECT_FALSE(style(form->ListView.Handle()) & LVS_EDITLABELS);
    EXPECT_TRUE(style(form->ListView1.Handle()) & LVS_EDITLABELS);
    EXPECT_TRUE(exStyle(form->ListView.Handle()) & LVS_EX_HEADERDRAGDROP);
    EXPECT_FALSE(exStyle(form->ListView1.Handle()) & LVS_EX_HEADERDRAGDROP);
    for (HWND list : {form->ListView.Handle(), form->ListView1.Handle()}) {
        EXPECT_TRUE(exStyle(list) & LVS_EX_FULLROWSELECT);
        EXPECT_TRUE(style(list) & LVS_OWNERDATA);
        EXPECT_FALSE(GetWindowLongW(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
    }
}

TEST_F(FormTest, StartsOnTheFirstTabWithHiddenLabelsAndDesignStatusTexts)
{
    EXPECT_EQ(form->ActivePage(), 0);
    EXPECT_TRUE(IsWindowVisible(form->TabSheet1));
    EXPECT_FALSE(IsWindowVisible(form->TabSheet2));
    for (HWND label : {form->LabelWait, form->LabelWait2, form->LabelError})
        EXPECT_FALSE(GetWindowLongW(label, GWL_STYLE) & WS_VISIBLE);
    for (HWND bar : {form->StatusBar1, form->StatusBar2}) {
        EXPECT_EQ(StatusText(bar, 0), "Времени потрачено:");
        EXPECT_EQ(StatusText(bar, 1), "Записей отобрано:");
    }
    EXPECT_FALSE(form->TimerEnabled(TIMER1));
    EXPECT_FALSE(form->TimerEnabled(TIMER2));
}

TEST_F(FormTest, TabOrderFollowsTheDesign)
{
    const HWND sequence[] = {form->ListView.Handle(), form->btnStart1, form->Edit1, form->BtnXLS,
                             form->DateTimePicker1};
    for (std::size_t i = 0; i < std::size(sequence); ++i) {
        const HWND next = GetNextDlgTabItem(form->Handle(), sequence[i], FALSE);
        EXPECT_EQ(next, sequence[(i + 1) % std::size(sequence)]) << "after item " << i;
    }
    form->SetActivePage(1);
    const HWND second[] = {form->Edit3, form->Button1, form->BtnStart2, form->ListView1.Handle()};
    for (std::size_t i = 0; i < std::size(second); ++i) {
        const HWND next = GetNextDlgTabItem(form->Handle(), second[i], FALSE);
        EXPECT_EQ(next, second[(i + 1) % std::size(second)]) << "after item " << i;
    }
}

TEST_F(FormTest, FocusOnShowAndOnTabChange)
{
    EXPECT_EQ(GetFocus(), form->Edit1);
    SendMessageW(form->PageControl1, TCM_SETCURSEL, 1, 0);
    NMHDR change{form->PageControl1, IDC_PAGECONTROL1, static_cast<UINT>(TCN_SELCHANGE)};
    SendMessageW(form->Handle(), WM_NOTIFY, IDC_PAGECONTROL1, reinterpret_cast<LPARAM>(&change));
    EXPECT_TRUE(IsWindowVisible(form->TabSheet2));
    EXPECT_FALSE(IsWindowVisible(form->TabSheet1));
    EXPECT_EQ(GetFocus(), form->Edit3);
    SendMessageW(form->PageControl1, TCM_SETCURSEL, 0, 0);
    SendMessageW(form->Handle(), WM_NOTIFY, IDC_PAGECONTROL1, reinterpret_cast<LPARAM>(&change));
    EXPECT_EQ(GetFocus(), form->Edit1);
}

TEST_F(FormTest, TimerTicksShowTheElapsedTimeAndStopAfterTheFinishedFlag)
{
    form->ServerRun.QueryFinished = 0;
    form->ServerRun.ElapsedSeconds = 1;
    form->SetTimerEnabled(TIMER1, true);
    ASSERT_TRUE(PumpUntil([&] { return form->ServerRun.ElapsedSeconds == 2; }, 3s));
    EXPECT_EQ(StatusText(form->StatusBar1, 0), "Времени потрачено: 00:01");

    form->ServerRun.ElapsedSeconds = 65;
    form->Timer1Timer();
    EXPECT_EQ(StatusText(form->StatusBar1, 0), "Времени потрачено: 01:05");
    EXPECT_TRUE(form->TimerEnabled(TIMER1));

    // The tick after the flag is raised shows its value, then stops the timer.
    form->ServerRun.QueryFinished = 1;
    form->Timer1Timer();
    EXPECT_EQ(StatusText(form->StatusBar1, 0), "Времени потрачено: 01:06");
    EXPECT_FALSE(form->TimerEnabled(TIMER1));
    EXPECT_EQ(form->ServerRun.ElapsedSeconds, 67);
}

TEST_F(FormTest, EachTabKeepsItsOwnElapsedTime)
{
    form->ServerRun.ElapsedSeconds = 10;
    form->WorkstationRun.ElapsedSeconds = 1;
    form->Timer1Timer();
    form->Timer2Timer();
    form->Timer2Timer();
    EXPECT_EQ(form->ServerRun.ElapsedSeconds, 11);
    EXPECT_EQ(form->WorkstationRun.ElapsedSeconds, 3);
    EXPECT_EQ(StatusText(form->StatusBar1, 0), "Времени потрачено: 00:10");
    EXPECT_EQ(StatusText(form->StatusBar2, 0), "Времени потрачено: 00:02");
    // One tab's finished flag does not stop the other tab's timer.
    form->WorkstationRun.QueryFinished = 1;
    form->SetTimerEnabled(TIMER1, true);
    form->Timer1Timer();
    EXPECT_TRUE(form->TimerEnabled(TIMER1));
}

TEST_F(FormTest, EnterInTheEditBoxesStartsTheirTabUnlessTheButtonIsDisabled)
{
    // Through the message loop, as a key press arrives.
    PostMessageW(form->Edit1, WM_KEYDOWN, VK_RETURN, 0);
    PumpFor(50ms);
    EXPECT_EQ(form->starts1, 1);
    PostMessageW(form->Edit1, WM_KEYDOWN, 'A', 0);
    PumpFor(50ms);
    EXPECT_EQ(form->starts1, 1);
    EnableWindow(form->btnStart1, FALSE);
    PostMessageW(form->Edit1, WM_KEYDOWN, VK_RETURN, 0);
    PumpFor(50ms);
    EXPECT_EQ(form->starts1, 1);

    form->Edit3KeyDown(VK_RETURN);
    EXPECT_EQ(form->starts2, 1);
    EnableWindow(form->BtnStart2, FALSE);
    form->Edit3KeyDown(VK_RETURN);
    EXPECT_EQ(form->starts2, 1);
    EXPECT_EQ(form->starts1, 1);
}

TEST_F(FormTest, LinkLabelSetsTheHandCursorWhileTheMouseIsOverIt)
{
    form->Label3MouseEnter();
    EXPECT_EQ(Application::Instance().CursorOverride(), LoadCursorW(nullptr, IDC_HAND));
    form->Label3MouseLeave();
    EXPECT_EQ(Application::Instance().CursorOverride(), nullptr);
}

TEST_F(FormTest, AutoSizedLabelFollowsItsCaption)
{
    form->SetLabelCaption(form->LabelError, "Сервер  недоступен!");
    const RECT shortRect = RectInParent(form->LabelError);
    form->SetLabelCaption(form->LabelError, "Сервер очень-очень-длинное-имя недоступен!");
    const RECT longRect = RectInParent(form->LabelError);
    EXPECT_GT(longRect.right - longRect.left, shortRect.right - shortRect.left);
    EXPECT_EQ(longRect.left, 16);
}

// Fills 100,000 rows through the result list and through a plain report
// list of the same columns, and reads them back.
TEST_F(FormTest, HundredThousandRowsFillAndReadBack)
{
    constexpr int kRows = 100000;
    ResultList& list = form->ListView1;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRows; ++i)
        list.Append({std::to_string(i), {"08.12.2026 10:00:00", "user" + std::to_string(i), "HOST", "Локальный вход"}});
    PumpUntil([&] { return ListCount(list.Handle()) == kRows; });
    UpdateWindow(list.Handle());
    const auto virtualTime = std::chrono::steady_clock::now() - start;

    ASSERT_EQ(ListCount(list.Handle()), kRows);
    EXPECT_EQ(ListText(list.Handle(), 0, 0), "0");
    EXPECT_EQ(ListText(list.Handle(), 99999, 2), "user99999");
    EXPECT_EQ(ListText(list.Handle(), 54321, 4), "Локальный вход");
    list.Select(777);
    EXPECT_EQ(list.Selected(), std::optional<std::size_t>(777));
    list.Clear();
    EXPECT_EQ(ListCount(list.Handle()), 0);
    EXPECT_EQ(list.Selected(), std::nullopt);

    // The same rows in an ordinary report list, for comparison.
    const HWND plain = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 65, 700, 300,
                                       form->TabSheet2, nullptr, nullptr, nullptr);
    for (int c = 0; c < 5; ++c) {
        LVCOLUMNW column{};
        column.mask = LVCF_WIDTH;
        column.cx = 100;
        SendMessageW(plain, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
    const auto plainStart = std::chrono::steady_clock::now();
    for (int i = 0; i < kRows; ++i) {
        std::wstring texts[5] = {std::to_wstring(i), L"08.12.2026 10:00:00", L"user" + std::to_wstring(i), L"HOST",
                                 Widen("Локальный вход")};
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = texts[0].data();
        const auto index = SendMessageW(plain, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int c = 1; c < 5; ++c) {
            item.iSubItem = c;
            item.pszText = texts[c].data();
            SendMessageW(plain, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
        }
    }
    UpdateWindow(plain);
    const auto plainTime = std::chrono::steady_clock::now() - plainStart;
    EXPECT_EQ(ListText(plain, 99999, 2), "user99999");
    DestroyWindow(plain);

    const auto ms = [](auto d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
    std::printf("100000 rows: result list %lld ms, plain report list %lld ms\n", static_cast<long long>(ms(virtualTime)),
                static_cast<long long>(ms(plainTime)));
    EXPECT_LT(ms(virtualTime), 2000);
}

TEST_F(FormTest, EditedCaptionOfTheWorkstationListIsKept)
{
    form->ListView1.Append({"42", {"d", "u", "f", "t"}});
    ASSERT_TRUE(PumpUntil([&] { return ListCount(form->ListView1.Handle()) == 1; }));
    std::wstring text = L"43";
    NMLVDISPINFOW info{};
    info.hdr = {form->ListView1.Handle(), IDC_LISTVIEW1, static_cast<UINT>(LVN_ENDLABELEDITW)};
    info.item.iItem = 0;
    info.item.pszText = text.data();
    EXPECT_EQ(SendMessageW(form->Handle(), WM_NOTIFY, IDC_LISTVIEW1, reinterpret_cast<LPARAM>(&info)), TRUE);
    EXPECT_EQ(form->ListView1.Row(0).caption, "43");
    // A cancelled edit changes nothing.
    info.item.pszText = nullptr;
    EXPECT_EQ(SendMessageW(form->Handle(), WM_NOTIFY, IDC_LISTVIEW1, reinterpret_cast<LPARAM>(&info)), FALSE);
    EXPECT_EQ(ListText(form->ListView1.Handle(), 0, 0), "43");
}

}  // namespace
}  // namespace tav

// The workstation tab under Wine: scans of an in-memory log through the
// record-source seam, the real (Wine) event log, and the detail view.
#include <algorithm>
#include <chrono>
#include <memory>
#include <stdexcept>

#include <gtest/gtest.h>

#include "app/application_win.h"
#include "app/ids.h"
#include "app/unit1_win.h"
#include "base/datetime.h"
#include "base/text_win.h"
#include "seclog/detail_view.h"
#include "seclog/event_log_win.h"
#include "seclog/memory_source.h"
#include "tests/seclog/test_records.h"
#include "tests/win/test_support_win.h"

namespace tav {
namespace {

using namespace std::chrono_literals;
using seclog::LegacyRecord;
using seclog::test::Logon;
using test::ListCount;
using test::ListText;
using test::PumpFor;
using test::PumpUntil;
using test::StatusText;

constexpr std::uint32_t kBase = 1700000000;  // 14.11.2023, a winter day

LegacyRecord Other(std::uint32_t number, std::uint32_t time)
{
    return seclog::test::OtherEvent(number, time, 4672, 2, 8);
}

std::string DateText(std::uint32_t unixSeconds)
{
    return FormatDateTime(UtcToLocalDateTime(UnixSecondsToDateTime(unixSeconds)), CurrentFormats());
}

// Calls `action` from the message processing of a running scan.
class DuringScan {
public:
    explicit DuringScan(std::function<void()> action)
    {
        Instance() = std::move(action);
        timer_ = SetTimer(nullptr, 0, 1, [](HWND, UINT, UINT_PTR, DWORD) {
            if (auto pending = std::exchange(Instance(), nullptr))
                pending();
        });
    }
    ~DuringScan()
    {
        KillTimer(nullptr, timer_);
        Instance() = nullptr;
    }

private:
    static std::function<void()>& Instance()
    {
        static std::function<void()> action;
        return action;
    }
    UINT_PTR timer_;
};

// Opening fails with an exception, as any step of a run may.
class ThrowingOpener final : public seclog::RecordSourceOpener {
public:
    std::unique_ptr<seclog::RecordSource> Open(const std::string&, const std::string&, std::uint32_t&) override
    {
        throw std::runtime_error("no log today");
    }
};

class WorkstationTabTest : public testing::Test {
protected:
    void SetUp() override { Open(opener.get()); }
    void TearDown() override
    {
        Application::Instance().SetMainForm(nullptr);
        form.reset();
    }
    void Open(seclog::RecordSourceOpener* logs)
    {
        form.reset();
        form = std::make_unique<TForm1>(FormSeams{.prompter = &prompter,
                                                  .eventLogs = logs,
                                                  .savedLogs = savedOpener.get(),
                                                  .settingsPath = test::FreshSettingsPath()});
        ASSERT_TRUE(form->Create(Application::Instance().Handle()));
        form->Show(SW_SHOW);
        PumpFor(30ms);
    }
    void Scan(const std::string& computer)
    {
        SetWindowTextUtf8(form->Edit3, computer);
        form->BtnStart2Click();
        PumpFor(20ms);
    }

    std::shared_ptr<seclog::MemoryLog> log = std::make_shared<seclog::MemoryLog>();
    std::unique_ptr<seclog::MemorySourceOpener> opener = std::make_unique<seclog::MemorySourceOpener>(log);
    std::unique_ptr<seclog::MemorySourceOpener> savedOpener = std::make_unique<seclog::MemorySourceOpener>(log);
    test::RecordingPrompter prompter;
    std::unique_ptr<TForm1> form;
};

TEST_F(WorkstationTabTest, FullRunListsRetainedLogonsNewestFirst)
{
    log->Add(Logon(10, kBase, "alice", "2", "PC1"));
    log->Add(Other(11, kBase + 5));
    log->Add(Logon(12, kBase + 100, "bob", "3", "PC2"));
    log->Add(Logon(13, kBase + 200, "PC3$", "3", "PC3"));
    log->Add(Logon(14, kBase + 300, "carol", "10", "PC4"));
    for (std::uint32_t i = 0; i < 20000; ++i)  // a scan long enough to look at while it runs
        log->Add(Other(100 + i, kBase + 400 + i));
    form->ListView1.Append({"old", {"row"}});
    form->SetActivePage(1);

    bool sawRunState = false;
    DuringScan probe([&] {
        sawRunState = IsWindowVisible(form->LabelWait2) && !IsWindowEnabled(form->BtnStart2) &&
                      StatusText(form->StatusBar2, 0) == "Времени потрачено: " &&
                      StatusText(form->StatusBar2, 1) == "Записей отобрано: " && !IsWindowVisible(form->LabelError);
    });
    Scan("pc");
    EXPECT_TRUE(sawRunState);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_EQ(opener->LastServer(), "pc");
    EXPECT_EQ(opener->LastLog(), "security");
    ASSERT_EQ(ListCount(form->ListView1.Handle()), 2);
    EXPECT_EQ(ListText(form->ListView1.Handle(), 0, 0), "12");
    EXPECT_EQ(ListText(form->ListView1.Handle(), 0, 1), DateText(kBase + 100));
    EXPECT_EQ(ListText(form->ListView1.Handle(), 0, 2), "bob");
    EXPECT_EQ(ListText(form->ListView1.Handle(), 0, 3), "PC2");
    EXPECT_EQ(ListText(form->ListView1.Handle(), 0, 4), "Удаленный доступ");
    EXPECT_EQ(ListText(form->ListView1.Handle(), 1, 4), "Локальный вход");
    EXPECT_EQ(StatusText(form->StatusBar2, 1), "Записей отобрано: 2");
    EXPECT_FALSE(IsWindowVisible(form->LabelWait2));
    EXPECT_TRUE(IsWindowEnabled(form->BtnStart2));
    EXPECT_EQ(GetFocus(), form->ListView1.Handle());
    EXPECT_EQ(form->WorkstationRun.QueryFinished, 1);
    EXPECT_EQ(opener->Opens(), opener->Closes());
    // This tab's run leaves the other tab's time alone.
    EXPECT_EQ(form->ServerRun.ElapsedSeconds, 0);
}

TEST_F(WorkstationTabTest, EmptyNameAsksFirstThenReadsTheLocalComputer)
{
    log->Add(Logon(1, kBase, "alice", "2", "PC1"));
    prompter.onShow = [&] { EXPECT_EQ(opener->Opens(), 0u); };
    Scan("");
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], "Вы не указали имя компьютера\rБудет опрошен текущий компьютер.");
    EXPECT_EQ(opener->LastServer(), "");
    EXPECT_EQ(ListCount(form->ListView1.Handle()), 1);
}

TEST_F(WorkstationTabTest, UnreachableComputerKeepsTheEarlierRows)
{
    log->Add(Logon(1, kBase, "alice", "2", "PC1"));
    Scan("pc");
    opener->Refuse("far away", 1722);
    Scan("far away");
    EXPECT_TRUE(IsWindowVisible(form->LabelError));
    EXPECT_EQ(WindowText(form->LabelError), "Сервер far away недоступен!");
    EXPECT_EQ(ListCount(form->ListView1.Handle()), 1);
    EXPECT_EQ(StatusText(form->StatusBar2, 1), "Записей отобрано: 0");
    EXPECT_TRUE(IsWindowEnabled(form->BtnStart2));
    EXPECT_EQ(form->WorkstationRun.QueryFinished, 1);
    // The next start hides the label again.
    Scan("pc");
    EXPECT_FALSE(IsWindowVisible(form->LabelError));
}

TEST_F(WorkstationTabTest, OnlyAPathOrAnEvtxNameIsASavedLog)
{
    log->Add(Logon(1, kBase, "alice", "2", "PC1"));
    seclog::MemorySourceOpener& saved = *savedOpener;
    // A file named like the computer lies in the current folder.
    const std::wstring folder = test::FreshFolder();
    test::WriteFileBytes(folder + L"backup", "not a log");
    SetCurrentDirectoryW(folder.c_str());
    saved.Refuse("Security.EVTX", 2);
    const struct {
        const char* text;
        bool savedLog;
        std::string error;  // LabelError, when shown
    } cases[] = {
        {"backup", false, ""},
        {"\\\\backup", false, ""},
        {"Security.EVTX", true, "Невозможно открыть файл журнала: Security.EVTX"},
        {"logs/backup", true, ""},
        {"C:\\logs\\backup", true, ""},
        {"\\\\nas\\logs\\backup", true, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::size_t live = opener->Opens();
        Scan(c.text);
        EXPECT_EQ((c.savedLog ? saved : *opener).LastServer(), c.text);
        EXPECT_EQ(opener->Opens() - live, c.savedLog ? 0u : 1u);
        EXPECT_EQ(IsWindowVisible(form->LabelError) ? WindowText(form->LabelError) : "", c.error);
    }
    SetCurrentDirectoryW(test::FreshFolder().c_str());
}

TEST_F(WorkstationTabTest, ReadErrorIsShownAndTheRowsStay)
{
    for (std::uint32_t i = 0; i < 2000; ++i)
        log->Add(Logon(i + 1, kBase + i * 60, "user" + std::to_string(i), "2", "PC"));
    opener->FailRead({2, ERROR_ACCESS_DENIED});
    Scan("pc");
    EXPECT_TRUE(IsWindowVisible(form->LabelError));
    EXPECT_EQ(WindowText(form->LabelError), "Ошибка чтения журнала: " + ErrorText(ERROR_ACCESS_DENIED));
    const int rows = ListCount(form->ListView1.Handle());
    EXPECT_GT(rows, 0);
    EXPECT_LT(rows, 2000);
    EXPECT_EQ(StatusText(form->StatusBar2, 1), "Записей отобрано: " + std::to_string(rows));
}

TEST_F(WorkstationTabTest, WineEventLogRefusesRemoteNamesAndReadsNothingLocally)
{
    seclog::EventLogOpener real;
    Open(&real);
    form->ListView1.Append({"7", {"kept"}});
    Scan("\\\\remote-host");
    EXPECT_EQ(WindowText(form->LabelError), "Сервер \\\\remote-host недоступен!");
    EXPECT_TRUE(IsWindowVisible(form->LabelError));
    EXPECT_EQ(ListCount(form->ListView1.Handle()), 1);

    Scan("");
    EXPECT_FALSE(IsWindowVisible(form->LabelError));
    EXPECT_EQ(ListCount(form->ListView1.Handle()), 0);
    EXPECT_EQ(StatusText(form->StatusBar2, 1), "Записей отобрано: 0");
}

TEST_F(WorkstationTabTest, DetailViewShowsEveryStringOfTheRecord)
{
    LegacyRecord logon = Logon(5, kBase, "alice", "2", "PC1", 21);
    logon.strings[2] = "";  // an empty string gives an empty line
    log->Add(logon);
    log->Add(Logon(6, kBase + 100, "bob", "2", "PC1"));
    Scan("pc");
    ASSERT_EQ(ListCount(form->ListView1.Handle()), 2);
    form->ListView1.Select(1);
    form->listview1DblClick();
    ASSERT_EQ(prompter.messages.size(), 1u);
    const std::string& text = prompter.messages[0];
    EXPECT_EQ(std::count(text.begin(), text.end(), '\r'), 21);
    EXPECT_EQ(text.back(), '\r');
    EXPECT_EQ(text.substr(0, 33), "S-1-5-18\rWS-ACCOUNTING-07$\r\r0x3e7");
    EXPECT_NE(text.find("\ralice\r"), std::string::npos);

    // The detail view reads from where the list came from: not from what
    // Edit3 says now, nor from a later run that failed and kept the rows.
    SetWindowTextUtf8(form->Edit3, "elsewhere");
    form->listview1DblClick();
    opener->Refuse("far away", 1722);
    Scan("far away");
    ASSERT_EQ(ListCount(form->ListView1.Handle()), 2);
    form->listview1DblClick();
    ASSERT_EQ(prompter.messages.size(), 3u);
    EXPECT_EQ(prompter.messages[2], prompter.messages[0]);
    EXPECT_EQ(opener->LastServer(), "pc");
    EXPECT_EQ(opener->Opens(), opener->Closes());
}

TEST_F(WorkstationTabTest, DetailViewWithoutRecordSelectionOrLogShowsNothingOrTheOpenFailure)
{
    form->listview1DblClick();  // before any scan
    EXPECT_EQ(opener->Opens(), 0u);
    log->Add(Logon(5, kBase, "alice", "2", "PC1"));
    Scan("pc");
    form->listview1DblClick();  // nothing selected
    EXPECT_EQ(opener->Opens(), 1u);

    form->ListView1.Append({"999", {"gone"}});
    PumpFor(20ms);
    form->ListView1.Select(1);
    form->listview1DblClick();  // no such record
    EXPECT_TRUE(prompter.messages.empty());

    opener->Refuse("pc", 1722);
    form->listview1DblClick();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], "Невозможно открыть файл журнала");
}

// What a handler throws, through the window procedure or through Edit3's
// subclass procedure, ends in the error box and the window goes on.
TEST_F(WorkstationTabTest, ErrorsOfADoubleClickAndOfEnterEndInTheErrorBox)
{
    log->Add(Logon(5, kBase, "alice", "2", "PC1"));
    Scan("pc");
    form->ListView1.Append({"not a number", {"x"}});
    PumpFor(20ms);
    form->ListView1.Select(1);
    NMHDR doubleClick{form->ListView1.Handle(), IDC_LISTVIEW1, static_cast<UINT>(NM_DBLCLK)};
    SendMessageW(form->Handle(), WM_NOTIFY, IDC_LISTVIEW1, reinterpret_cast<LPARAM>(&doubleClick));
    ASSERT_EQ(prompter.errors.size(), 1u);
    EXPECT_EQ(prompter.errors[0], seclog::InvalidCaptionText("not a number"));

    ThrowingOpener throwing;
    Open(&throwing);
    SetWindowTextUtf8(form->Edit3, "pc");
    for (const std::size_t errors : {2u, 3u}) {
        SendMessageW(form->Edit3, WM_KEYDOWN, VK_RETURN, 0);
        ASSERT_EQ(prompter.errors.size(), errors);
        EXPECT_EQ(prompter.errors.back(), "no log today");
        EXPECT_TRUE(IsWindowEnabled(form->BtnStart2));
        EXPECT_FALSE(IsWindowVisible(form->LabelWait2));
    }
}

TEST_F(WorkstationTabTest, EnterDuringAScanStartsNothingAndTheRunEndsAtTheRowCap)
{
    for (std::uint32_t i = 0; i < 200000; ++i)
        log->Add(Logon(i + 1, kBase + i * 60, "u", "2", "PC"));
    bool duringRun = false;
    DuringScan probe([&] {
        duringRun = !IsWindowEnabled(form->BtnStart2);
        form->Edit3KeyDown(VK_RETURN);
    });
    Scan("pc");
    EXPECT_TRUE(duringRun);
    EXPECT_EQ(opener->Opens(), 1u);
    // The run ends at the row cap.
    EXPECT_EQ(ListCount(form->ListView1.Handle()), 100000);
    EXPECT_EQ(StatusText(form->StatusBar2, 1), "Записей отобрано: 100000");
}

TEST_F(WorkstationTabTest, ClosingDuringAScanStopsItClosesTheLogAndThenTheWindow)
{
    for (std::uint32_t i = 0; i < 5000; ++i)
        log->Add(Logon(i + 1, kBase + i * 60, "u", "2", "PC"));
    const HWND window = form->Handle();
    DuringScan probe([&] { PostMessageW(window, WM_CLOSE, 0, 0); });
    Scan("pc");
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(opener->Opens(), 1u);
    EXPECT_EQ(opener->Closes(), 1u);
}

// A close that comes before the scan has begun, while the empty-name box is
// open or in the message pass before the scan, opens no log and ends the
// program; so does the end of the message loop, also during the scan.
TEST_F(WorkstationTabTest, ARunStopsAtACloseOrTheLoopsEndWhereverItComes)
{
    for (std::uint32_t i = 0; i < 50000; ++i)
        log->Add(Logon(i + 1, kBase + i * 60, "u", "2", "PC"));
    const auto quitPosted = [] {
        MSG quit;
        return PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
    };
    for (const bool inTheBox : {true, false}) {
        SCOPED_TRACE(inTheBox ? "in the box" : "before the scan");
        Open(opener.get());
        const HWND window = form->Handle();
        Application::Instance().SetMainForm(window);
        const std::size_t opens = opener->Opens();
        // The box's own loop handles the close.
        prompter.onShow = [&] {
            PostMessageW(window, WM_CLOSE, 0, 0);
            PumpFor(20ms);
        };
        SetWindowTextUtf8(form->Edit3, inTheBox ? "" : "pc");
        if (!inTheBox)
            PostMessageW(window, WM_CLOSE, 0, 0);
        form->BtnStart2Click();
        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(opener->Opens(), opens);
        EXPECT_TRUE(quitPosted());
        Application::Instance().SetMainForm(nullptr);
    }
    Open(opener.get());
    DuringScan probe([] { PostQuitMessage(0); });
    Scan("pc");
    EXPECT_TRUE(quitPosted());
    EXPECT_LT(ListCount(form->ListView1.Handle()), 50000);
    EXPECT_TRUE(IsWindowEnabled(form->BtnStart2));
    EXPECT_EQ(opener->Opens(), opener->Closes());
}

// A million records, a tenth of them logons: the window keeps answering. A
// timer's ticks arrive only while messages are processed; how long the
// longest gap was is a figure for the record, not a pass mark.
TEST_F(WorkstationTabTest, WindowAnswersDuringALargeScan)
{
    for (std::uint32_t i = 0; i < 1000000; ++i) {
        if (i % 10 == 0)
            log->Add(Logon(i + 1, kBase + i, "user" + std::to_string(i % 1000), i % 20 == 0 ? "2" : "10", "PC"));
        else
            log->Add(Other(i + 1, kBase + i));
    }
    static std::chrono::steady_clock::time_point last;
    static std::chrono::steady_clock::duration longest;
    static int ticks;
    last = std::chrono::steady_clock::now();
    longest = {};
    ticks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) {
        const auto now = std::chrono::steady_clock::now();
        longest = std::max(longest, now - last);
        last = now;
        ++ticks;
    });
    const auto start = std::chrono::steady_clock::now();
    SetWindowTextUtf8(form->Edit3, "pc");
    form->BtnStart2Click();
    const auto total = std::chrono::steady_clock::now() - start;
    KillTimer(nullptr, timer);
    const auto ms = [](auto d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
    std::printf("1000000 records: scan %lld ms, %zu rows, %d timer ticks, longest gap between them %lld ms\n",
                static_cast<long long>(ms(total)), form->ListView1.Count(), ticks, static_cast<long long>(ms(longest)));
    EXPECT_GT(form->ListView1.Count(), 0u);
    EXPECT_GT(ticks, 1);
}

}  // namespace
}  // namespace tav

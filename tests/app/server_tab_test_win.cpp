// The terminal-server tab under Wine, with a stand-in powershell.exe beside
// the test program that prints given bytes in code page 866.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <utility>

#include <gtest/gtest.h>

#include "app/application_win.h"
#include "app/ids.h"
#include "app/unit1_win.h"
#include "base/datetime.h"
#include "base/module_path_win.h"
#include "base/text_win.h"
#include "tests/win/test_support_win.h"
#include "tsquery/command_line.h"

namespace tav {
namespace {

using namespace std::chrono_literals;
using test::ListCount;
using test::ListText;
using test::PumpFor;
using test::PumpUntil;
using test::StatusText;

class FailingLauncher final : public tsquery::ProcessLauncher {
public:
    bool Start(const std::wstring&, const std::wstring&, const std::wstring&, HANDLE, PROCESS_INFORMATION&) override
    {
        return false;
    }
};

std::filesystem::path Folder()
{
    return std::filesystem::path(ExecutableFolder());
}

void WriteStandIn(const std::string& utf8Output, int delayMs = 0)
{
    std::ofstream(Folder() / "standin-output.bin", std::ios::binary) << ToCodePage(utf8Output, 866);
    std::ofstream(Folder() / "standin-delay.txt") << delayMs;
    std::filesystem::remove(Folder() / "standin-seen.txt");
}

// What the stand-in saw: its command line and current directory.
std::string SeenByStandIn()
{
    std::ifstream seen(Folder() / "standin-seen.txt", std::ios::binary);
    std::string commandLine, directory;
    std::getline(seen, commandLine);
    std::getline(seen, directory);
    return commandLine + "|" + directory;
}

std::string EnglishBlock(const std::string& when, const std::string& user, const std::string& address)
{
    return "\r\nTimeCreated : " + when +
           "\r\nMessage     : Remote Desktop Services: Session logon succeeded:\r\n\r\n"
           "              User: " + user + "\r\n              Session ID: 2\r\n"
           "              Source Network Address: " + address + "\r\n";
}

std::string RussianBlock(const std::string& when, const std::string& user, const std::string& address)
{
    return "\r\nTimeCreated : " + when +
           "\r\nMessage     : Служба удаленных рабочих столов: успешный вход в сеанс:\r\n\r\n"
           "              Пользователь: " + user + "\r\n              ИД сеанса: 2\r\n"
           "              Адрес сети источника: " + address + "\r\n";
}

class ServerTabTest : public testing::Test {
protected:
    void SetUp() override { Open(&launcher); }
    void TearDown() override
    {
        Application::Instance().SetMainForm(nullptr);
        form.reset();
    }
    void Open(tsquery::ProcessLauncher* use)
    {
        Application::Instance().SetMainForm(nullptr);  // closing it must not end the test program
        form.reset();
        form = std::make_unique<TForm1>(FormSeams{.prompter = &prompter, .launcher = use, .settingsPath = test::FreshSettingsPath()});
        ASSERT_TRUE(form->Create(Application::Instance().Handle()));
        Application::Instance().SetMainForm(form->Handle());
        form->Show(SW_SHOW);
        PumpFor(50ms);
    }
    bool RunQuery(const std::string& server, std::chrono::milliseconds timeout = 15s)
    {
        SetWindowTextUtf8(form->Edit1, server);
        form->btnStart1Click();
        return PumpUntil([&] { return form->ServerRun.QueryFinished == 1; }, timeout);
    }

    tsquery::CreateProcessLauncher launcher;
    test::RecordingPrompter prompter;
    std::unique_ptr<TForm1> form;
};

TEST_F(ServerTabTest, EnglishOutputBecomesRows)
{
    WriteStandIn(EnglishBlock("14.10.2016 9:05:11", "DOMAIN\\user1", "10.0.0.15") +
                 EnglishBlock("13.10.2016 18:00:01", "DOMAIN\\user2", "10.0.0.16"));
    SYSTEMTIME date{2016, 10, 5, 14, 15, 30, 0, 0};  // a time of day the command line leaves out
    SendMessageW(form->DateTimePicker1, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&date));
    ASSERT_TRUE(RunQuery("192.168.0.10"));
    PumpFor(50ms);
    ASSERT_EQ(ListCount(form->ListView.Handle()), 2);
    EXPECT_EQ(ListText(form->ListView.Handle(), 0, 0), " 14.10.2016 9:05:11");
    EXPECT_EQ(ListText(form->ListView.Handle(), 0, 1), "DOMAIN\\user1");
    EXPECT_EQ(ListText(form->ListView.Handle(), 1, 2), "10.0.0.16");
    EXPECT_EQ(StatusText(form->StatusBar1, 1), "Записей отобрано: 2");
    EXPECT_FALSE(IsWindowVisible(form->LabelWait));
    EXPECT_TRUE(IsWindowEnabled(form->btnStart1));
    EXPECT_EQ(GetFocus(), form->ListView.Handle());
    // The stand-in ran, with the command line as built and the executable's folder as its directory.
    const std::string folder = Narrow(ExecutableFolder());
    EXPECT_EQ(SeenByStandIn(), tsquery::BuildCommandLine("192.168.0.10", "14.10.2016") + "|" +
                                   folder.substr(0, folder.size() - 1));
    EXPECT_TRUE(prompter.messages.empty());
}

TEST_F(ServerTabTest, RussianOutputInCodePage866BecomesRowsWithTheWholeUserName)
{
    WriteStandIn(RussianBlock("14.10.2016 9:05:11", "ДОМЕН\\Иванов", "10.0.0.15"));
    ASSERT_TRUE(RunQuery("server-1"));
    PumpFor(50ms);
    ASSERT_EQ(ListCount(form->ListView.Handle()), 1);
    EXPECT_EQ(ListText(form->ListView.Handle(), 0, 1), "ДОМЕН\\Иванов");
    EXPECT_EQ(ListText(form->ListView.Handle(), 0, 2), "10.0.0.15");
}

TEST_F(ServerTabTest, FirstLineFailuresShowTheirMessageAndNoCount)
{
    form->SetStatusText(form->StatusBar1, 1, "Записей отобрано: 7");
    WriteStandIn("The RPC server is unavailable. Get-WinEvent\r\nmore\r\n", 3000);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(RunQuery("srv"));
    // The child is stopped, not waited for.
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_TRUE(IsWindowVisible(form->LabelError));
    EXPECT_EQ(WindowText(form->LabelError), "Сервер srv недоступен!");
    EXPECT_EQ(StatusText(form->StatusBar1, 1), "Записей отобрано: 7");
    EXPECT_TRUE(IsWindowEnabled(form->btnStart1));
    EXPECT_FALSE(IsWindowVisible(form->LabelWait));

    WriteStandIn("Get-WinEvent : No events were found\r\n");
    ASSERT_TRUE(RunQuery("srv2"));
    EXPECT_EQ(WindowText(form->LabelError), "Сервер srv2 не является сервером терминалов Windows!");
    EXPECT_TRUE(IsWindowVisible(form->LabelError));
}

TEST_F(ServerTabTest, EmptyFirstLineFollowedByAnErrorIsParsedLikeAnyOutput)
{
    WriteStandIn("\r\nThe RPC server is unavailable.\r\n");
    ASSERT_TRUE(RunQuery("srv"));
    EXPECT_FALSE(IsWindowVisible(form->LabelError));
    EXPECT_EQ(StatusText(form->StatusBar1, 1), "Записей отобрано: 0");
}

TEST_F(ServerTabTest, AChildThatCannotStartEndsTheRun)
{
    FailingLauncher failing;
    Open(&failing);
    ASSERT_TRUE(RunQuery("srv"));
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0], "Could not execute command line!");
    EXPECT_EQ(StatusText(form->StatusBar1, 1), "Записей отобрано: 0");
    EXPECT_TRUE(IsWindowEnabled(form->btnStart1));
    EXPECT_FALSE(IsWindowVisible(form->LabelWait));
    // The timer stops at its next tick.
    PumpUntil([&] { return !form->TimerEnabled(TIMER1); }, 3s);
    EXPECT_FALSE(form->TimerEnabled(TIMER1));
}

// The program runs elevated: PowerShell is its own folder's or the system's,
// never one planted in the current folder (which the search took after the
// program's folder).
TEST(PowerShellStart, NeverTheCurrentFolders)
{
    const std::filesystem::path planted = test::FreshFolder();
    std::filesystem::copy_file(Folder() / "powershell.exe", planted / "powershell.exe");
    const std::filesystem::path previous = std::filesystem::current_path();
    std::filesystem::current_path(planted);
    tsquery::CreateProcessLauncher launcher;
    const std::wstring commandLine = Widen(tsquery::BuildCommandLine("srv", "14.10.2016"));
    // A program folder without powershell.exe, then the test's own with the stand-in.
    for (const auto& [programFolder, ranBeside] : {std::pair{test::FreshFolder(), false},
                                                   std::pair{ExecutableFolder(), true}}) {
        WriteStandIn("");
        tsquery::PowerShellJob(launcher, commandLine, programFolder).Run();
        EXPECT_FALSE(std::filesystem::exists(planted / "standin-seen.txt"));
        EXPECT_EQ(std::filesystem::exists(Folder() / "standin-seen.txt"), ranBeside);
    }
    std::filesystem::current_path(previous);
}

TEST_F(ServerTabTest, ServerNamesAreCheckedBeforeAnyChildStarts)
{
    WriteStandIn(EnglishBlock("14.10.2016 9:05:11", "u", "a"));
    SetFocus(form->DateTimePicker1);
    SetWindowTextUtf8(form->Edit1, "");
    form->btnStart1Click();
    EXPECT_EQ(GetFocus(), form->Edit1);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_TRUE(IsWindowEnabled(form->btnStart1));

    for (const char* hostile : {"srv; calc", "srv | x", "a b", "$(x)", "srv`", "@{a}", "'srv'", "srv&x"}) {
        SetFocus(form->DateTimePicker1);
        SetWindowTextUtf8(form->Edit1, hostile);
        form->btnStart1Click();
        EXPECT_EQ(GetFocus(), form->Edit1) << hostile;
        EXPECT_TRUE(IsWindowEnabled(form->btnStart1)) << hostile;
    }
    EXPECT_EQ(prompter.messages.size(), 8u);
    EXPECT_EQ(prompter.messages[0], "Недопустимое имя сервера!");
    PumpFor(200ms);
    EXPECT_EQ(SeenByStandIn(), "|");  // no child ran
}

TEST_F(ServerTabTest, RunEndingWhileTheOtherTabShowsDoesNotMoveTheFocus)
{
    WriteStandIn(EnglishBlock("14.10.2016 9:05:11", "u", "a"), 500);
    SetWindowTextUtf8(form->Edit1, "srv");
    form->btnStart1Click();
    form->SetActivePage(1);
    form->PageControl1Change();
    ASSERT_EQ(GetFocus(), form->Edit3);
    ASSERT_TRUE(PumpUntil([&] { return form->ServerRun.QueryFinished == 1; }, 15s));
    EXPECT_EQ(GetFocus(), form->Edit3);
    EXPECT_EQ(StatusText(form->StatusBar1, 1), "Записей отобрано: 1");
    EXPECT_TRUE(IsWindowEnabled(form->btnStart1));
}

TEST_F(ServerTabTest, EnterDuringAQueryStartsNothing)
{
    WriteStandIn(EnglishBlock("14.10.2016 9:05:11", "u", "a"), 1500);
    SetWindowTextUtf8(form->Edit1, "srv");
    form->btnStart1Click();
    PumpFor(300ms);
    form->ServerRun.ElapsedSeconds = 40;
    form->Edit1KeyDown(VK_RETURN);
    EXPECT_EQ(form->ServerRun.ElapsedSeconds, 40);  // not restarted
    ASSERT_TRUE(PumpUntil([&] { return form->ServerRun.QueryFinished == 1; }, 15s));
    EXPECT_EQ(ListCount(form->ListView.Handle()), 1);
}

TEST_F(ServerTabTest, ClosingDuringAQueryStopsTheChildAndThenDestroysTheWindow)
{
    WriteStandIn(EnglishBlock("14.10.2016 9:05:11", "u", "a"), 20000);
    SetWindowTextUtf8(form->Edit1, "srv");
    form->btnStart1Click();
    PumpFor(500ms);
    const HWND window = form->Handle();
    Application::Instance().SetMainForm(nullptr);  // no WM_QUIT for the test program
    const auto start = std::chrono::steady_clock::now();
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

}  // namespace
}  // namespace tav

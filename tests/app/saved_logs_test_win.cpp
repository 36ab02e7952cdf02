// Both tabs on saved logs under Wine: the rows equal what the command-line
// tool (tavelin.exe, the same portable core) prints for the same file.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include <gtest/gtest.h>

#include "app/application_win.h"
#include "app/unit1_win.h"
#include "base/handles_win.h"
#include "base/text_win.h"
#include "seclog/evtx_source.h"
#include "seclog/event_log_win.h"
#include "tests/samples.h"
#include "tests/win/test_support_win.h"

namespace tav {
namespace {

using namespace std::chrono_literals;
using test::ListCount;
using test::ListText;
using test::PumpFor;
using test::PumpUntil;
using test::StatusText;

std::string Sample(const char* name)
{
    return test::SamplePath(name).string();
}

// Runs tavelin.exe and gives its standard output.
std::string RunTool(const std::string& arguments)
{
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return {};
    UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writer.Get();
    startup.hStdError = writer.Get();
    std::wstring commandLine = Widen("\"Z:" TAVELIN_TOOL "\" " + arguments);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return {};
    UniqueHandle processHandle(process.hProcess);
    UniqueHandle threadHandle(process.hThread);
    writer.Reset();
    std::string output;
    char chunk[4096];
    DWORD read = 0;
    while (ReadFile(reader.Get(), chunk, sizeof chunk, &read, nullptr) && read > 0)
        output.append(chunk, read);
    WaitForSingleObject(process.hProcess, INFINITE);
    return output;
}

// The CSV lines of the tool, header first, without their CR LF.
std::vector<std::string> CsvLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    return lines;
}

std::string RowLine(HWND list, int row, int firstColumn, int lastColumn)
{
    std::string line;
    for (int column = firstColumn; column <= lastColumn; ++column)
        line += (column == firstColumn ? "" : ";") + ListText(list, row, column);
    return line;
}

class SavedLogsTest : public testing::Test {
protected:
    void SetUp() override
    {
        form = std::make_unique<TForm1>(FormSeams{.prompter = &prompter,
                                                  .eventLogs = &live,
                                                  .savedLogs = &saved,
                                                  .settingsPath = test::FreshSettingsPath()});
        ASSERT_TRUE(form->Create(Application::Instance().Handle()));
        form->Show(SW_SHOW);
        PumpFor(30ms);
    }
    void TearDown() override { form.reset(); }

    seclog::EventLogOpener live;
    seclog::LegacyFileOpener saved;
    test::RecordingPrompter prompter;
    std::unique_ptr<TForm1> form;
};

TEST_F(SavedLogsTest, WorkstationTabListsASavedSecurityLogAsTheToolDoes)
{
    const std::string path = Sample("belkasoft-win10-Security.evtx");
    SetWindowTextUtf8(form->Edit3, path);
    form->BtnStart2Click();
    PumpFor(30ms);
    EXPECT_FALSE(IsWindowVisible(form->LabelError));

    // The log holds the events of two machines, so the tool adds a Computer column: the list is the rest.
    std::vector<std::string> tool = CsvLines(RunTool("logons --format csv --encoding utf-8 \"" + path + "\""));
    ASSERT_GT(tool.size(), 1u);
    EXPECT_EQ(tool[0].rfind("Computer;", 0), 0u);
    for (std::string& line : tool)
        line.erase(0, line.find(';') + 1);
    const HWND list = form->ListView1.Handle();
    ASSERT_GT(tool.size(), 1u);
    ASSERT_EQ(static_cast<std::size_t>(ListCount(list)), tool.size() - 1);
    EXPECT_EQ(tool[0], "Date;User Name;Logon From;Connection Type");
    for (int row = 0; row < ListCount(list); ++row)
        ASSERT_EQ(RowLine(list, row, 1, 4), tool[static_cast<std::size_t>(row) + 1]) << "row " << row;
    EXPECT_EQ(StatusText(form->StatusBar2, 1), "Записей отобрано: " + std::to_string(ListCount(list)));

    // The detail view reads the row's record from the same file.
    form->ListView1.Select(0);
    form->listview1DblClick();
    ASSERT_EQ(prompter.messages.size(), 1u);
    std::string expected;
    std::istringstream lines(RunTool("record \"" + path + "\" " + ListText(list, 0, 0)));
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        expected += line + "\r";
    }
    EXPECT_EQ(prompter.messages[0], expected);
}

TEST_F(SavedLogsTest, UnreadableFileIsReportedAndTheEarlierRowsStay)
{
    const std::filesystem::path junk = tav::test::ScratchRoot() / "not-a-log.evtx";
    std::ofstream(junk, std::ios::binary) << "not an event log at all";
    form->ListView1.Append({"1", {"kept"}});
    const std::string path = Narrow(junk.wstring());
    SetWindowTextUtf8(form->Edit3, path);
    form->BtnStart2Click();
    PumpFor(30ms);
    EXPECT_TRUE(IsWindowVisible(form->LabelError));
    EXPECT_EQ(WindowText(form->LabelError), "Невозможно открыть файл журнала: " + path);
    EXPECT_EQ(ListCount(form->ListView1.Handle()), 1);
    std::filesystem::remove(junk);
}

TEST_F(SavedLogsTest, TerminalServerTabListsSessionLogonsOfASavedLogAsTheToolDoes)
{
    const std::string path = Sample("belkasoft-win10-LSM-Operational.evtx");
    SYSTEMTIME start{2000, 1, 6, 1, 0, 0, 0, 0};
    SendMessageW(form->DateTimePicker1, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&start));
    SetWindowTextUtf8(form->Edit1, path);
    form->btnStart1Click();
    ASSERT_TRUE(PumpUntil([&] { return form->ServerRun.QueryFinished == 1; }, 20s));
    PumpFor(30ms);
    EXPECT_TRUE(prompter.messages.empty());  // a path is no bad server name

    const std::vector<std::string> tool =
        CsvLines(RunTool("sessions --format csv --encoding utf-8 --since 2000-01-01 \"" + path + "\""));
    const HWND list = form->ListView.Handle();
    ASSERT_EQ(tool.size(), 19u);  // the header and 18 logons
    ASSERT_EQ(ListCount(list), 18);
    for (int row = 0; row < 18; ++row)
        EXPECT_EQ(RowLine(list, row, 0, 2), tool[static_cast<std::size_t>(row) + 1]) << "row " << row;
    EXPECT_EQ(StatusText(form->StatusBar1, 1), "Записей отобрано: 18");

    // A start date after every logon leaves the list empty.
    SYSTEMTIME late{2099, 1, 4, 1, 0, 0, 0, 0};
    SendMessageW(form->DateTimePicker1, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&late));
    form->btnStart1Click();
    ASSERT_TRUE(PumpUntil([&] { return form->ServerRun.QueryFinished == 1; }, 20s));
    EXPECT_EQ(StatusText(form->StatusBar1, 1), "Записей отобрано: 0");
}

}  // namespace
}  // namespace tav

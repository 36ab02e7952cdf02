// CSV export of both result lists under Wine: the buttons' clicks through
// the window procedure, the save dialog answered by a stand-in or driven
// from a second thread, the written bytes read back.
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "app/unit1_win.h"
#include "base/text_win.h"
#include "listtools/export_win.h"
#include "tests/win/test_support_win.h"

#include <commdlg.h>
#include <dlgs.h>

namespace tav {
namespace {

using namespace std::chrono_literals;
using test::ClickButton;
using test::ClickColumn;
using test::FileBytes;
using test::ListCount;
using test::PumpUntil;

// Answers the save dialog with a path, or cancels.
class AnsweringDialog final : public SaveDialog {
public:
    std::optional<std::wstring> Ask(HWND) override
    {
        ++asked;
        return answer;
    }
    std::optional<std::wstring> answer;
    int asked = 0;
};

std::string Ansi(const std::string& utf8)
{
    return ToCodePage(utf8, 1251);
}

class ExportTest : public testing::Test {
protected:
    void SetUp() override
    {
        folder = test::FreshFolder();
        ASSERT_FALSE(folder.empty());
        path = folder + L"out.csv";
        dialog.answer = path;
        Open(&dialog);
    }
    void TearDown() override { test::DestroyForm(form); }
    void Open(SaveDialog* use)
    {
        test::DestroyForm(form);
        form = test::ShowForm({.prompter = &prompter, .saveDialog = use, .settingsPath = test::FreshSettingsPath()});
        ASSERT_NE(form, nullptr);
    }
    void Fill(ResultList& list, std::initializer_list<ResultRow> rows)
    {
        for (const ResultRow& row : rows)
            list.Append(row);
        ASSERT_TRUE(PumpUntil([&] { return ListCount(list.Handle()) == static_cast<int>(rows.size()); }));
    }
    void FillServer()
    {
        Fill(form->ListView, {{" 14.10.2016 9:05:11", {"DOMAIN\\user1", "10.0.0.15"}},
                              {" 13.10.2016 18:00:01", {"ДОМЕН\\Пользователь", "10.0.0.16"}}});
    }
    void ExpectDone()
    {
        EXPECT_EQ(prompter.messages, std::vector<std::string>{"Выгрузка выполнена!"});
        EXPECT_TRUE(prompter.errors.empty());
    }

    std::wstring folder;
    std::wstring path;
    AnsweringDialog dialog;
    test::RecordingPrompter prompter;
    std::unique_ptr<TForm1> form;
};

TEST_F(ExportTest, ServerListWritesHeaderAndRowsInTheAnsiCodePage)
{
    FillServer();
    ClickButton(form->Handle(), form->BtnXLS);
    EXPECT_EQ(dialog.asked, 1);
    ExpectDone();
    EXPECT_EQ(FileBytes(path), Ansi("Date;User Name;Login From\r\n"
                                    " 14.10.2016 9:05:11;DOMAIN\\user1;10.0.0.15\r\n"
                                    " 13.10.2016 18:00:01;ДОМЕН\\Пользователь;10.0.0.16\r\n"));
}

TEST_F(ExportTest, WorkstationListWritesFourFieldsWithoutTheRecordNumber)
{
    Fill(form->ListView1, {{"4711", {"14.10.2016 9:05:11", "user1", "PC1", "Локальный вход"}},
                           {"4712", {"14.10.2016 9:06:00", "user2", "10.0.0.3", "Сетевой вход"}}});
    ClickButton(form->Handle(), form->Button1);
    ExpectDone();
    const std::string bytes = FileBytes(path);
    EXPECT_EQ(bytes, Ansi("Date;User Name;Logon From;Connection Type\r\n"
                          "14.10.2016 9:05:11;user1;PC1;Локальный вход\r\n"
                          "14.10.2016 9:06:00;user2;10.0.0.3;Сетевой вход\r\n"));
    // One byte a letter: "Локальный вход" in code page 1251.
    EXPECT_NE(bytes.find("\xCB\xEE\xEA\xE0\xEB\xFC\xED\xFB\xE9 \xE2\xF5\xEE\xE4\r\n"), std::string::npos);
}

TEST_F(ExportTest, FieldsWithSemicolonsOrQuotesAreQuotedAndAnExistingFileIsReplaced)
{
    test::WriteFileBytes(path, std::string(4096, 'x'));
    Fill(form->ListView, {{" 14.10.2016 9:05:11", {"a;b", "say \"hi\""}}});
    ClickButton(form->Handle(), form->BtnXLS);
    ExpectDone();
    EXPECT_EQ(FileBytes(path), "Date;User Name;Login From\r\n 14.10.2016 9:05:11;\"a;b\";\"say \"\"hi\"\"\"\r\n");
}

TEST_F(ExportTest, ExportFollowsTheSortedRowsAndTheStoredColumnOrder)
{
    FillServer();
    ClickColumn(form->Handle(), form->ListView.Handle(), 0);
    int order[] = {2, 0, 1};
    ASSERT_TRUE(SendMessageW(form->ListView.Handle(), LVM_SETCOLUMNORDERARRAY, 3, reinterpret_cast<LPARAM>(order)));
    ClickButton(form->Handle(), form->BtnXLS);
    ExpectDone();
    EXPECT_EQ(FileBytes(path), Ansi("Date;User Name;Login From\r\n"
                                    " 13.10.2016 18:00:01;ДОМЕН\\Пользователь;10.0.0.16\r\n"
                                    " 14.10.2016 9:05:11;DOMAIN\\user1;10.0.0.15\r\n"));
}

TEST_F(ExportTest, CancelWritesNothingAndShowsNothing)
{
    FillServer();
    dialog.answer.reset();
    ClickButton(form->Handle(), form->BtnXLS);
    EXPECT_EQ(dialog.asked, 1);
    EXPECT_TRUE(prompter.messages.empty());
    EXPECT_TRUE(prompter.errors.empty());
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ExportTest, EmptyListSaysSoAndOpensNoDialog)
{
    for (HWND button : {form->BtnXLS, form->Button1}) {
        prompter.messages.clear();
        ClickButton(form->Handle(), button);
        EXPECT_EQ(prompter.messages, std::vector<std::string>{"Нет данных для выгрузки!"});
    }
    EXPECT_EQ(dialog.asked, 0);
    EXPECT_TRUE(prompter.errors.empty());
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ExportTest, PathThatCannotBeCreatedShowsTheStandardError)
{
    FillServer();
    Fill(form->ListView1, {{"1", {"14.10.2016 9:05:11", "user1", "PC1", "Локальный вход"}}});
    const std::wstring unreachable = folder + L"missing\\out.csv";
    dialog.answer = unreachable;
    for (HWND button : {form->BtnXLS, form->Button1}) {
        prompter.errors.clear();
        ClickButton(form->Handle(), button);
        EXPECT_EQ(prompter.errors, std::vector<std::string>{"Cannot create file \"" + Narrow(unreachable) + "\". " +
                                                            ErrorText(ERROR_PATH_NOT_FOUND)});
    }
    EXPECT_TRUE(prompter.messages.empty());
}

// What the second thread saw of the real save dialog.
struct DialogSeen {
    bool found = false;
    std::string title;
    std::wstring folder;
};

HWND VisibleDialogOfThisProcess()
{
    HWND found = nullptr;
    EnumWindows(
        [](HWND window, LPARAM result) {
            DWORD process = 0;
            GetWindowThreadProcessId(window, &process);
            wchar_t name[16] = {};
            GetClassNameW(window, name, static_cast<int>(std::size(name)));
            if (process != GetCurrentProcessId() || lstrcmpW(name, L"#32770") != 0 || !IsWindowVisible(window))
                return TRUE;
            *reinterpret_cast<HWND*>(result) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Waits for the dialog, notes its title and folder, types a file name without
// extension and presses OK.
void DriveSaveDialog(DialogSeen& seen, const wchar_t* fileName)
{
    HWND dialog = nullptr;
    for (int attempt = 0; attempt < 500 && dialog == nullptr; ++attempt) {
        std::this_thread::sleep_for(20ms);
        dialog = VisibleDialogOfThisProcess();
    }
    if (dialog == nullptr)
        return;
    seen.found = true;
    seen.title = WindowText(dialog);
    wchar_t folder[MAX_PATH] = {};
    SendMessageW(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder));
    seen.folder = folder;
    const int nameControl = GetDlgItem(dialog, cmb13) != nullptr ? cmb13 : edt1;
    SendMessageW(dialog, CDM_SETCONTROLTEXT, nameControl, reinterpret_cast<LPARAM>(fileName));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
}

std::wstring WithoutTrailingBackslash(std::wstring folder)
{
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();
    return folder;
}

TEST_F(ExportTest, RealDialogStartsInTheCurrentDirectoryAndAppendsTheExtension)
{
    CsvSaveDialog real;
    Open(&real);
    FillServer();
    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(folder.c_str()));

    DialogSeen seen;
    std::thread driver(DriveSaveDialog, std::ref(seen), L"exported");
    ClickButton(form->Handle(), form->BtnXLS);
    driver.join();
    SetCurrentDirectoryW(previous);

    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.title, "Выгрузка в CSV файл");
    EXPECT_EQ(lstrcmpiW(WithoutTrailingBackslash(seen.folder).c_str(), WithoutTrailingBackslash(folder).c_str()), 0)
        << Narrow(seen.folder);
    ExpectDone();
    EXPECT_EQ(FileBytes(folder + L"exported.csv").substr(0, 27), "Date;User Name;Login From\r\n");
    EXPECT_EQ(GetFileAttributesW((folder + L"exported").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace tav

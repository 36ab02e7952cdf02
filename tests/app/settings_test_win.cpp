// The settings file under Wine: read when the window is shown, written when
// it closes, through the real profile-string functions, each test with a
// file of its own in the temporary folder.
#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "app/application_win.h"
#include "app/unit1_win.h"
#include "base/text_win.h"
#include "tests/win/test_support_win.h"

namespace tav {
namespace {

using test::FileBytes;
using test::WriteFileBytes;

struct Day {
    int year, month, day;
    bool operator==(const Day&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Day& d)
{
    return out << d.day << '.' << d.month << '.' << d.year;
}

Day Today()
{
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
}

class SettingsTest : public testing::Test {
protected:
    void SetUp() override { path = test::FreshSettingsPath(); }
    void TearDown() override { test::DestroyForm(form); }
    void Open(const std::wstring& settingsPath)
    {
        test::DestroyForm(form);
        form = test::ShowForm({.prompter = &prompter, .settingsPath = settingsPath});
        ASSERT_NE(form, nullptr);
    }
    void Open() { Open(path); }
    // As the user closes the window; the test program goes on.
    void Close()
    {
        Application::Instance().SetMainForm(nullptr);
        SendMessageW(form->Handle(), WM_CLOSE, 0, 0);
    }
    Day Picker() const
    {
        SYSTEMTIME time{};
        SendMessageW(form->DateTimePicker1, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
        return {time.wYear, time.wMonth, time.wDay};
    }
    void SetPicker(Day d)
    {
        SYSTEMTIME time{};
        time.wYear = static_cast<WORD>(d.year);
        time.wMonth = static_cast<WORD>(d.month);
        time.wDay = static_cast<WORD>(d.day);
        ASSERT_TRUE(SendMessageW(form->DateTimePicker1, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time)));
    }

    std::wstring path;
    test::RecordingPrompter prompter;
    std::unique_ptr<TForm1> form;
};

TEST_F(SettingsTest, FirstStartWithoutAFile)
{
    Open();
    EXPECT_EQ(form->ActivePage(), 0);
    EXPECT_EQ(WindowText(form->Edit1), "");
    EXPECT_EQ(WindowText(form->Edit3), "");
    EXPECT_EQ(Picker(), Today());
    EXPECT_EQ(GetFocus(), form->Edit1);
    EXPECT_TRUE(prompter.errors.empty());
}

TEST_F(SettingsTest, AllFourValuesComeBackAfterClosing)
{
    Open();
    form->SetActivePage(1);
    SetWindowTextUtf8(form->Edit1, "srv-01");
    SetWindowTextUtf8(form->Edit3, "Бухгалтерия-2");
    SetPicker({2016, 10, 14});
    const HWND first = form->Handle();
    Close();
    EXPECT_FALSE(IsWindow(first));
    const std::string file = FileBytes(path);
    EXPECT_NE(file.find("page index=1\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("date=14.10.2016\r\n"), std::string::npos) << file;

    Open();
    EXPECT_EQ(form->ActivePage(), 1);
    EXPECT_TRUE(IsWindowVisible(form->TabSheet2));
    EXPECT_EQ(WindowText(form->Edit1), "srv-01");
    EXPECT_EQ(WindowText(form->Edit3), "Бухгалтерия-2");
    EXPECT_EQ(Picker(), (Day{2016, 10, 14}));
    EXPECT_EQ(GetFocus(), form->Edit3);
    EXPECT_TRUE(prompter.errors.empty());
}

TEST_F(SettingsTest, EmptyNamesAreWrittenAsEmptyValues)
{
    Open();
    Close();
    const std::string file = FileBytes(path);
    EXPECT_NE(file.find("[server]\r\nserver name=\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("[computer]\r\ncomputer name=\r\n"), std::string::npos) << file;
}

TEST_F(SettingsTest, PageIndexOneInAnyNotationOpensTheSecondTab)
{
    struct Case {
        const char* stored;
        int page;
    };
    for (const Case& c : {Case{"1", 1}, Case{"0x1", 1}, Case{"$1", 1}, Case{"abc", 0}, Case{"7", 0}}) {
        SCOPED_TRACE(c.stored);
        path = test::FreshSettingsPath();
        WriteFileBytes(path, std::string("[options]\r\npage index=") + c.stored + "\r\n");
        Open();
        EXPECT_EQ(form->ActivePage(), c.page);
        EXPECT_EQ(IsWindowVisible(form->TabSheet2) != FALSE, c.page == 1);
        EXPECT_EQ(GetFocus(), c.page == 1 ? form->Edit3 : form->Edit1);
    }
}

TEST_F(SettingsTest, StoredDateIsReadInTheCurrentShortDateFormat)
{
    struct Case {
        const char* stored;
        Day shown;
    };
    const Case cases[] = {
        {"14.10.2016", {2016, 10, 14}},
        {"01.02.2016", {2016, 2, 1}},  // written month-first elsewhere: still a valid day here
        {"2016/13/45", Today()},       // written under another format, no date here
        {"10-14-2016", Today()},
        {"01.01.1500", Today()},  // before the picker's range: the program's own check
        {"01.01.1700", Today()},  // before the picker's range: the picker refuses it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        path = test::FreshSettingsPath();
        WriteFileBytes(path, std::string("[options]\r\ndate=") + c.stored + "\r\n");
        Open();
        EXPECT_EQ(Picker(), c.shown);
    }
}

TEST_F(SettingsTest, UnknownKeysAndSectionsSurviveASave)
{
    WriteFileBytes(path, "[options]\r\nwindow state=2\r\npage index=0\r\n[other]\r\nkey=value\r\n");
    Open();
    SetWindowTextUtf8(form->Edit1, "srv");
    Close();
    const std::string file = FileBytes(path);
    EXPECT_NE(file.find("window state=2\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("[other]\r\nkey=value\r\n"), std::string::npos) << file;
    EXPECT_NE(file.find("server name=srv\r\n"), std::string::npos) << file;
}

TEST_F(SettingsTest, FileIsWrittenInTheAnsiCodePage)
{
    Open();
    SetWindowTextUtf8(form->Edit1, "Сервер-Ёж");
    Close();
    const std::string file = FileBytes(path);
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(file.front(), '[');  // no byte-order mark
    EXPECT_NE(file.find("server name=\xD1\xE5\xF0\xE2\xE5\xF0-\xA8\xE6\r\n"), std::string::npos) << file;
    Open();
    EXPECT_EQ(WindowText(form->Edit1), "Сервер-Ёж");
}

// Closes a window whose settings file cannot be written: the standard error
// box names the file and the window still closes.
class UnwritableSettingsTest : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        folder = test::FreshFolder();
        ASSERT_FALSE(folder.empty());
    }
    void ExpectReportedOnClose(const std::wstring& unwritable)
    {
        Open(unwritable);
        SetWindowTextUtf8(form->Edit1, "srv");
        const HWND window = form->Handle();
        Close();
        EXPECT_EQ(prompter.errors, std::vector<std::string>{"Unable to write to " + Narrow(unwritable)});
        EXPECT_FALSE(IsWindow(window));
    }
    static constexpr char kContent[] = "[options]\r\npage index=0\r\n";
    std::wstring folder;
};

TEST_F(UnwritableSettingsTest, FolderThatDoesNotExist)
{
    ExpectReportedOnClose(folder + L"missing\\settings.ini");
}

TEST_F(UnwritableSettingsTest, FileHeldOpenWithoutWriteSharing)
{
    const std::wstring held = folder + L"settings.ini";
    WriteFileBytes(held, kContent);
    const HANDLE handle = CreateFileW(held.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    ExpectReportedOnClose(held);
    CloseHandle(handle);
    EXPECT_EQ(FileBytes(held), kContent);
}

TEST_F(UnwritableSettingsTest, ReadOnlyFile)
{
    const std::wstring readOnly = folder + L"settings.ini";
    WriteFileBytes(readOnly, kContent);
    ASSERT_TRUE(SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
    // Wine maps the attribute to the Unix write permission, which does not
    // bind the superuser.
    const HANDLE probe = CreateFileW(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        CloseHandle(probe);
        SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
        GTEST_SKIP() << "read-only files can be written here (Wine run by the superuser)";
    }
    ExpectReportedOnClose(readOnly);
    SetFileAttributesW(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(FileBytes(readOnly), kContent);
}

}  // namespace
}  // namespace tav

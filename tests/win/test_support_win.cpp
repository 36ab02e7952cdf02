#include "tests/win/test_support_win.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "app/application_win.h"
#include "base/datetime.h"
#include "base/datetime_win.h"
#include "base/system_dlls_win.h"
#include "base/text_win.h"

namespace tav::test {

bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        Application::Instance().ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

void PumpFor(std::chrono::milliseconds duration)
{
    PumpUntil([] { return false; }, duration);
}

std::string ListText(HWND list, int row, int column)
{
    wchar_t text[1024] = {};
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = static_cast<int>(std::size(text));
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return Narrow(text);
}

int ListCount(HWND list)
{
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

std::string StatusText(HWND statusBar, int panel)
{
    wchar_t text[512] = {};
    SendMessageW(statusBar, SB_GETTEXTW, static_cast<WPARAM>(panel), reinterpret_cast<LPARAM>(text));
    return Narrow(text);
}

RECT RectInParent(HWND control)
{
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

std::unique_ptr<TForm1> ShowForm(FormSeams seams)
{
    auto form = std::make_unique<TForm1>(std::move(seams));
    if (!form->Create(Application::Instance().Handle()))
        return nullptr;
    Application::Instance().SetMainForm(form->Handle());
    form->Show(SW_SHOW);
    PumpFor(std::chrono::milliseconds(20));
    return form;
}

void DestroyForm(std::unique_ptr<TForm1>& form)
{
    Application::Instance().SetMainForm(nullptr);
    form.reset();
}

std::wstring FreshSettingsPath()
{
    wchar_t folder[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, folder);
    static int counter = 0;
    const std::wstring path = std::wstring(folder) + L"tavelin-test-" + std::to_wstring(GetCurrentProcessId()) +
                              L"-" + std::to_wstring(++counter) + L".ini";
    DeleteFileW(path.c_str());
    return path;
}

std::wstring FreshFolder()
{
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    static int counter = 0;
    for (;;) {
        const std::wstring folder = std::wstring(temp) + L"tavelin-test-" + std::to_wstring(GetCurrentProcessId()) +
                                    L"-d" + std::to_wstring(++counter) + L"\\";
        if (CreateDirectoryW(folder.c_str(), nullptr))
            return folder;
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return {};
    }
}

std::string FileBytes(const std::wstring& path)
{
    std::ifstream file(std::filesystem::path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    std::ofstream(std::filesystem::path(path), std::ios::binary | std::ios::trunc) << bytes;
}

void ClickColumn(HWND form, HWND list, int column)
{
    NMLISTVIEW click{};
    click.hdr = {list, static_cast<UINT_PTR>(GetDlgCtrlID(list)), static_cast<UINT>(LVN_COLUMNCLICK)};
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageW(form, WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
}

void ClickButton(HWND form, HWND button)
{
    SendMessageW(form, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED), reinterpret_cast<LPARAM>(button));
}

void RecordingPrompter::ShowMessage(HWND, std::string_view text)
{
    messages.emplace_back(text);
    if (onShow)
        onShow();
}

void RecordingPrompter::ShowError(HWND, std::string_view text)
{
    errors.emplace_back(text);
    if (onShow)
        onShow();
}

}  // namespace tav::test

// The test programs' main: common controls and the application object, as
// the program's own entry point sets them up.
int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    tav::LoadDllsFromSystem32Only();
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_TAB_CLASSES};
    tav::Libraries().InitCommonControlsEx(&controls);
    tav::Application::Instance().Initialize("Users Tavelin");
    tav::SetCurrentFormats(tav::ReadUserDateTimeFormats());
    return RUN_ALL_TESTS();
}

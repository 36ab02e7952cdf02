// A uxtheme.dll planted beside the program under Windows' search order
// (Wine's per-program override "native,builtin" gives it): the program does
// not load it, and its window works.
#include <chrono>
#include <filesystem>

#include <gtest/gtest.h>

#include "base/handles_win.h"
#include "base/text_win.h"
#include "tests/win/test_support_win.h"

namespace tav {
namespace {

using namespace std::chrono_literals;

HWND MainWindowOf(DWORD processId)
{
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId, nullptr};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto& s = *reinterpret_cast<Search*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t className[32] = {};
            GetClassNameW(window, className, 32);
            if (owner == s.processId && std::wstring(className) == L"TForm1" && IsWindowVisible(window))
                s.found = window;
            return s.found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST(PlantedDll, AUxthemeBesideTheProgramIsNotLoaded)
{
    const std::filesystem::path folder = test::FreshFolder();
    std::filesystem::copy_file("Z:" TAVELIN_PROGRAM, folder / "UsersTavelin.exe");
    std::filesystem::copy_file("Z:" TAVELIN_STANDIN, folder / "uxtheme.dll");
    const wchar_t overrides[] = L"Software\\Wine\\AppDefaults\\UsersTavelin.exe\\DllOverrides";
    const wchar_t nativeFirst[] = L"native,builtin";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, overrides, L"uxtheme", REG_SZ, nativeFirst, sizeof nativeFirst),
              ERROR_SUCCESS);

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    std::wstring commandLine = L"\"" + (folder / "UsersTavelin.exe").wstring() + L"\"";
    ASSERT_TRUE(CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               folder.wstring().c_str(), &startup, &process));
    UniqueHandle child(process.hProcess);
    UniqueHandle childThread(process.hThread);
    HWND window = nullptr;
    test::PumpUntil([&] { return (window = MainWindowOf(process.dwProcessId)) != nullptr; }, 20s);
    EXPECT_FALSE(std::filesystem::exists(folder / "uxtheme-loaded.txt"));
    ASSERT_NE(window, nullptr);
    // The window answers, and closes as the user closes it.
    EXPECT_EQ(WindowText(window), "Get Tavelin");
    EXPECT_NE(FindWindowExW(window, nullptr, L"TavelinPanel", nullptr), nullptr);
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(child.Get(), 20000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(child.Get(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
    RegDeleteKeyW(HKEY_CURRENT_USER, overrides);
}

}  // namespace
}  // namespace tav

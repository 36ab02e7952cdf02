// Keeps Wine's desktop process up for a whole test run, so that it is not
// started (and does not inherit a test's output pipe) by the first test.
// Once its window exists (and with it the desktop) it creates the file named
// on its command line, for the script that waits for it.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR readyFile, int)
{
    const HWND window = CreateWindowExW(0, L"STATIC", L"keepalive", WS_POPUP, 0, 0, 1, 1,
                                        nullptr, nullptr, nullptr, nullptr);
    if (window == nullptr)
        return 1;
    if (readyFile != nullptr && *readyFile != L'\0')
        CloseHandle(CreateFileW(readyFile, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

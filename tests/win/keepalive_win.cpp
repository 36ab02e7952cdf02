// Keeps Wine's desktop process up for a whole test run, so that it is not
// started (and does not inherit a test's output pipe) by the first test.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const HWND window = CreateWindowExW(0, L"STATIC", L"keepalive", WS_POPUP, 0, 0, 1, 1,
                                        nullptr, nullptr, nullptr, nullptr);
    if (window == nullptr)
        return 1;
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        DispatchMessageW(&msg);
    return 0;
}

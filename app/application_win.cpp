#include "app/application_win.h"

#include <utility>

#include "base/app_messages.h"
#include "base/prompter_win.h"
#include "base/text_win.h"
#include "base/window_instance_win.h"

namespace tav {

Application& Application::Instance()
{
    static Application application;
    return application;
}

void Application::Initialize(const std::string& title)
{
    title_ = title;
    if (window_ != nullptr) {
        SetWindowTextUtf8(window_, title);
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = InstanceWindowProc<&Application::HandleMessage>;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.hIcon = LoadIconW(windowClass.hInstance, MAKEINTRESOURCEW(1));
    windowClass.lpszClassName = L"TavelinApplication";
    RegisterClassExW(&windowClass);
    // A zero-size window at the screen's centre: it only carries the task-bar
    // button and owns the main window, which therefore has no button of its own.
    window_ = CreateWindowExW(0, windowClass.lpszClassName, Widen(title).c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2,
                              0, 0, nullptr, nullptr, windowClass.hInstance, this);
    SetWindowsHookExW(WH_MSGFILTER, MessageFilterProc, nullptr, GetCurrentThreadId());
}

LRESULT CALLBACK Application::MessageFilterProc(int code, WPARAM wParam, LPARAM lParam)
{
    // Message boxes (DS_NOIDLEMSG) send no WM_ENTERIDLE, but every modal loop
    // shows each message it takes to this hook before handling it. The main
    // window's messages come from Run's own loop, which has its idle moment.
    Application& self = Instance();
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code >= 0 && message != nullptr && message->message != WM_APP_IDLE_NOTE && !self.idleNotePosted_ &&
        (self.mainForm_ == nullptr || GetAncestor(message->hwnd, GA_ROOT) != self.mainForm_))
        self.idleNotePosted_ = PostMessageW(self.window_, WM_APP_IDLE_NOTE, 0, 0) != FALSE;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT Application::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Guarded(window, nullptr, [&]() -> LRESULT {
        switch (message) {
        case WM_CLOSE:
            if (mainForm_ != nullptr)
                PostMessageW(mainForm_, WM_CLOSE, 0, 0);
            return 0;
        case WM_APP_IDLE_NOTE: {
            idleNotePosted_ = false;
            MSG waiting;
            if (!PeekMessageW(&waiting, nullptr, 0, 0, PM_NOREMOVE))
                RunIdleHandlers();
            return 0;
        }
        case WM_SETFOCUS:
            // Activating the task-bar button activates the main window.
            if (mainForm_ != nullptr && IsWindowVisible(mainForm_) && IsWindowEnabled(mainForm_))
                SetActiveWindow(mainForm_);
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
        }
    });
}

void Application::Dispatch(MSG& message)
{
    try {
        if (mainForm_ != nullptr && GetAncestor(message.hwnd, GA_ROOT) == mainForm_ &&
            IsDialogMessageW(mainForm_, &message))
            return;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    } catch (...) {
        ShowUncaught(mainForm_);
    }
}

int Application::Run()
{
    MSG message;
    for (;;) {
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE))
            RunIdleHandlers();
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1)
            return got == 0 ? static_cast<int>(message.wParam) : 1;
        Dispatch(message);
    }
}

bool Application::ProcessMessages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        Dispatch(message);
    }
    return true;
}

std::size_t Application::AddIdleHandler(std::function<void()> handler)
{
    idleHandlers_.emplace_back(nextIdleHandler_, std::move(handler));
    return nextIdleHandler_++;
}

void Application::RemoveIdleHandler(std::size_t id)
{
    std::erase_if(idleHandlers_, [id](const auto& entry) { return entry.first == id; });
}

void Application::RunIdleHandlers()
{
    // A copy: a handler may add or remove handlers.
    const auto handlers = idleHandlers_;
    for (const auto& [id, handler] : handlers)
        handler();
}

}  // namespace tav

// The application object: its title (the task-bar text, on a hidden owner
// window as the task-bar button), the message loop with its idle moment, and
// the processing of pending messages that long work on the user-interface
// thread calls to keep the window responsive.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "base/win32.h"

namespace tav {

class Application {
public:
    static Application& Instance();

    // Creates the owner window that carries the title in the task bar.
    void Initialize(const std::string& title);
    const std::string& Title() const { return title_; }
    HWND Handle() const { return window_; }

    // The window whose keyboard navigation (Tab, arrows) the loop handles.
    void SetMainForm(HWND form) { mainForm_ = form; }
    HWND MainForm() const { return mainForm_; }

    // Runs until WM_QUIT.
    int Run();
    // Handles every message now waiting, then returns. Returns false when
    // WM_QUIT arrived (it is posted again for the outer loop).
    bool ProcessMessages();

    // Called at each idle moment of the loop (no message waiting), of modal
    // loops that announce it (WM_ENTERIDLE), and of those that do not (message
    // boxes): after a message such a loop took, once nothing else waits.
    // Returns an id for removal.
    std::size_t AddIdleHandler(std::function<void()> handler);
    void RemoveIdleHandler(std::size_t id);

    // An application-wide cursor that every window of the program shows
    // (nullptr: each window's own).
    void SetCursorOverride(HCURSOR cursor) { cursorOverride_ = cursor; }
    HCURSOR CursorOverride() const { return cursorOverride_; }

    void RunIdleHandlers();

private:
    Application() = default;
    void Dispatch(MSG& message);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK MessageFilterProc(int code, WPARAM wParam, LPARAM lParam);

    std::string title_;
    HWND window_ = nullptr;
    HWND mainForm_ = nullptr;
    HCURSOR cursorOverride_ = nullptr;
    std::vector<std::pair<std::size_t, std::function<void()>>> idleHandlers_;
    std::size_t nextIdleHandler_ = 1;
    bool idleNotePosted_ = false;
};

}  // namespace tav

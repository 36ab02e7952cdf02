// Message boxes, behind a seam so tests can answer them.
#pragma once

#include <string>
#include <string_view>

#include "base/win32.h"

namespace tav {

class Prompter {
public:
    virtual ~Prompter() = default;
    // The plain modal box: OK button, the application title as caption.
    virtual void ShowMessage(HWND owner, std::string_view text) = 0;
    // The program's standard error box: the same with the error icon.
    virtual void ShowError(HWND owner, std::string_view text) = 0;
};

// No exception may leave a window procedure, a subclass procedure or the
// message loop: one that would ends in the standard error box, with its
// text, and the program goes on. `prompter` shows the box; nullptr: the
// program's own, which the entry point sets.
void SetProgramPrompter(Prompter* prompter);
// Call only inside a catch block.
void ShowUncaught(HWND owner, Prompter* prompter = nullptr) noexcept;

// Runs a procedure's work; when it throws, ShowUncaught, and the message's
// result is 0.
template <typename Work>
LRESULT Guarded(HWND owner, Prompter* prompter, Work&& work) noexcept
{
    try {
        return work();
    } catch (...) {
        ShowUncaught(owner, prompter);
        return 0;
    }
}

class WinPrompter final : public Prompter {
public:
    explicit WinPrompter(std::string title) : title_(std::move(title)) {}
    void ShowMessage(HWND owner, std::string_view text) override;
    void ShowError(HWND owner, std::string_view text) override;

private:
    std::string title_;
};

}  // namespace tav

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

class WinPrompter final : public Prompter {
public:
    explicit WinPrompter(std::string title) : title_(std::move(title)) {}
    void ShowMessage(HWND owner, std::string_view text) override;
    void ShowError(HWND owner, std::string_view text) override;

private:
    std::string title_;
};

}  // namespace tav

#include "base/prompter_win.h"

#include <exception>
#include <string>

#include "base/text_win.h"

namespace tav {
namespace {

Prompter* programPrompter = nullptr;

}  // namespace

void SetProgramPrompter(Prompter* prompter)
{
    programPrompter = prompter;
}

void ShowUncaught(HWND owner, Prompter* prompter) noexcept
{
    Prompter* const box = prompter != nullptr ? prompter : programPrompter;
    try {
        std::string text = "Unknown error";
        try {
            throw;
        } catch (const std::exception& error) {
            text = error.what();
        } catch (...) {
        }
        if (box != nullptr)
            box->ShowError(owner, text);
    } catch (...) {
        // Not even the box could be shown: the program still goes on.
    }
}

void WinPrompter::ShowMessage(HWND owner, std::string_view text)
{
    MessageBoxW(owner, Widen(text).c_str(), Widen(title_).c_str(), MB_OK);
}

void WinPrompter::ShowError(HWND owner, std::string_view text)
{
    MessageBoxW(owner, Widen(text).c_str(), Widen(title_).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace tav

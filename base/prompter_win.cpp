#include "base/prompter_win.h"

#include "base/text_win.h"

namespace tav {

void WinPrompter::ShowMessage(HWND owner, std::string_view text)
{
    MessageBoxW(owner, Widen(text).c_str(), Widen(title_).c_str(), MB_OK);
}

void WinPrompter::ShowError(HWND owner, std::string_view text)
{
    MessageBoxW(owner, Widen(text).c_str(), Widen(title_).c_str(), MB_OK | MB_ICONERROR);
}

}  // namespace tav

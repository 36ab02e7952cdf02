// TAltCueFix (unit AltCueFixUnit): has every form of the application drawn
// afresh after Windows changed its keyboard-cue state (WM_UPDATEUISTATE, sent
// for example when the user presses Alt), so that accelerator underlines and
// focus rectangles show correctly on themed Windows. The repaint happens at
// the next idle moment of the message loop, once per form, not inside the
// message handling.
//
// Toolkit terms, in Win32: a form is a top-level window of the user-interface
// thread that is one of the program's windows or a dialog (message boxes
// included); a windowed control is any child window; a button control is a
// push button, check box or radio button; a bitmap button is an owner-drawn,
// bitmap or icon button; a tab sheet is a page window directly inside a tab
// control, its page index being its place among the tab control's children
// of its window class.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "base/win32.h"

namespace tav {

class TAltCueFix {
public:
    // The platform test: Windows 6.0 or later, themes in use, common
    // controls 6 or later.
    static bool PlatformSupported();

    // `active`: whether the platform test passed; tests can force it.
    explicit TAltCueFix(bool active = PlatformSupported());
    // Unhooks every form that still exists.
    ~TAltCueFix();
    TAltCueFix(const TAltCueFix&) = delete;
    TAltCueFix& operator=(const TAltCueFix&) = delete;

    // The repaint mode given to forms hooked from now on: true repaints every
    // windowed control, false only the button controls of the shown tab.
    bool RepaintAll() const { return repaintAll_; }
    void SetRepaintAll(bool value) { repaintAll_ = value; }

    bool Active() const { return active_; }
    // The idle pass; the message loop calls it when no message is waiting.
    void AppIdle();

    // How a control is repainted; tests replace it to count repaints.
    std::function<void(HWND)> Repaint = [](HWND control) {
        InvalidateRect(control, nullptr, TRUE);
        UpdateWindow(control);
    };

    // One hooked form; it subclasses the form to see its messages.
    struct TFormObj {
        HWND HookedForm = nullptr;
        bool Seen = false;
        bool RepaintPending = false;
        bool RepaintEverything = true;
        LRESULT FormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    };
    const std::vector<std::unique_ptr<TFormObj>>& Hooks() const { return FHooks; }

private:
    void Hook(HWND form);
    void RepaintIfPending(TFormObj& entry);
    void RepaintWinControls(HWND control);
    void RepaintButtons(HWND control);

    const bool active_;
    bool repaintAll_ = true;
    std::vector<std::unique_ptr<TFormObj>> FHooks;
    std::size_t idleHandler_ = 0;
};

}  // namespace tav

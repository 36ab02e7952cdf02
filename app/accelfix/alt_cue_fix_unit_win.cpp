#include "app/accelfix/alt_cue_fix_unit_win.h"

#include <shlwapi.h>

#include <algorithm>

#include "app/application_win.h"
#include "base/prompter_win.h"
#include "base/system_dlls_win.h"
#include "base/window_instance_win.h"

namespace tav {
namespace {

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = {};
    GetClassNameW(window, name, static_cast<int>(std::size(name)));
    return name;
}

// The program's own forms and the dialogs it shows (message boxes, the save dialog).
bool IsForm(HWND window)
{
    if (window == Application::Instance().Handle())
        return false;
    const std::wstring name = ClassOf(window);
    return name == L"TForm1" || name == L"#32770";
}

std::vector<HWND> ApplicationForms()
{
    std::vector<HWND> forms;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM list) {
            if (IsForm(window))
                reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&forms));
    return forms;
}

bool IsButtonControl(HWND control, bool& bitmap)
{
    if (ClassOf(control) != L"Button")
        return false;
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    bitmap = (style & (BS_BITMAP | BS_ICON)) != 0 || (style & BS_TYPEMASK) == BS_OWNERDRAW;
    switch (style & BS_TYPEMASK) {
    case BS_GROUPBOX:
    case BS_USERBUTTON:
        return false;
    default:
        return true;
    }
}

// A tab sheet other than the one its tab control shows. The tab control's
// own scroll arrows (an up-down child it creates while its tabs do not fit)
// are no page: only siblings of the sheet's window class count.
bool IsHiddenTabSheet(HWND control)
{
    const HWND tabs = GetParent(control);
    if (tabs == nullptr || ClassOf(tabs) != WC_TABCONTROLW)
        return false;
    const std::wstring pageClass = ClassOf(control);
    int index = 0;
    for (HWND sibling = GetWindow(tabs, GW_CHILD); sibling != nullptr && sibling != control;
         sibling = GetWindow(sibling, GW_HWNDNEXT))
        index += ClassOf(sibling) == pageClass ? 1 : 0;
    return index != SendMessageW(tabs, TCM_GETCURSEL, 0, 0);
}

bool CommonControlsSixOrLater()
{
    const HMODULE library = GetModuleHandleW(L"comctl32.dll");
    // Through void*: a FARPROC is cast to the function's real type.
    const auto getVersion = library == nullptr ? nullptr
                                               : reinterpret_cast<DLLGETVERSIONPROC>(reinterpret_cast<void*>(
                                                     GetProcAddress(library, "DllGetVersion")));
    DLLVERSIONINFO version{};
    version.cbSize = sizeof version;
    return getVersion != nullptr && SUCCEEDED(getVersion(&version)) && version.dwMajorVersion >= 6;
}

}  // namespace

bool TAltCueFix::PlatformSupported()
{
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    // GetVersionExW is deprecated but is the platform test asked for; the
    // manifest's supported systems let it report the real version (10 on
    // Windows 10 and 11).
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#elif defined(_MSC_VER)
#pragma warning(push)
#pragma warning(disable : 4996)
#endif
    if (!GetVersionExW(&version) || version.dwMajorVersion < 6)
        return false;
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#elif defined(_MSC_VER)
#pragma warning(pop)
#endif
    return Libraries().IsAppThemed() && Libraries().IsThemeActive() && CommonControlsSixOrLater();
}

TAltCueFix::TAltCueFix(bool active) : active_(active)
{
    if (active_)
        idleHandler_ = Application::Instance().AddIdleHandler([this] { AppIdle(); });
}

TAltCueFix::~TAltCueFix()
{
    if (!active_)
        return;
    Application::Instance().RemoveIdleHandler(idleHandler_);
    // Also where someone subclassed a form after us: the subclass goes from
    // the middle of the chain. A gone form has nothing left to unhook.
    for (const auto& entry : FHooks)
        Unsubclass<&TFormObj::FormMessage>(entry->HookedForm, entry.get());
}

void TAltCueFix::AppIdle()
{
    for (auto& entry : FHooks)
        entry->Seen = false;
    for (const HWND form : ApplicationForms()) {
        const auto found = std::find_if(FHooks.begin(), FHooks.end(),
                                        [form](const auto& entry) { return entry->HookedForm == form; });
        if (found != FHooks.end())
            (*found)->Seen = true;
        else
            Hook(form);
    }
    // From the last entry to the first: drop the gone, repaint the rest.
    for (std::size_t i = FHooks.size(); i-- > 0;) {
        if (!FHooks[i]->Seen)
            FHooks.erase(FHooks.begin() + static_cast<std::ptrdiff_t>(i));
        else
            RepaintIfPending(*FHooks[i]);
    }
}

void TAltCueFix::Hook(HWND form)
{
    auto entry = std::make_unique<TFormObj>();
    entry->HookedForm = form;
    entry->RepaintEverything = repaintAll_;
    entry->Seen = true;
    Subclass<&TFormObj::FormMessage>(form, entry.get());
    FHooks.push_back(std::move(entry));
}

LRESULT TAltCueFix::TFormObj::FormMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Guarded(window, nullptr, [&] {
        // Every message goes on first, unchanged; its result is the previous procedure's.
        const LRESULT result = Libraries().DefSubclassProc(window, message, wParam, lParam);
        if (message == WM_UPDATEUISTATE)
            RepaintPending = true;
        return result;
    });
}

void TAltCueFix::RepaintIfPending(TFormObj& entry)
{
    if (!entry.RepaintPending)
        return;
    entry.RepaintPending = false;
    if (entry.RepaintEverything)
        RepaintWinControls(entry.HookedForm);
    else
        RepaintButtons(entry.HookedForm);
}

void TAltCueFix::RepaintWinControls(HWND control)
{
    Repaint(control);
    for (HWND child = GetWindow(control, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        RepaintWinControls(child);
}

void TAltCueFix::RepaintButtons(HWND control)
{
    bool bitmap = false;
    if (IsButtonControl(control, bitmap)) {
        if (!bitmap)
            Repaint(control);
        return;
    }
    if (IsHiddenTabSheet(control))
        return;
    for (HWND child = GetWindow(control, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        RepaintButtons(child);
}

}  // namespace tav

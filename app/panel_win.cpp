#include "app/panel_win.h"

#include "base/prompter_win.h"
#include "base/window_instance_win.h"

namespace tav {
namespace {

constexpr wchar_t kClassName[] = L"TavelinPanel";

// A panel's one property is its bevel, so the panels of one bevel share one object.
struct Panel {
    Bevel bevel;
    LRESULT Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
};

Panel plainPanel{Bevel::None};
Panel raisedPanel{Bevel::Raised};

LRESULT Panel::Message(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Guarded(window, nullptr, [&]() -> LRESULT {
        switch (message) {
        case WM_COMMAND:
        case WM_NOTIFY:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLOREDIT:
        case WM_DRAWITEM:
            return SendMessageW(GetAncestor(window, GA_ROOT), message, wParam, lParam);
        case WM_ERASEBKGND: {
            RECT rect;
            GetClientRect(window, &rect);
            FillRect(reinterpret_cast<HDC>(wParam), &rect, GetSysColorBrush(COLOR_BTNFACE));
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(window, &paint);
            if (bevel == Bevel::Raised) {
                RECT rect;
                GetClientRect(window, &rect);
                DrawEdge(dc, &rect, BDR_RAISEDINNER, BF_RECT);
            }
            EndPaint(window, &paint);
            return 0;
        }
        case WM_SIZE:
            // The bevel sits on the edge: repaint it where the size changed.
            InvalidateRect(window, nullptr, TRUE);
            break;
        default:
            break;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    });
}

void RegisterPanelClass()
{
    static const bool registered = [] {
        WNDCLASSEXW windowClass{};
        windowClass.cbSize = sizeof windowClass;
        windowClass.lpfnWndProc = InstanceWindowProc<&Panel::Message>;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kClassName;
        return RegisterClassExW(&windowClass) != 0;
    }();
    (void)registered;
}

}  // namespace

HWND CreatePanel(HWND parent, Bevel bevel)
{
    RegisterPanelClass();
    return CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"",
                           WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS, 0, 0, 0, 0,
                           parent, nullptr, GetModuleHandleW(nullptr),
                           bevel == Bevel::Raised ? &raisedPanel : &plainPanel);
}

}  // namespace tav

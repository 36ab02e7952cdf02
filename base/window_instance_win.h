// The two ways a window's messages reach the object behind it: the window
// procedure of a class whose windows each belong to an object, and the
// subclass of a control. Either way a member function
// `LRESULT (T::*)(HWND, UINT, WPARAM, LPARAM)` gets the messages; it guards
// its own work (see Guarded), as no exception may leave a window procedure.
#pragma once

#include "base/system_dlls_win.h"
#include "base/win32.h"

namespace tav {
namespace detail {

template <typename Member>
struct MemberOf;
template <typename T>
struct MemberOf<LRESULT (T::*)(HWND, UINT, WPARAM, LPARAM)> {
    using Type = T;
};

}  // namespace detail

// The object handling a member's messages.
template <auto Handler>
using HandlerObject = typename detail::MemberOf<decltype(Handler)>::Type;

// The window procedure to register for windows whose object comes as
// CreateWindowExW's last argument. The object is picked up at WM_NCCREATE,
// the first message that carries it (the few before it get the default
// handling), and let go after WM_NCDESTROY, the window's last message, which
// `Handler` still gets.
template <auto Handler>
LRESULT CALLBACK InstanceWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* const object = reinterpret_cast<HandlerObject<Handler>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (object == nullptr)
        return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY)
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    return (object->*Handler)(window, message, wParam, lParam);
}

namespace detail {

template <auto Handler>
LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                              DWORD_PTR object)
{
    // The control's last message: the subclass goes with it.
    if (message == WM_NCDESTROY)
        Libraries().RemoveWindowSubclass(window, SubclassProc<Handler>, id);
    return (reinterpret_cast<HandlerObject<Handler>*>(object)->*Handler)(window, message, wParam, lParam);
}

}  // namespace detail

// Has `object`'s `Handler` get `control`'s messages before the control's own
// procedure, which the handler reaches through DefSubclassProc, until
// Unsubclass or the control's end. Each object subclasses a control once;
// several objects may subclass the same control.
template <auto Handler>
bool Subclass(HWND control, HandlerObject<Handler>* object)
{
    return Libraries().SetWindowSubclass(control, detail::SubclassProc<Handler>, reinterpret_cast<UINT_PTR>(object),
                                         reinterpret_cast<DWORD_PTR>(object)) != FALSE;
}

template <auto Handler>
void Unsubclass(HWND control, HandlerObject<Handler>* object)
{
    Libraries().RemoveWindowSubclass(control, detail::SubclassProc<Handler>, reinterpret_cast<UINT_PTR>(object));
}

}  // namespace tav

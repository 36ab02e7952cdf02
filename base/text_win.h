// The edge between the program's UTF-8 text and the W functions of Win32,
// and the few places where bytes in a code page enter or leave.
#pragma once

#include <string>
#include <string_view>

#include "base/win32.h"

namespace tav {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// Bytes in code page `codePage` (CP_ACP, CP_OEMCP, 1251, ...) to UTF-8 and back.
std::string FromCodePage(std::string_view bytes, UINT codePage);
std::string ToCodePage(std::string_view utf8, UINT codePage);

// The system's text for a Win32 error code, without the trailing line break.
std::string ErrorText(DWORD error);

// The text of a window (GetWindowTextW) as UTF-8.
std::string WindowText(HWND window);
void SetWindowTextUtf8(HWND window, std::string_view text);

}  // namespace tav

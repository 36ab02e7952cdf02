#include "base/text_win.h"

#include <climits>
#include <stdexcept>

#include "base/handles_win.h"

namespace tav {
namespace {

int CheckedLength(std::size_t size)
{
    if (size > static_cast<std::size_t>(INT_MAX))
        throw std::length_error("text too long");
    return static_cast<int>(size);
}

std::wstring ToWide(std::string_view bytes, UINT codePage)
{
    if (bytes.empty())
        return {};
    const int length = CheckedLength(bytes.size());
    const int count = MultiByteToWideChar(codePage, 0, bytes.data(), length, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(count), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), length, out.data(), count);
    return out;
}

std::string FromWide(std::wstring_view text, UINT codePage)
{
    if (text.empty())
        return {};
    const int length = CheckedLength(text.size());
    const int count = WideCharToMultiByte(codePage, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), length, out.data(), count, nullptr, nullptr);
    return out;
}

}  // namespace

std::wstring Widen(std::string_view utf8) { return ToWide(utf8, CP_UTF8); }
std::string Narrow(std::wstring_view utf16) { return FromWide(utf16, CP_UTF8); }

std::string FromCodePage(std::string_view bytes, UINT codePage)
{
    return Narrow(ToWide(bytes, codePage));
}

std::string ToCodePage(std::string_view utf8, UINT codePage)
{
    return FromWide(Widen(utf8), codePage);
}

std::string ErrorText(DWORD error)
{
    wchar_t* buffer = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocal<wchar_t> owned(buffer);
    std::wstring text = length != 0 ? std::wstring(buffer, length) : std::wstring();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (text.empty())
        return "Error " + std::to_string(error);
    return Narrow(text);
}

std::string WindowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return Narrow(text);
}

void SetWindowTextUtf8(HWND window, std::string_view text)
{
    SetWindowTextW(window, Widen(text).c_str());
}

}  // namespace tav

#include "listtools/text_compare_win.h"

#include <climits>
#include <string>

#include "base/win32.h"

namespace tav {
namespace {

// Converts into a buffer kept between calls: a sort compares hundreds of
// thousands of pairs.
std::wstring_view ToWide(std::string_view text, std::wstring& buffer)
{
    const int length = static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
    if (buffer.size() < text.size())
        buffer.resize(text.size());
    const int count = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, buffer.data(), length);
    return {buffer.data(), static_cast<std::size_t>(count > 0 ? count : 0)};
}

}  // namespace

int CompareTextUserLocale(std::string_view a, std::string_view b)
{
    thread_local std::wstring first;
    thread_local std::wstring second;
    const std::wstring_view wideA = ToWide(a, first);
    const std::wstring_view wideB = ToWide(b, second);
    const int result = CompareStringW(LOCALE_USER_DEFAULT, 0, wideA.data(), static_cast<int>(wideA.size()),
                                      wideB.data(), static_cast<int>(wideB.size()));
    // CSTR_LESS_THAN, CSTR_EQUAL, CSTR_GREATER_THAN are 1, 2, 3; 0 is a failure.
    return result == 0 ? 0 : result - CSTR_EQUAL;
}

}  // namespace tav

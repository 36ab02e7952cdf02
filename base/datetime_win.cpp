#include "base/datetime_win.h"

#include "base/text_win.h"

namespace tav {
namespace {

// A locale value of the user's default locale, or `fallback` when it cannot be read.
std::string UserLocaleText(LCTYPE type, const std::string& fallback)
{
    const int size = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, nullptr, 0);
    if (size <= 0)
        return fallback;
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    const int copied = GetLocaleInfoW(LOCALE_USER_DEFAULT, type, text.data(), size);
    if (copied <= 0)
        return fallback;
    text.resize(static_cast<std::size_t>(copied - 1));  // without the terminating zero
    return Narrow(text);
}

}  // namespace

DateTimeFormats ReadUserDateTimeFormats()
{
    DateTimeFormats formats;
    formats.shortDate = UserLocaleText(LOCALE_SSHORTDATE, formats.shortDate);
    formats.longTime = UserLocaleText(LOCALE_STIMEFORMAT, formats.longTime);
    formats.dateSeparator = UserLocaleText(LOCALE_SDATE, formats.dateSeparator);
    formats.timeSeparator = UserLocaleText(LOCALE_STIME, formats.timeSeparator);
    formats.amDesignator = UserLocaleText(LOCALE_S1159, formats.amDesignator);
    formats.pmDesignator = UserLocaleText(LOCALE_S2359, formats.pmDesignator);
    return formats;
}

}  // namespace tav

// Dates as people type them: YYYY-MM-DD, or YYYY-MM-DDTHH:MM[:SS] (a blank
// may stand for the T).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "base/datetime.h"

namespace tav {

struct IsoDate {
    DateTime value = 0;
    // What the text names: a day, a minute or a second, in milliseconds.
    std::int64_t span = 86400000;
};

// nullopt when the text is no such date, or no day of the calendar.
std::optional<IsoDate> ParseIsoDate(std::string_view text);

// An instant as ISO 8601 to the second: "2020-09-19T04:36:03Z" in UTC
// (no offset given), else the wall-clock time with its offset from UTC,
// "2020-09-19T07:36:03+03:00".
std::string FormatIsoTime(std::int64_t utcSeconds, std::optional<int> offsetMinutes);

}  // namespace tav

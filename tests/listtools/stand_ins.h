// Portable stand-ins for what the Win32 side passes to the column sort: an
// ordinal text comparison and a reader of "dd.MM.yyyy[ H:mm:ss]" dates.
#pragma once

#include "base/datetime.h"

#include <optional>
#include <string_view>

namespace tav::test {

int CompareOrdinal(std::string_view a, std::string_view b);

// Blanks before the date and between date and time are skipped; nothing may
// follow. Ranges are checked loosely (day 1..31), enough for sorting tests.
std::optional<DateTime> ParseDottedDateTime(std::string_view text);

}  // namespace tav::test

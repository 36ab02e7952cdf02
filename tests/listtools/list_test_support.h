// Portable stand-ins for what the Win32 side passes to the column sort (an
// ordinal text comparison and a reader of "dd.MM.yyyy[ H:mm:ss]" dates), and
// a short view of a sorted list for the tests.
#pragma once

#include "base/datetime.h"
#include "base/row_store.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tav::test {

int CompareOrdinal(std::string_view a, std::string_view b);

// Blanks before the date and between date and time are skipped; nothing may
// follow. Ranges are checked loosely (day 1..31), enough for sorting tests.
std::optional<DateTime> ParseDottedDateTime(std::string_view text);

// The captions of the rows, top to bottom.
using Order = std::vector<std::string>;
Order Captions(const std::vector<ResultRow>& rows);

}  // namespace tav::test

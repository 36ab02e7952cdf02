// Dates on the command line: YYYY-MM-DD, or YYYY-MM-DDTHH:MM[:SS] (a blank
// may stand for the T).
#pragma once

#include <optional>
#include <string_view>

#include "base/datetime.h"

namespace tav::cli {

struct IsoDate {
    DateTime value = 0;
    bool hasTime = false;
};

// nullopt when the text is no such date, or no day of the calendar.
std::optional<IsoDate> ParseIsoDate(std::string_view text);

}  // namespace tav::cli

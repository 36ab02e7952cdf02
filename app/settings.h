// What the settings file holds, in the forms the program reads back.
#pragma once

#include <optional>
#include <string_view>

namespace tav {

// An integer value of the settings file: decimal, or hexadecimal behind
// "0x" or "$", with an optional sign; nullopt for anything else, or for a
// value outside 32 bits.
std::optional<int> ParseIniInteger(std::string_view text);

}  // namespace tav

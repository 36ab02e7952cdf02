// The platform's locale-aware, case-sensitive word sort of two UTF-8 texts
// (CompareStringW with the user locale): negative, zero or positive.
#pragma once

#include <string_view>

namespace tav {

int CompareTextUserLocale(std::string_view a, std::string_view b);

}  // namespace tav

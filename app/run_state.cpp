#include "app/run_state.h"

#include <cstdio>

namespace tav {

std::string ElapsedText(std::int32_t seconds)
{
    char time[32];
    std::snprintf(time, sizeof time, "%.2d:%.2d", static_cast<int>(seconds / 60),
                  static_cast<int>(seconds % 60));
    return kElapsedPrefix + std::string(time);
}

std::string CountText(std::size_t rows)
{
    return kCountPrefix + std::to_string(rows);
}

}  // namespace tav

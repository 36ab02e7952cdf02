// The times of one day that the rules' tests write and read: "HH:MM:SS".
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace tav::sessions::test {

inline constexpr std::int64_t kDay = 1709251200;  // 2024-03-01 00:00 UTC

inline std::int64_t At(const char* time)
{
    const auto number = [&](int at) { return (time[at] - '0') * 10 + (time[at + 1] - '0'); };
    return kDay + number(0) * 3600 + number(3) * 60 + number(6);
}

inline std::string Clock(std::int64_t utc)
{
    const std::int64_t s = utc - kDay;
    char text[64];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(s / 3600),
                  static_cast<long long>(s / 60 % 60), static_cast<long long>(s % 60));
    return text;
}

}  // namespace tav::sessions::test

// Windows times as .evtx files store them: FILETIME (100-ns ticks since
// 1601-01-01 UTC) and SYSTEMTIME (eight u16 fields), and their text form in
// event XML, "YYYY-MM-DDThh:mm:ss.fffffffffZ".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tav::evtx {

inline constexpr std::uint64_t kTicksPerSecond = 10000000;
inline constexpr std::uint64_t kUnixEpochTicks = 116444736000000000;  // 1970-01-01

// Seconds since 1970, rounded down.
std::int64_t FiletimeToUnixSeconds(std::uint64_t filetime);
// 0 for times before 1601.
std::uint64_t UnixSecondsToFiletime(std::int64_t seconds);

void AppendFiletimeText(std::string& out, std::uint64_t filetime);

// The 16 bytes of a SYSTEMTIME; nullopt when a field is out of range.
std::optional<std::uint64_t> SystemTimeToFiletime(const std::uint8_t* p);
// The text of a SYSTEMTIME, whose milliseconds fill the first three digits.
void AppendSystemTimeText(std::string& out, const std::uint8_t* p);

// Parses the XML text form (fraction optional, up to 9 digits, trailing Z
// optional); nullopt when it is not such a time.
std::optional<std::uint64_t> ParseTimeText(std::string_view text);

}  // namespace tav::evtx

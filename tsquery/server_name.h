// The server name becomes part of a command line that PowerShell runs with
// the user's (often administrative) rights, so only the characters of a host
// name or an address may pass: nothing a shell could read as syntax.
#pragma once

#include <cstddef>
#include <string_view>

namespace tav::tsquery {

// The longest fully qualified domain name DNS allows.
inline constexpr std::size_t kMaxServerNameLength = 255;

// True for 1 to kMaxServerNameLength characters, each an ASCII letter or
// digit, ".", "-", "_" or ":" (IPv6 addresses).
bool IsValidServerName(std::string_view name);

}  // namespace tav::tsquery

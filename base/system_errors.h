// Windows system error codes, which the program gives on every platform so
// that it can show the system's text for them.
#pragma once

#include <cstdint>

namespace tav {

inline constexpr std::uint32_t kErrorFileNotFound = 2;            // ERROR_FILE_NOT_FOUND
inline constexpr std::uint32_t kErrorAccessDenied = 5;            // ERROR_ACCESS_DENIED
inline constexpr std::uint32_t kErrorReadFault = 30;              // ERROR_READ_FAULT
inline constexpr std::uint32_t kErrorHandleEof = 38;              // ERROR_HANDLE_EOF
inline constexpr std::uint32_t kErrorNotSupported = 50;           // ERROR_NOT_SUPPORTED
inline constexpr std::uint32_t kErrorInvalidParameter = 87;       // ERROR_INVALID_PARAMETER
inline constexpr std::uint32_t kErrorInsufficientBuffer = 122;    // ERROR_INSUFFICIENT_BUFFER
inline constexpr std::uint32_t kErrorEventlogFileCorrupt = 1500;  // ERROR_EVENTLOG_FILE_CORRUPT

}  // namespace tav

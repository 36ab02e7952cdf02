// The legacy event log's texts are UTF-16LE bytes inside a read buffer, at
// any alignment; these adapt them to the program's UTF-8 conversions.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tav::seclog {

// `utf16le` holds whole code units (an even number of bytes).
std::string Utf16leToUtf8(std::span<const std::uint8_t> utf16le);

// Appends `utf8` as UTF-16LE code units, without a terminator.
void AppendUtf16le(std::string_view utf8, std::vector<std::uint8_t>& out);

}  // namespace tav::seclog

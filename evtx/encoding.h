// The text encodings found in .evtx files, converted to the program's UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tav::evtx {

// Appends `units` UTF-16LE code units read from `p`. A lone surrogate
// becomes U+FFFD.
void AppendUtf16(std::string& out, const std::uint8_t* p, std::size_t units);

// Appends one code point (U+FFFD for surrogates and values past U+10FFFF).
void AppendCodePoint(std::string& out, std::uint32_t codePoint);

// Appends bytes in code page windows-1252.
void AppendWindows1252(std::string& out, const std::uint8_t* p, std::size_t size);

// UTF-8 to UTF-16LE bytes, for writing; invalid bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view utf8);

}  // namespace tav::evtx

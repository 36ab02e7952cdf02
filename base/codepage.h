// Text encodings without the Win32 API: UTF-8 (the program's own), UTF-16,
// and the single-byte code pages 1251 (Cyrillic ANSI), 866 (Cyrillic OEM)
// and 1252 (Western ANSI). Ill-formed input never fails: it becomes U+FFFD.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tav {

inline constexpr char32_t kReplacementCharacter = 0xFFFD;

// One code point of `text` at `pos` (which must be inside the text), moving
// `pos` behind it. An ill-formed sequence gives U+FFFD and moves past its
// longest well-formed start (at least one byte).
char32_t ReadUtf8(std::string_view text, std::size_t& pos);
// Surrogates and values above U+10FFFF are written as U+FFFD.
void AppendUtf8(std::string& out, char32_t codePoint);

std::u16string Utf8ToUtf16(std::string_view utf8);
// Appends `units` UTF-16LE code units read from bytes at any alignment (as
// event records and logs hold them). Unpaired surrogates become U+FFFD.
void AppendUtf16le(std::string& out, const std::uint8_t* bytes, std::size_t units);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view utf16);
// Code points in the text, each ill-formed sequence counting as one.
std::size_t Utf8Length(std::string_view utf8);

// UTF-8 text in code page 1251, 866, 1252 or 65001 (UTF-8). Characters the
// code page lacks become '?', counted into `lost` when given. nullopt for any
// other code page.
std::optional<std::string> EncodeCodePage(std::string_view utf8, unsigned codePage, std::size_t* lost = nullptr);
// Bytes in one of those code pages as UTF-8; nullopt for any other code page.
std::optional<std::string> DecodeCodePage(std::string_view bytes, unsigned codePage);

}  // namespace tav

// Text from a log as a person reads it on a terminal or a page: what could
// steer a terminal, forge a line or turn text around shown escaped.
#pragma once

#include <string>
#include <string_view>

namespace tav {

// Whether `codePoint` is shown escaped: C0 and C1 controls, DEL, the line and
// paragraph separators and the bidirectional controls.
bool IsHiddenControl(char32_t codePoint);

// `utf8` with each such character escaped: `\n`, `\r`, `\t`, `\xHH` below
// U+0100, `\uHHHH` above. A backslash stays as it is (`CORP\j.smith`).
// Ill-formed UTF-8 becomes U+FFFD.
std::string VisibleText(std::string_view utf8);

}  // namespace tav

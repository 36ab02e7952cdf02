// Text as a JSON string.
#pragma once

#include <string>
#include <string_view>

namespace tav {

// `utf8` as a JSON string, quotes included; ill-formed UTF-8 becomes U+FFFD.
// `inScript`: also <, >, & and U+2028/2029 escaped, so that the string can
// stand inside an HTML <script> element and never end it.
void AppendJsonString(std::string& out, std::string_view utf8, bool inScript = false);

}  // namespace tav

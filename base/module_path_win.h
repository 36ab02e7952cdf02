// Where the running program lives, and what a typed path names.
#pragma once

#include <string>
#include <string_view>

namespace tav {

// The folder of the running executable, with its trailing backslash.
std::wstring ExecutableFolder();

// Whether the UTF-8 text names an existing file (not a folder).
bool IsExistingFile(std::string_view pathUtf8);

}  // namespace tav

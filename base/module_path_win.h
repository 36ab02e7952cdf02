// Where the running program lives.
#pragma once

#include <string>

namespace tav {

// The folder of the running executable, with its trailing backslash.
std::wstring ExecutableFolder();

}  // namespace tav

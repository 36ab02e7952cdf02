// Opening a saved log by its name, with the Windows error code and the
// English message a caller shows when it cannot be read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "base/system_errors.h"
#include "evtx/reader.h"

namespace tav::evtx {

// A path given as UTF-8 text, on every platform.
std::filesystem::path PathFromUtf8(std::string_view utf8);

// Opens an .evtx file; nullptr, a Windows error code and an English message
// naming the file when it cannot be read or is no .evtx file.
std::unique_ptr<Reader> OpenLogFile(std::string_view pathUtf8, std::uint32_t& error, std::string& message);

}  // namespace tav::evtx

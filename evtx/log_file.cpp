#include "evtx/log_file.h"

#include <system_error>

namespace tav::evtx {
namespace {

std::string FileName(const std::filesystem::path& path)
{
    const std::u8string name = path.filename().u8string();
    return {name.begin(), name.end()};
}

}  // namespace

std::filesystem::path PathFromUtf8(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::unique_ptr<Reader> OpenLogFile(std::string_view pathUtf8, std::uint32_t& error, std::string& message)
{
    const std::filesystem::path path = PathFromUtf8(pathUtf8);
    const std::string name = FileName(path);
    std::error_code statusError;
    const std::filesystem::file_status status = std::filesystem::status(path, statusError);
    if (std::filesystem::is_directory(status)) {
        error = kErrorAccessDenied;
        message = name + " is a folder, not an event log file (.evtx).";
        return nullptr;
    }
    Error failure;
    std::unique_ptr<Reader> reader = Reader::Open(path, failure);
    if (reader) {
        error = 0;
        message.clear();
        return reader;
    }
    message = failure.message;
    switch (failure.code) {
    case ErrorCode::CannotOpen:
        if (status.type() == std::filesystem::file_type::not_found) {
            error = kErrorFileNotFound;
            message = name + " does not exist.";
        } else {
            error = kErrorAccessDenied;
            message = "Cannot open " + name + ": access denied.";
        }
        break;
    case ErrorCode::ReadFailed:
        error = kErrorReadFault;
        break;
    case ErrorCode::UnsupportedVersion:
        error = kErrorNotSupported;
        break;
    default:
        error = kErrorEventlogFileCorrupt;
        break;
    }
    return nullptr;
}

}  // namespace tav::evtx

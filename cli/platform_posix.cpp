// The tool on Linux and other POSIX systems: default formats, local time by
// the TZ rules, UTF-8 output, no event-log service.
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/codepage.h"
#include "base/time_zone.h"
#include "cli/platform.h"

namespace tav::cli {
namespace {

// The English texts Windows has for the codes the file reader gives.
std::string ErrorText(std::uint32_t code)
{
    switch (code) {
    case 2: return "The system cannot find the file specified.";
    case 5: return "Access is denied.";
    case 30: return "The system cannot read from the specified device.";
    case 50: return "The request is not supported.";
    case 87: return "The parameter is incorrect.";
    case 1500: return "The event log file is corrupted.";
    default: return "Error " + std::to_string(code) + ".";
    }
}

}  // namespace

Platform HostPlatform()
{
    Platform platform;
    platform.utcToLocal = [](DateTime utc) { return UtcToLocalDateTime(utc); };
    platform.zoneName = LocalZoneName();
    platform.encode = [](std::string_view utf8, unsigned codePage, std::size_t& lost) {
        return EncodeCodePage(utf8, codePage, &lost);
    };
    platform.outputError = [] {
        const int error = errno;
        return error == EPIPE ? std::string() : std::string(std::strerror(error));
    };
    platform.errorText = ErrorText;
    platform.stderrIsTerminal = isatty(STDERR_FILENO) == 1;
    return platform;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv)
{
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

}  // namespace tav::cli

// What the command-line tool takes from the system it runs on. The tool's
// logic gets it as a value, so tests can give their own.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"
#include "seclog/record_source.h"

namespace tav::cli {

inline constexpr unsigned kUtf8CodePage = 65001;

struct Platform {
    DateTimeFormats formats;  // the user's regional formats on Windows, the defaults elsewhere
    std::function<DateTime(DateTime)> utcToLocal;
    std::string zoneName;  // of utcToLocal's zone, as the system names it
    unsigned defaultCodePage = kUtf8CodePage;  // of CSV output: the ANSI code page on Windows
    // `utf8` in `codePage`, the characters it cannot hold written as '?' and
    // counted into `lost`; nullopt for a code page the platform cannot write.
    std::function<std::optional<std::string>(std::string_view utf8, unsigned codePage, std::size_t& lost)> encode;
    // Why the latest write to standard output failed, read right after it;
    // empty when the reader closed the pipe, which ends the output quietly.
    std::function<std::string()> outputError;
    // The text of a Windows system error code.
    std::function<std::string(std::uint32_t)> errorText;
    // The event logs of computers (server name, log name); nullptr outside Windows.
    seclog::RecordSourceOpener* liveLogs = nullptr;
    bool stderrIsTerminal = false;
};

// This machine's: on Windows also switches a console to UTF-8 output and
// standard output to binary mode (CSV lines end in CR LF as they are).
Platform HostPlatform();

// The command line's arguments after the program name, as UTF-8.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace tav::cli

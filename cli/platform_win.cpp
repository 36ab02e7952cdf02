// The tool on Windows: the user's regional formats and time zone, the ANSI
// code page, the event logs of computers, and the console.
#include "base/win32.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/datetime_win.h"
#include "base/handles_win.h"
#include "base/system_dlls_win.h"
#include "base/text_win.h"
#include "base/time_zone.h"
#include "cli/platform.h"
#include "seclog/event_log_win.h"

namespace tav::cli {
namespace {

// A console shows the tool's UTF-8 output as such while the tool runs; the
// console's own code page comes back at exit.
class ConsoleOutput {
public:
    ConsoleOutput() : codePage_(GetConsoleOutputCP())
    {
        if (codePage_ != 0)
            SetConsoleOutputCP(CP_UTF8);
    }
    ~ConsoleOutput()
    {
        if (codePage_ != 0)
            SetConsoleOutputCP(codePage_);
    }
    ConsoleOutput(const ConsoleOutput&) = delete;
    ConsoleOutput& operator=(const ConsoleOutput&) = delete;

private:
    UINT codePage_;
};

// `utf8` in an ANSI or OEM code page without best-fit look-alikes: a
// character the code page lacks is '?' and counted, as on other systems.
std::string Encoded(std::string_view utf8, UINT codePage, std::size_t& lost)
{
    if (codePage == CP_UTF8 || std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return ToCodePage(utf8, codePage);
    const std::wstring wide = Widen(utf8);
    const auto convert = [&](const wchar_t* text, int length, std::string& out) {
        BOOL usedDefault = FALSE;
        const int count = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0, "?", &usedDefault);
        const std::size_t at = out.size();
        out.resize(at + static_cast<std::size_t>(std::max(count, 0)));
        WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text, length, out.data() + at, count, "?", nullptr);
        return usedDefault != FALSE;
    };
    std::string out;
    if (!convert(wide.data(), static_cast<int>(wide.size()), out))
        return out;
    // Some character was lost: count them one by one.
    out.clear();
    for (std::size_t i = 0; i < wide.size();) {
        const int units = IS_HIGH_SURROGATE(wide[i]) && i + 1 < wide.size() && IS_LOW_SURROGATE(wide[i + 1]) ? 2 : 1;
        if (convert(wide.data() + i, units, out))
            ++lost;
        i += static_cast<std::size_t>(units);
    }
    return out;
}

}  // namespace

Platform HostPlatform()
{
    LoadDllsFromSystem32Only();  // the tool may run elevated from a downloads folder too
    static ConsoleOutput console;
    static seclog::EventLogOpener eventLogs;
    _setmode(_fileno(stdout), _O_BINARY);
    Platform platform;
    platform.formats = ReadUserDateTimeFormats();
    platform.utcToLocal = [](DateTime utc) { return UtcToLocalDateTime(utc); };
    platform.zoneName = LocalZoneName();
    platform.defaultCodePage = GetACP();
    platform.encode = [](std::string_view utf8, unsigned codePage, std::size_t& lost) -> std::optional<std::string> {
        if (!IsValidCodePage(codePage))
            return std::nullopt;
        return Encoded(utf8, codePage, lost);
    };
    platform.outputError = [] {
        const int error = errno;
        const DWORD systemError = GetLastError();
        if (error == EPIPE || systemError == ERROR_NO_DATA || systemError == ERROR_BROKEN_PIPE)
            return std::string();
        return std::string(std::strerror(error));
    };
    platform.errorText = [](std::uint32_t code) { return ErrorText(code); };
    platform.liveLogs = &eventLogs;
    platform.stderrIsTerminal = _isatty(_fileno(stderr)) != 0;
    return platform;
}

std::vector<std::string> CommandLineArguments(int, char**)
{
    // The UTF-16 command line: argv holds it in the ANSI code page.
    int count = 0;
    const UniqueLocal<wchar_t*> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
    std::vector<std::string> result;
    for (int i = 1; i < count; ++i)
        result.push_back(Narrow(arguments.Get()[i]));
    return result;
}

}  // namespace tav::cli

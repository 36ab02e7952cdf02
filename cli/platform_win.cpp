// The tool on Windows: the user's regional formats and time zone, the ANSI
// code page, the event logs of computers, and the console.
#include "base/win32.h"

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "base/datetime_win.h"
#include "base/system_dlls_win.h"
#include "base/text_win.h"
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
    platform.defaultCodePage = GetACP();
    platform.encode = [](std::string_view utf8, unsigned codePage) -> std::optional<std::string> {
        if (!IsValidCodePage(codePage))
            return std::nullopt;
        return ToCodePage(utf8, codePage);
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
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> result;
    for (int i = 1; i < count; ++i)
        result.push_back(Narrow(arguments[i]));
    LocalFree(arguments);
    return result;
}

}  // namespace tav::cli

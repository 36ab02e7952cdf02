#include "cli/tool.h"

#include <algorithm>
#include <thread>

#include "evtx/legacy_source.h"

#include "cli/commands.h"
#include "cli/iso_date.h"

namespace tav::cli {

void Run::Report(const std::string& input, const std::string& reason) const
{
    err << "tavelin: " << input << ": " << reason << '\n';
}

unsigned Run::Jobs() const
{
    return options.jobs.value_or(std::clamp(std::thread::hardware_concurrency(), 1u, kMaxJobs));
}

std::unique_ptr<evtx::Reader> Run::OpenInput(const std::string& file) const
{
    std::uint32_t error = 0;
    std::string message;
    std::unique_ptr<evtx::Reader> reader = evtx::OpenLogFile(file, error, message);
    if (!reader)
        Report(file, message);
    return reader;
}

std::string Run::DisplayedText(std::int64_t utcSeconds) const
{
    return FormatDateTime(ToDisplayed(UnixSecondsToDateTime(utcSeconds)), platform.formats);
}

std::string Run::IsoTime(std::int64_t utcSeconds) const
{
    if (options.utc)
        return FormatIsoTime(utcSeconds, std::nullopt);
    const DateTime utc = UnixSecondsToDateTime(utcSeconds);
    const std::int64_t offsetMs = DateTimeToUnixMilliseconds(platform.utcToLocal(utc)) - DateTimeToUnixMilliseconds(utc);
    return FormatIsoTime(utcSeconds, static_cast<int>(offsetMs / 60000));
}

bool Run::InRange(std::int64_t utcSeconds) const
{
    if (!options.since && !options.until)
        return true;
    const std::int64_t shown = DateTimeToUnixMilliseconds(ToDisplayed(UnixSecondsToDateTime(utcSeconds)));
    return (!options.since || shown >= DateTimeToUnixMilliseconds(*options.since)) &&
           (!options.until || shown < DateTimeToUnixMilliseconds(*options.until));
}

bool Run::Write(const ListShape& shape, const std::vector<ResultRow>& rows) const
{
    std::string text;
    switch (options.format) {
    case OutputFormat::Table:
        text = TableText(shape, rows);
        break;
    case OutputFormat::Json:
        text = JsonLines(shape, rows);
        break;
    case OutputFormat::Csv: {
        const unsigned codePage = options.codePage.value_or(platform.defaultCodePage);
        const std::optional<std::string> encoded = platform.encode(CsvText(shape, rows), codePage);
        if (!encoded) {
            err << "tavelin: code page " << codePage << " cannot be written here\n";
            return false;
        }
        text = *encoded;
        break;
    }
    }
    return WriteText(text);
}

bool Run::WriteText(const std::string& text) const
{
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    return true;
}

std::string ComputerName(const std::string& computer)
{
    return computer.empty() ? "this computer" : computer;
}

int RunTool(const std::vector<std::string>& arguments, const Platform& platform, std::ostream& out,
            std::ostream& err)
{
    const bool liveLogs = platform.liveLogs != nullptr;
    const ParsedArguments parsed = ParseArguments(arguments, liveLogs);
    if (!parsed.error.empty()) {
        err << "tavelin: " << parsed.error << "\nTry 'tavelin --help' for more information.\n";
        return kExitUsage;
    }
    const Run run{parsed.options, platform, out, err};
    switch (parsed.options.command) {
    case Command::Help:
        out << HelpText(liveLogs);
        return kExitOk;
    case Command::Version:
        out << "tavelin " TAVELIN_VERSION "\n";
        return kExitOk;
    case Command::Logons:
        return RunLogons(run);
    case Command::Sessions:
        return RunSessions(run);
    case Command::Record:
        return RunRecord(run);
    case Command::Last:
        return RunLast(run);
    case Command::Lastb:
        return RunLastb(run);
    case Command::Report:
        return RunReport(run);
    }
    return kExitUsage;
}

}  // namespace tav::cli

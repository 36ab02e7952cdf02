#include "cli/tool.h"

#include "version.h"

#include <algorithm>
#include <optional>
#include <thread>

#include "evtx/log_file.h"

#include "cli/commands.h"
#include "base/iso_date.h"

namespace tav::cli {

void Run::Report(const std::string& input, const std::string& reason) const
{
    err << "tavelin: " << input << ": " << reason << '\n';
}

void Run::Unread(const std::string& input, const std::string& reason) const
{
    Report(input, reason);
    state.unread.emplace_back(input, reason);
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
        Unread(file, message);
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

std::string Run::ShownText(std::int64_t utcSeconds) const
{
    return ShownText(utcSeconds, DisplayedText(utcSeconds));
}

std::string Run::ShownText(std::int64_t utcSeconds, std::string text) const
{
    if (options.utc)
        return text;
    const std::int64_t quarter = utcSeconds >= 0 ? utcSeconds / 900 : (utcSeconds - 899) / 900;
    RunState::QuarterOffset& slot = state.offsets[static_cast<std::uint64_t>(quarter) % state.offsets.size()];
    std::optional<LocalOffset> offset;
    {
        const std::lock_guard<std::mutex> lock(state.offsetLock);
        if (slot.quarter == quarter)
            offset = slot.offset;
    }
    if (!offset) {
        offset = LocalOffsetAt(UnixSecondsToDateTime(utcSeconds), platform.utcToLocal);
        const std::lock_guard<std::mutex> lock(state.offsetLock);
        slot = {quarter, *offset};
    }
    if (offset->ambiguous)
        text += " " + OffsetText(offset->minutes);
    return text;
}

void Run::Error(const std::string& line) const
{
    err << "tavelin: " << line << '\n';
}

bool Run::WriteOut(std::string_view text) const
{
    if (state.writeFailed || state.pipeClosed)
        return false;
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (out)
        return true;
    const std::string reason = platform.outputError();
    if (reason.empty()) {
        state.pipeClosed = true;
    } else {
        state.writeFailed = true;
        Error("cannot write the output: " + reason);
    }
    return false;
}

int Run::Finish(bool allRead) const
{
    for (const std::string& notice : state.notices)
        Error(notice);
    state.notices.clear();
    return allRead && !state.writeFailed ? kExitOk : kExitFailed;
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
    RunState state;
    const Run run{parsed.options, platform, out, err, state};
    if (parsed.options.format == OutputFormat::Csv) {
        const unsigned codePage = parsed.options.codePage.value_or(platform.defaultCodePage);
        std::size_t lost = 0;
        if (!platform.encode("", codePage, lost)) {
            run.Error("code page " + std::to_string(codePage) + " cannot be written here");
            return kExitUsage;
        }
    }
    switch (parsed.options.command) {
    case Command::Help:
        run.WriteOut(HelpText(liveLogs));
        return run.Finish(true);
    case Command::Version:
        run.WriteOut("tavelin " TAVELIN_VERSION_TEXT "\n");
        return run.Finish(true);
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
    case Command::Rdp:
        return RunRdp(run);
    }
    return kExitUsage;
}

}  // namespace tav::cli

// tavelin report: the sessions and failed logons of Security logs, and the
// Remote Desktop sessions of terminal servers' logs, as one self-contained
// HTML page, written whole or not at all, never over an input.
#include <algorithm>
#include <climits>
#include <filesystem>

#include "base/ascii.h"
#include "base/terminal_events.h"
#include "cli/commands.h"
#include "cli/event_inputs.h"
#include "cli/files.h"
#include "cli/inputs.h"
#include "cli/logon_rows.h"
#include "cli/rdp_rows.h"
#include "cli/tool.h"
#include "evtx/log_file.h"
#include "report/collector.h"
#include "sessions/security_events.h"

namespace tav::cli {
namespace {

// The page keeps an input's number in 32 bits; no command line names more inputs.
std::uint32_t Number(std::uint64_t input)
{
    return static_cast<std::uint32_t>(input);
}

// Why the page cannot go to `output`: it would replace a log, or it names a
// folder; empty when it can.
std::string OutputProblem(const Run& run, const std::string& output)
{
    if (EndsWithIgnoringAsciiCase(output, ".evtx"))
        return output + ": the page would replace an event log (.evtx); name an .html file";
    std::error_code error;
    if (std::filesystem::is_directory(evtx::PathFromUtf8(output), error))
        return output + ": is a folder; name an .html file in it";
    std::vector<InputProblem> ignored;
    for (const std::string& input : ExpandInputs(run.options.files, ignored))
        if (SameFile(input, output))
            return output + ": is an input (" + input + "); the page would replace it";
    return {};
}

// The input files (live logs are none) when a LocalSessionManager log is
// among them (its first record tells): their Remote Desktop sessions go on
// the page.
std::vector<std::string> RemoteDesktopFiles(const Run& run)
{
    std::vector<InputProblem> ignored;
    std::vector<std::string> files = ExpandInputs(run.options.files, ignored);
    if (std::none_of(files.begin(), files.end(),
                     [](const std::string& file) { return FirstChannel(file) == terminal::kSessionChannel; }))
        files.clear();
    return files;
}

// The Remote Desktop sessions of `files` onto the page, read again on a
// state of their own from those the logon read could read: that read has
// said what it found wrong with them.
bool AddRdpSessions(const Run& run, std::vector<std::string> files, report::ReportCollector& collector)
{
    std::erase_if(files, [&](const std::string& file) {
        return std::any_of(run.state.unread.begin(), run.state.unread.end(),
                           [&](const auto& unread) { return unread.first == file; });
    });
    Options options = run.options;
    options.files = std::move(files);
    RunState state;
    const Run rdpRun{options, run.platform, run.out, run.err, state};
    const bool allRead = ReadRdpSessions(rdpRun, [&](sessions::RdpSession&& s) {
        if (RdpSelected(run, s))
            collector.Add(s);
    });
    run.state.unread.insert(run.state.unread.end(), state.unread.begin(), state.unread.end());
    return allRead;
}

}  // namespace

int RunReport(const Run& run)
{
    const std::string& output = run.options.output;
    const bool toStandardOutput = output == "-";
    if (!toStandardOutput) {
        if (const std::string problem = OutputProblem(run, output); !problem.empty()) {
            run.Error(problem);
            return kExitUsage;
        }
    }
    report::TimeView time{
        .shown = [&](std::int64_t utc) { return DateTimeToUnixMilliseconds(run.ToDisplayed(UnixSecondsToDateTime(utc))) / 1000; },
        .text = [&](std::int64_t utc) { return run.ShownText(utc); },
    };
    report::ReportCollector collector(std::move(time), run.Jobs());
    std::int64_t earliest = INT64_MAX;  // UTC, for the zone's offsets over the period
    std::int64_t latest = INT64_MIN;
    const std::vector<std::string> rdpFiles = ReadsLiveLogs(run.options) ? std::vector<std::string>()
                                                                        : RemoteDesktopFiles(run);
    const bool allRead = ReadLogonRows(
        run, {.session = [&](std::uint64_t input, const sessions::Session& s) { collector.Add(Number(input), s); },
              .failure = [&](std::uint64_t input, const sessions::FailedLogon& f) { collector.Add(Number(input), f); },
              .eventTimes =
                  [&](std::int64_t first, std::int64_t last) {
                      collector.AddEventTime(first);
                      collector.AddEventTime(last);
                      earliest = std::min(earliest, first);
                      latest = std::max(latest, last);
                  },
              .remoteDesktop = !rdpFiles.empty()});
    if (run.state.inputsRead == 0) {
        run.Error("no input could be read: no page written");
        return run.Finish(false);
    }
    const bool rdpRead = rdpFiles.empty() || AddRdpSessions(run, rdpFiles, collector);
    report::ReportInput page = collector.Finish();
    page.live = ReadsLiveLogs(run.options);
    if (!page.live)
        page.inputs = run.options.files;
    for (const std::string& computer : run.options.computers)
        page.inputs.push_back(ComputerName(computer));
    if (run.options.computersFile)
        page.inputs.push_back(*run.options.computersFile);
    page.utc = run.options.utc;
    if (!page.utc && earliest <= latest)
        page.zone = DescribeZone(run.platform.zoneName, earliest, latest, run.platform.utcToLocal);
    page.language = run.options.english ? report::Language::English : report::Language::Russian;
    page.unread = run.state.unread;
    page.notices = run.state.notices;
    const std::string html = report::ReportHtml(page);

    if (toStandardOutput) {
        run.WriteOut(html);
    } else if (const std::string failure = WriteFileWhole(output, html); !failure.empty()) {
        run.Error("cannot write the page: " + failure);
        run.state.writeFailed = true;
    }
    return run.Finish(allRead && rdpRead);
}

}  // namespace tav::cli

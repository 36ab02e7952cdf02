// tavelin report: the sessions and failed logons of Security logs as one
// self-contained HTML page.
#include <filesystem>
#include <fstream>

#include "cli/commands.h"
#include "cli/logon_rows.h"
#include "cli/inputs.h"
#include "cli/tool.h"
#include "report/collector.h"

namespace tav::cli {
namespace {

// The page keeps an input's number in 32 bits; no command line names more inputs.
std::uint32_t Number(std::uint64_t input)
{
    return static_cast<std::uint32_t>(input);
}

}  // namespace

int RunReport(const Run& run)
{
    report::ReportCollector collector({
        .shown = [&](std::int64_t utc) { return DateTimeToUnixMilliseconds(run.ToDisplayed(UnixSecondsToDateTime(utc))) / 1000; },
        .text = [&](std::int64_t utc) { return run.DisplayedText(utc); },
    });
    const bool allRead = ReadLogonRows(
        run, {.session = [&](std::uint64_t input, const sessions::Session& s) { collector.Add(Number(input), s); },
              .failure = [&](std::uint64_t input, const sessions::FailedLogon& f) { collector.Add(Number(input), f); },
              .eventTimes =
                  [&](std::int64_t earliest, std::int64_t latest) {
                      collector.AddEventTime(earliest);
                      collector.AddEventTime(latest);
                  }});
    report::ReportInput page = collector.Finish();
    page.live = ReadsLiveLogs(run.options);
    if (!page.live)
        page.inputs = run.options.files;
    for (const std::string& computer : run.options.computers)
        page.inputs.push_back(ComputerName(computer));
    if (run.options.computersFile)
        page.inputs.push_back(*run.options.computersFile);
    page.utc = run.options.utc;
    page.language = run.options.english ? report::Language::English : report::Language::Russian;
    const std::string html = report::ReportHtml(page);

    const std::string& name = run.options.output;
    std::ofstream file(std::filesystem::path(std::u8string(name.begin(), name.end())), std::ios::binary);
    file.write(html.data(), static_cast<std::streamsize>(html.size()));
    file.close();
    if (!file) {
        run.Report(name, "cannot be written");
        return kExitInputFailed;
    }
    return allRead ? kExitOk : kExitInputFailed;
}

}  // namespace tav::cli

// tavelin report: the sessions and failed logons of Security logs as one
// self-contained HTML page.
#include <filesystem>
#include <fstream>

#include "cli/commands.h"
#include "cli/logon_rows.h"
#include "cli/tool.h"
#include "report/collector.h"

namespace tav::cli {

int RunReport(const Run& run)
{
    report::ReportCollector collector({
        .shown = [&](std::int64_t utc) { return DateTimeToUnixMilliseconds(run.ToDisplayed(UnixSecondsToDateTime(utc))) / 1000; },
        .text = [&](std::int64_t utc) { return run.DisplayedText(utc); },
    });
    const bool allRead = ReadLogonRows(
        run, {.session = [&](std::uint32_t input, const sessions::Session& s) { collector.Add(input, s); },
              .failure = [&](std::uint32_t input, const sessions::FailedLogon& f) { collector.Add(input, f); },
              .record = [&](const evtx::Record& record) { collector.AddEventTime(record.timeCreated); }});
    report::ReportInput page = collector.Finish();
    page.inputs = run.options.computer ? std::vector<std::string>{ComputerName(*run.options.computer)}
                                       : run.options.files;
    page.live = run.options.computer.has_value();
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

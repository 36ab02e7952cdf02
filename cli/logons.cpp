// tavelin logons: the workstation list of each Security log, scanned as the
// program scans one.
#include <functional>

#include "cli/commands.h"
#include "cli/progress_bar.h"
#include "cli/time_range_source.h"
#include "cli/tool.h"
#include "evtx/legacy_source.h"
#include "seclog/logon_scan.h"

namespace tav::cli {
namespace {

// Scans `source` into `rows`; false (reported) when it could not be read to its end.
bool Scan(const Run& run, seclog::RecordSource& source, const std::string& input,
          const std::function<double()>& progress, std::vector<ResultRow>& rows)
{
    const auto toDisplayed = [&run](DateTime utc) { return run.ToDisplayed(utc); };
    TimeRangeSource ranged(source, {run.options.since, run.options.until}, toDisplayed);
    const bool inRange = run.options.since || run.options.until;
    seclog::LogonFilter filter(run.platform.formats, toDisplayed);
    ProgressBar bar(run.err, progress && run.platform.stderrIsTerminal, input);
    seclog::ScanCallbacks callbacks;
    callbacks.perRecord = [&] {
        bar.Update(progress ? progress() : 0.0);
        return true;
    };
    callbacks.addRow = [&rows](ResultRow&& row) { rows.push_back(std::move(row)); };
    const seclog::ScanOutcome outcome = seclog::RunScan(inRange ? ranged : source, filter, callbacks);
    bar.Finish();
    switch (outcome.end) {
    case seclog::ScanEnd::EndOfLog:
    case seclog::ScanEnd::Stopped:
        return true;
    case seclog::ScanEnd::RowCap:
        run.Report(input, "stopped after " + std::to_string(seclog::MaxScanRows) + " rows, the program's limit");
        return true;
    case seclog::ScanEnd::ReadError:
        run.Report(input, run.platform.errorText(outcome.error));
        return false;
    case seclog::ScanEnd::Malformed:
        run.Report(input, run.platform.errorText(seclog::kErrorEventlogFileCorrupt));
        return false;
    case seclog::ScanEnd::Error:
        run.Report(input, outcome.errorText);
        return false;
    }
    return false;
}

}  // namespace

int RunLogons(const Run& run)
{
    std::vector<ResultRow> rows;
    bool allRead = true;
    if (run.options.computer) {
        const std::string input = ComputerName(*run.options.computer);
        std::uint32_t error = 0;
        const std::unique_ptr<seclog::RecordSource> source =
            run.platform.liveLogs->Open(*run.options.computer, "security", error);
        if (!source)
            run.Report(input, run.platform.errorText(error));
        allRead = source && Scan(run, *source, input, {}, rows);
    }
    for (const std::string& file : run.options.files) {
        std::unique_ptr<evtx::Reader> reader = run.OpenInput(file);
        if (!reader) {
            allRead = false;
            continue;
        }
        evtx::LegacySource source(std::move(reader));
        allRead = Scan(run, source, file, [&source] { return source.Progress(); }, rows) && allRead;
    }
    if (!run.Write(LogonList(), rows))
        return kExitUsage;
    return allRead ? kExitOk : kExitInputFailed;
}

}  // namespace tav::cli

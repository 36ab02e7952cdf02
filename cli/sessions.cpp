// tavelin sessions: the terminal-server list from saved LocalSessionManager
// logs.
#include "cli/commands.h"
#include "cli/progress_bar.h"
#include "cli/tool.h"
#include "evtx/legacy_source.h"
#include "tsquery/saved_sessions.h"

namespace tav::cli {
namespace {

// Share of the file's chunks the reader has been through.
double ChunkShare(const evtx::Reader& reader)
{
    const evtx::Stats& stats = reader.GetStats();
    const std::uint64_t done = stats.chunksRead + stats.chunksEmpty + stats.chunksBadMagic;
    return reader.ChunkCount() == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(reader.ChunkCount());
}

}  // namespace

int RunSessions(const Run& run)
{
    std::vector<ResultRow> rows;
    bool allRead = true;
    for (const std::string& file : run.options.files) {
        std::unique_ptr<evtx::Reader> reader = run.OpenInput(file);
        if (!reader) {
            allRead = false;
            continue;
        }
        ProgressBar bar(run.err, run.platform.stderrIsTerminal, file);
        tsquery::SavedSessionQuery query;
        // No start date: from the first day the calendar has.
        query.startDate = run.options.since.value_or(EncodeDateTime(CivilTime{1, 1, 1}).value_or(0));
        query.endDate = run.options.until;
        query.formats = run.platform.formats;
        query.utcToLocal = [&run](DateTime utc) { return run.ToDisplayed(utc); };
        query.perRecord = [&] {
            bar.Update(ChunkShare(*reader));
            return true;
        };
        tsquery::SavedSessions found = tsquery::ReadSavedSessions(*reader, query);
        bar.Finish();
        for (ResultRow& row : found.rows)
            rows.push_back(std::move(row));
        if (found.error != 0) {
            run.Report(file, found.errorText);
            allRead = false;
        }
    }
    if (!run.Write(SessionList(), rows))
        return kExitUsage;
    return allRead ? kExitOk : kExitInputFailed;
}

}  // namespace tav::cli

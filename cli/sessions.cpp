// tavelin sessions: the terminal-server list from saved LocalSessionManager
// logs.
#include "cli/commands.h"
#include "cli/event_inputs.h"
#include "cli/list_out.h"
#include "cli/tool.h"
#include "tsquery/saved_sessions.h"

namespace tav::cli {
namespace {

struct SessionItem {
    ResultRow row;
    std::string computer;
    std::int64_t time = 0;
    std::uint64_t recordId = 0;
};

std::vector<std::string> Cells(const Run& run, const SessionItem& item)
{
    if (run.options.format != OutputFormat::Json)
        return {item.row.Text(0), item.row.Text(1), item.row.Text(2)};
    std::string text;
    JsonLine(text)
        .Text("date", item.row.Text(0))
        .Text("user", item.row.Text(1))
        .Text("address", item.row.Text(2))
        .Text("time", run.IsoTime(item.time))
        .Text("computer", item.computer)
        .Number("record_id", static_cast<long long>(item.recordId));
    return {std::move(text)};
}

}  // namespace

int RunSessions(const Run& run)
{
    ListOut out(run, SessionList().captions);
    tsquery::SavedSessionQuery query;
    // No start date: from the first day the calendar has.
    query.startDate = run.options.since.value_or(EncodeDateTime(CivilTime{1, 1, 1}).value_or(0));
    query.endDate = run.options.until;
    query.formats = run.platform.formats;
    query.utcToLocal = [&run](DateTime utc) { return run.ToDisplayed(utc); };
    std::uint64_t inputIndex = 0;
    EventInputs<SessionItem> inputs;
    inputs.order = evtx::WalkOrder::NewestFirst;
    static constexpr std::uint16_t kEvents[] = {tsquery::kSessionLogonEvent};
    inputs.events = kEvents;
    inputs.transform = [&](const evtx::Record& record, evtx::ItemList<SessionItem>& items) {
        if (std::optional<ResultRow> row = tsquery::SavedSessionRow(record, query))
            items.Add({std::move(*row), record.computer, record.timeCreated, record.recordId});
    };
    inputs.begin = [&](const std::string&) { ++inputIndex; };
    inputs.items = [&](std::span<SessionItem> items) {
        for (const SessionItem& item : items)
            out.Add({inputIndex, 0, 0}, item.computer, Cells(run, item));
    };
    inputs.end = [] {};
    const bool allRead = ReadEventInputs(run, inputs);
    const int written = out.Write();
    return written != kExitOk ? written : allRead ? kExitOk : kExitInputFailed;
}

}  // namespace tav::cli

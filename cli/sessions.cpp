// tavelin sessions: the terminal-server list from saved LocalSessionManager
// logs.
#include "base/terminal_events.h"
#include "cli/commands.h"
#include "cli/event_inputs.h"
#include "cli/output.h"
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

// The terminal-server list: Date, User Name, Login From.
const ListForm kSessionForm{{"Date", "User Name", "Login From"}, {"Date", "User Name", "Login From"}};

void Describe(const Run& run, const SessionItem& item, Row& out)
{
    switch (out.Format()) {
    case OutputFormat::Json:
        out.Text("date", item.row.Text(0))
            .Text("user", item.row.Text(1))
            .Text("address", item.row.Text(2))
            .Text("time", run.IsoTime(item.time))
            .Text("computer", item.computer)
            .Number("record_id", static_cast<long long>(item.recordId));
        return;
    case OutputFormat::Table:
        // The Date text is the displayed text of the same instant.
        out.Cell(run.ShownText(item.time, item.row.Text(0)));
        break;
    case OutputFormat::Csv:
        out.Cell(item.row.Text(0));
        break;
    }
    out.Cell(item.row.Text(1)).Cell(item.row.Text(2));
}

}  // namespace

int RunSessions(const Run& run)
{
    Output out(run, kSessionForm);
    tsquery::SavedSessionQuery query;
    // No start date: from the first day the calendar has.
    query.startDate = run.options.since.value_or(EncodeDateTime(CivilTime{1, 1, 1}).value_or(0));
    query.endDate = run.options.until;
    query.formats = run.platform.formats;
    query.utcToLocal = [&run](DateTime utc) { return run.ToDisplayed(utc); };
    std::uint64_t inputIndex = 0;
    EventInputs<SessionItem> inputs;
    inputs.order = evtx::WalkOrder::NewestFirst;
    static constexpr std::uint16_t kEvents[] = {terminal::kLogon};
    inputs.events = kEvents;
    inputs.channels = {terminal::kSessionChannel};
    inputs.what = "Remote Desktop session logons (event 21)";
    inputs.transform = [&](const evtx::Record& record, evtx::ItemList<SessionItem>& items) {
        if (std::optional<ResultRow> row = tsquery::SavedSessionRow(record, query))
            items.Add({std::move(*row), record.computer, record.timeCreated, record.recordId});
    };
    inputs.begin = [&](const std::string&) { ++inputIndex; };
    inputs.items = [&](std::span<SessionItem> items) {
        for (const SessionItem& item : items) {
            Row row = out.NewRow();
            Describe(run, item, row);
            out.Add({inputIndex, 0, 0}, item.computer, std::move(row));
        }
    };
    inputs.end = [] {};
    return out.Finish(ReadEventInputs(run, inputs));
}

}  // namespace tav::cli

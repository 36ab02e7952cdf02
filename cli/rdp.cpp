// tavelin rdp: whole Remote Desktop sessions, from the logs of terminal
// servers, each computer's logs merged by time.
#include <cstdio>

#include "base/security_events.h"
#include "base/terminal_events.h"
#include "cli/commands.h"
#include "cli/event_inputs.h"
#include "cli/output.h"
#include "cli/rdp_rows.h"
#include "cli/record_merge.h"
#include "cli/tool.h"
#include "sessions/rdp.h"
#include "sessions/security_events.h"

namespace tav::cli {
namespace {

using sessions::RdpConnection;
using sessions::RdpEnd;
using sessions::RdpSession;

constexpr std::uint16_t kEvents[] = {
    terminal::kLogon,      terminal::kLogoff,         terminal::kDisconnect,   terminal::kReconnect,
    terminal::kTakenOver,  terminal::kDisconnectReason, terminal::kAuthenticated, security::kReconnect,
    security::kDisconnect, security::kBoot,           security::kLogShutdown,  terminal::kLogStarted,
    terminal::kLogStopped, terminal::kUnexpectedStop,
};
constexpr evtx::StringSet kStrings = evtx::StringsAt({0, 1, 2, 3, 4, 5});


// Rows of equal start by computer, then sessions before lone 1149s, then id.
std::string Tie(const std::string& computer, const std::optional<std::uint32_t>& id)
{
    char number[16];
    std::snprintf(number, sizeof number, "%c%010u", id ? '0' : '1', id.value_or(0));
    return sessions::ComputerKey(computer) + '\n' + number;
}

const ListForm kSessionForm{
    {"User", "Session", "From", "Client", "Logon", "End", "Active", "Disconnected", "Connections", "Addresses"},
    {"User", "Session", "From", "Client", "Authenticated", "Logon", "End", "Active (s)", "Disconnected (s)",
     "Connections", "Addresses", "End Reason"}};

void Describe(const Run& run, const RdpSession& s, Row& out)
{
    const std::string from = s.From();
    const std::string client = s.Client();
    const std::optional<std::int64_t> authenticated =
        s.connections.empty() ? s.authenticated : s.connections.front().authenticated;
    const std::int64_t active = s.Active();
    const bool ended = s.Ended();
    const std::int64_t disconnected = s.Disconnected();
    const std::vector<std::string> addresses = s.Addresses();
    const std::string session = s.id ? std::to_string(*s.id) : "-";
    const auto time = [&](const std::optional<std::int64_t>& t) { return t ? run.DisplayedText(*t) : std::string(); };
    switch (out.Format()) {
    case OutputFormat::Json:
        out.Text("computer", s.computer).Text("user", s.user);
        s.id ? out.Number("session_id", *s.id) : out.Null("session_id");
        out.Text("from", from).Text("client", client);
        authenticated ? out.Text("authenticated", run.IsoTime(*authenticated)) : out.Null("authenticated");
        s.logon ? out.Text("logon", run.IsoTime(*s.logon)) : out.Null("logon");
        s.end ? out.Text("end", run.IsoTime(*s.end)) : out.Null("end");
        out.Text("end_reason", sessions::RdpEndKey(s.reason)).Number("active_s", active);
        ended ? out.Number("disconnected_s", disconnected) : out.Null("disconnected_s");
        out.Number("connections", static_cast<long long>(s.connections.size())).Texts("addresses", addresses);
        return;
    case OutputFormat::Csv:
        out.Cell(s.user).Cell(session).Cell(from).Cell(client).Cell(time(authenticated)).Cell(time(s.logon));
        out.Cell(time(s.end)).Cell(std::to_string(active));
        out.Cell(ended ? std::to_string(disconnected) : std::string());
        out.Cell(std::to_string(s.connections.size())).Cell(sessions::Joined(addresses));
        out.Cell(sessions::RdpEndKey(s.reason));
        return;
    case OutputFormat::Table:
        out.Cell(s.user).Cell(session).Cell(from).Cell(client);
        out.Cell(s.logon ? run.ShownText(*s.logon) : "before log");
        out.Cell(s.reason == RdpEnd::Logoff ? run.ShownText(*s.end) : sessions::RdpEndWords(s.reason));
        out.Cell(sessions::DurationText(active)).Cell(ended ? sessions::DurationText(disconnected) : "");
        out.Cell(std::to_string(s.connections.size())).Cell(sessions::Joined(addresses));
        return;
    }
}

const ListForm kConnectionForm{
    {"User", "Session", "From", "Client", "Authenticated", "Start", "End", "Reason", "Duration"},
    {"User", "Session", "From", "Client", "Authenticated", "Start", "End", "Reason", "Duration (s)"}};

void Describe(const Run& run, const RdpSession& s, const RdpConnection& c, Row& out)
{
    const std::string session = std::to_string(s.id.value_or(0));
    const std::int64_t duration = c.end ? *c.end - c.start : 0;
    switch (out.Format()) {
    case OutputFormat::Json:
        out.Text("computer", c.computer).Text("user", c.user).Number("session_id", s.id.value_or(0));
        out.Text("from", c.from).Text("client", c.client);
        c.authenticated ? out.Text("authenticated", run.IsoTime(*c.authenticated)) : out.Null("authenticated");
        out.Text("start", run.IsoTime(c.start));
        c.end ? out.Text("end", run.IsoTime(*c.end)) : out.Null("end");
        out.Text("reason", c.reason);
        c.end ? out.Number("duration_s", duration) : out.Null("duration_s");
        return;
    case OutputFormat::Csv:
        out.Cell(c.user).Cell(session).Cell(c.from).Cell(c.client);
        out.Cell(c.authenticated ? run.DisplayedText(*c.authenticated) : "").Cell(run.DisplayedText(c.start));
        out.Cell(c.end ? run.DisplayedText(*c.end) : "").Cell(c.reason);
        out.Cell(c.end ? std::to_string(duration) : "");
        return;
    case OutputFormat::Table:
        out.Cell(c.user).Cell(session).Cell(c.from).Cell(c.client);
        out.Cell(c.authenticated ? run.ShownText(*c.authenticated) : "").Cell(run.ShownText(c.start));
        out.Cell(c.end ? run.ShownText(*c.end) : "still connected").Cell(c.reason);
        out.Cell(c.end ? sessions::DurationText(duration) : "");
        return;
    }
}

// Whether [start, end] (open: to the end of time) meets --since/--until.
bool Overlaps(const Run& run, std::int64_t start, const std::optional<std::int64_t>& end)
{
    const auto shown = [&](std::int64_t t) {
        return DateTimeToUnixMilliseconds(run.ToDisplayed(UnixSecondsToDateTime(t)));
    };
    return (!run.options.until || shown(start) < DateTimeToUnixMilliseconds(*run.options.until)) &&
           (!run.options.since || !end || shown(*end) >= DateTimeToUnixMilliseconds(*run.options.since));
}

}  // namespace

bool RdpSelected(const Run& run, const RdpSession& s)
{
    if (!Overlaps(run, s.Start(), s.end))
        return false;
    if (run.options.user) {
        const std::size_t split = s.user.rfind('\\');
        const std::string name = split == std::string::npos ? s.user : s.user.substr(split + 1);
        const std::string domain = split == std::string::npos ? std::string() : s.user.substr(0, split);
        if (!sessions::MatchesUser(*run.options.user, name, domain))
            return false;
    }
    if (!run.options.from)
        return true;
    if (!s.id)
        return sessions::MatchesFrom(*run.options.from, s.address, "", "");
    return std::any_of(s.connections.begin(), s.connections.end(), [&](const RdpConnection& c) {
        return sessions::MatchesFrom(*run.options.from, c.from, c.client, "");
    });
}

std::vector<std::string_view> RemoteDesktopChannels()
{
    return {terminal::kSessionChannel, terminal::kConnectionChannel, "Security", terminal::kSystemChannel};
}

bool ReadRdpSessions(const Run& run, const std::function<void(sessions::RdpSession&&)>& emit)
{
    sessions::RdpTracker tracker(emit);
    RuleFeed feed([&](const evtx::Record& record) { tracker.Offer(record); }, run.Jobs());
    EventInputs<evtx::Record> inputs;
    inputs.order = evtx::WalkOrder::OldestFirst;
    inputs.events = kEvents;
    inputs.strings = kStrings;
    inputs.channels = RemoteDesktopChannels();
    inputs.what = "Remote Desktop session events";
    inputs.largestLast = true;
    inputs.transform = [](const evtx::Record& record, evtx::ItemList<evtx::Record>& items) {
        if (!sessions::RdpTracker::Take(record, items.Add()))
            items.RemoveLast();
    };
    inputs.files = [&](std::size_t files) { feed.Files(files); };
    inputs.begin = [&](const std::string& name) { feed.BeginInput(name); };
    inputs.items = [&](std::span<evtx::Record> records) {
        for (evtx::Record& record : records)
            feed.Add(std::move(record));
    };
    inputs.end = [] {};
    const bool allRead = ReadEventInputs(run, inputs) & feed.Finish(run);
    tracker.Finish();
    return allRead;
}

int RunRdp(const Run& run)
{
    Output out(run, run.options.connections ? kConnectionForm : kSessionForm);
    const auto emit = [&](RdpSession&& s) {
        if (!RdpSelected(run, s))
            return;
        if (!run.options.connections) {
            Row row = out.NewRow();
            Describe(run, s, row);
            out.Add({0, s.Start(), 0, Tie(s.computer, s.id)}, s.computer, std::move(row));
            return;
        }
        for (const RdpConnection& c : s.connections) {
            if (!Overlaps(run, c.start, c.end))
                continue;
            Row row = out.NewRow();
            Describe(run, s, c, row);
            out.Add({0, c.start, 0, Tie(c.computer, s.id)}, c.computer, std::move(row));
        }
    };
    const bool allRead = ReadRdpSessions(run, emit);
    return out.Finish(allRead);
}

}  // namespace tav::cli

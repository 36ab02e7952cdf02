// tavelin last and lastb: logon sessions with their end and duration, and
// failed logons with their reason, from Security logs.
#include <algorithm>
#include <cstdio>
#include <functional>

#include "cli/commands.h"
#include "cli/event_inputs.h"
#include "cli/list_out.h"
#include "cli/tool.h"
#include "sessions/failed_logons.h"
#include "sessions/security_events.h"
#include "sessions/session_tracker.h"

namespace tav::cli {
namespace {

using sessions::EndReason;
using sessions::FailedLogon;
using sessions::FailureSource;
using sessions::Session;

bool Selected(const Run& run, std::int64_t time, const std::string& user, const std::string& domain,
              const std::string& ip, const std::string& workstation, const std::string& from)
{
    return run.InRange(time) && (!run.options.user || sessions::MatchesUser(*run.options.user, user, domain)) &&
           (!run.options.from || sessions::MatchesFrom(*run.options.from, ip, workstation, from));
}

// "(H:MM)", or "(D+HH:MM)" from a day on; a negative one (a clock set
// back) with its minus sign.
std::string DurationText(std::int64_t seconds)
{
    const std::int64_t minutes = (seconds < 0 ? -seconds : seconds) / 60;
    const long long days = minutes / 1440;
    const long long hours = minutes / 60 % 24;
    char text[48];
    if (days > 0)
        std::snprintf(text, sizeof text, "(%s%lld+%02lld:%02lld)", seconds < 0 ? "-" : "", days, hours,
                      static_cast<long long>(minutes % 60));
    else
        std::snprintf(text, sizeof text, "(%s%lld:%02lld)", seconds < 0 ? "-" : "", hours,
                      static_cast<long long>(minutes % 60));
    return text;
}

const char* ReasonKey(EndReason reason)
{
    switch (reason) {
    case EndReason::Logoff: return "logoff";
    case EndReason::Shutdown: return "shutdown";
    case EndReason::Crash: return "crash";
    case EndReason::Open: break;
    }
    return "open";
}

std::vector<std::string> SessionCaptions(const Run& run)
{
    if (run.options.format == OutputFormat::Table)
        return {"User", "From", "Type", "Start", "End", "Duration"};
    return {"User", "Domain", "From", "Type", "Start", "End", "Duration (s)", "End Reason"};
}

std::vector<std::string> SessionCells(const Run& run, const Session& s, bool live)
{
    if (run.options.format == OutputFormat::Json) {
        std::string text;
        {
            JsonLine line(text);
            line.Number("record_id", static_cast<long long>(s.recordId))
                .Text("computer", s.computer)
                .Text("user", s.user)
                .Text("domain", s.domain)
                .Text("sid", s.sid)
                .Type("logon_type", s.logonType)
                .Text("logon_type_name", sessions::LogonTypeName(s.logonType))
                .Text("from", s.from)
                .Text("ip", s.ip)
                .Text("workstation", s.workstation)
                .Text("logon_id", s.logonId)
                .Text("start", run.IsoTime(s.start));
            if (s.end)
                line.Text("end", run.IsoTime(*s.end)).Number("duration_s", *s.end - s.start);
            else
                line.Null("end").Null("duration_s");
            line.Text("end_reason", ReasonKey(s.reason))
                .Number("disconnects", s.disconnects)
                .Number("reconnects", s.reconnects);
        }
        return {std::move(text)};
    }
    const std::string type = sessions::LogonTypeName(s.logonType);
    const std::string start = run.DisplayedText(s.start);
    if (run.options.format == OutputFormat::Csv)
        return {s.user, s.domain, s.from, type, start, s.end ? run.DisplayedText(*s.end) : std::string(),
                s.end ? std::to_string(*s.end - s.start) : std::string(), ReasonKey(s.reason)};
    std::string end;
    switch (s.reason) {
    case EndReason::Logoff: end = run.DisplayedText(*s.end); break;
    case EndReason::Shutdown: end = "down"; break;
    case EndReason::Crash: end = "crash"; break;
    case EndReason::Open: end = live ? "still logged on" : "no logoff in log"; break;
    }
    return {s.user, s.from, type, start, end, s.end ? DurationText(*s.end - s.start) : std::string()};
}

std::vector<std::string> FailureCaptions(const Run& run)
{
    if (run.options.format == OutputFormat::Table)
        return {"Time", "User", "From", "Type", "Reason"};
    return {"Time", "User", "Domain", "From", "Type", "Reason", "Status", "Sub Status"};
}

std::vector<std::string> FailureCells(const Run& run, const FailedLogon& f)
{
    if (run.options.format == OutputFormat::Json) {
        std::string text;
        JsonLine(text)
            .Number("record_id", static_cast<long long>(f.recordId))
            .Text("computer", f.computer)
            .Text("time", run.IsoTime(f.time))
            .Text("user", f.user)
            .Text("domain", f.domain)
            .Type("logon_type", f.logonType)
            .Text("logon_type_name", sessions::LogonTypeName(f.logonType))
            .Text("from", f.from)
            .Text("ip", f.ip)
            .Text("workstation", f.workstation)
            .Text("status", f.status)
            .Text("sub_status", f.subStatus)
            .Text("reason", f.reason);
        return {std::move(text)};
    }
    const std::string type = sessions::LogonTypeName(f.logonType);
    if (run.options.format == OutputFormat::Table)
        return {run.DisplayedText(f.time), f.user, f.from, type, f.reason};
    return {run.DisplayedText(f.time), f.user, f.domain, f.from, type, f.reason, f.status, f.subStatus};
}

std::string Joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

int WriteSummary(const Run& run, const std::vector<FailureSource>& sources)
{
    ListOut out(run, {"From", "Attempts", "Users", "First", "Last", "Top Reason", "Top Users"}, false);
    for (const FailureSource& s : sources) {
        if (run.options.format == OutputFormat::Json) {
            std::string text;
            JsonLine(text)
                .Text("from", s.from)
                .Number("attempts", static_cast<long long>(s.attempts))
                .Number("users", static_cast<long long>(s.users))
                .Text("first", run.IsoTime(s.first))
                .Text("last", run.IsoTime(s.last))
                .Text("top_reason", s.topReason)
                .Texts("top_users", s.topUsers);
            out.Add({}, {}, {std::move(text)});
        } else {
            out.Add({}, {},
                    {s.from, std::to_string(s.attempts), std::to_string(s.users), run.DisplayedText(s.first),
                     run.DisplayedText(s.last), s.topReason, Joined(s.topUsers)});
        }
    }
    return out.Write();
}

// "N records skipped" of an input, when there are any.
void ReportSkipped(const Run& run, const std::string& input, std::uint64_t skipped)
{
    if (skipped > 0)
        run.Report(input, std::to_string(skipped) + " records skipped: too few fields");
}

}  // namespace

int RunLast(const Run& run)
{
    sessions::SessionRules rules;
    if (run.options.types)
        rules.types = *run.options.types;
    rules.allAccounts = run.options.allAccounts;
    const bool live = ReadsLiveLogs(run.options);
    ListOut out(run, SessionCaptions(run));
    std::uint64_t inputIndex = 0;
    std::string input;
    std::uint64_t skippedBefore = 0;  // by the tracker, in the inputs before
    // Newest start first, of equal starts the later record; each input on its own.
    sessions::SessionTracker tracker(rules, [&](Session&& s) {
        if (Selected(run, s.start, s.user, s.domain, s.ip, s.workstation, s.from))
            out.Add({inputIndex, s.start, s.recordId}, s.computer, SessionCells(run, s, live));
    });
    EventInputs<evtx::Record> inputs;
    inputs.order = evtx::WalkOrder::OldestFirst;
    static constexpr std::uint16_t kEvents[] = {sessions::kLogShutdown, sessions::kBoot,      sessions::kLogon,
                                                sessions::kLogoff,      sessions::kUserLogoff, sessions::kReconnect,
                                                sessions::kDisconnect};
    inputs.events = kEvents;
    inputs.transform = [](const evtx::Record& record, std::vector<evtx::Record>& items) {
        if (sessions::SessionTracker::Reads(record))
            items.push_back(record);
    };
    inputs.begin = [&](const std::string& name) {
        ++inputIndex;
        input = name;
        skippedBefore = tracker.TooFewFields();
    };
    inputs.items = [&](std::span<evtx::Record> records) {
        for (const evtx::Record& record : records)
            tracker.Offer(record);
    };
    inputs.end = [&] {
        tracker.Finish();
        ReportSkipped(run, input, tracker.TooFewFields() - skippedBefore);
    };
    const bool allRead = ReadEventInputs(run, inputs);
    const int written = out.Write();
    return written != kExitOk ? written : allRead ? kExitOk : kExitInputFailed;
}

int RunLastb(const Run& run)
{
    const std::vector<int> types = run.options.types.value_or(std::vector<int>{});
    ListOut out(run, FailureCaptions(run));
    sessions::FailureSummary summary;
    std::uint64_t inputIndex = 0;
    std::string input;
    std::uint64_t tooFew = 0;
    // The rows are read and selected on the workers; a row without its
    // fields only counts.
    struct Item {
        bool tooFewFields = false;
        FailedLogon row;
    };
    EventInputs<Item> inputs;
    inputs.order = evtx::WalkOrder::OldestFirst;
    static constexpr std::uint16_t kEvents[] = {sessions::kFailedLogon};
    inputs.events = kEvents;
    inputs.transform = [&](const evtx::Record& record, std::vector<Item>& items) {
        FailedLogon row;
        switch (sessions::ReadFailedLogon(record, row)) {
        case sessions::FailedLogonRead::TooFewFields:
            items.push_back({true, {}});
            break;
        case sessions::FailedLogonRead::Row:
            if ((types.empty() || std::find(types.begin(), types.end(), row.logonType) != types.end()) &&
                Selected(run, row.time, row.user, row.domain, row.ip, row.workstation, row.from))
                items.push_back({false, std::move(row)});
            break;
        case sessions::FailedLogonRead::NotFailed:
            break;
        }
    };
    inputs.begin = [&](const std::string& name) {
        ++inputIndex;
        input = name;
        tooFew = 0;
    };
    inputs.items = [&](std::span<Item> items) {
        for (const Item& item : items) {
            if (item.tooFewFields)
                ++tooFew;
            else if (run.options.summary)
                summary.Add(item.row);
            else  // newest first, of equal times the later record: a clock set back leaves a log out of time order
                out.Add({inputIndex, item.row.time, item.row.recordId}, item.row.computer, FailureCells(run, item.row));
        }
    };
    inputs.end = [&] { ReportSkipped(run, input, tooFew); };
    const bool allRead = ReadEventInputs(run, inputs);
    const int written = run.options.summary ? WriteSummary(run, summary.Sources()) : out.Write();
    return written != kExitOk ? written : allRead ? kExitOk : kExitInputFailed;
}

}  // namespace tav::cli

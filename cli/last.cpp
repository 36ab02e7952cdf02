// tavelin last and lastb: logon sessions with their end and duration, and
// failed logons with their reason, from Security logs.
#include <algorithm>

#include "cli/commands.h"
#include "cli/list_out.h"
#include "cli/logon_rows.h"
#include "cli/tool.h"
#include "sessions/failed_logons.h"
#include "sessions/security_events.h"

namespace tav::cli {
namespace {

using sessions::EndReason;
using sessions::FailedLogon;
using sessions::FailureSource;
using sessions::Session;

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
            line.Text("end_reason", sessions::EndReasonKey(s.reason))
                .Number("disconnects", s.disconnects)
                .Number("reconnects", s.reconnects);
        }
        return {std::move(text)};
    }
    const std::string type = sessions::LogonTypeName(s.logonType);
    const std::string start = run.DisplayedText(s.start);
    if (run.options.format == OutputFormat::Csv)
        return {s.user, s.domain, s.from, type, start, s.end ? run.DisplayedText(*s.end) : std::string(),
                s.end ? std::to_string(*s.end - s.start) : std::string(), sessions::EndReasonKey(s.reason)};
    std::string end;
    switch (s.reason) {
    case EndReason::Logoff: end = run.DisplayedText(*s.end); break;
    case EndReason::Shutdown: end = "down"; break;
    case EndReason::Crash: end = "crash"; break;
    case EndReason::Open: end = live ? "still logged on" : "no logoff in log"; break;
    }
    return {s.user, s.from, type, start, end, s.end ? sessions::DurationText(*s.end - s.start) : std::string()};
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

}  // namespace

int RunLast(const Run& run)
{
    const bool live = ReadsLiveLogs(run.options);
    ListOut out(run, SessionCaptions(run));
    // Newest start first, of equal starts the later record; each input on its own.
    const bool allRead = ReadLogonRows(run, {.session = [&](std::uint64_t input, const Session& s) {
        out.Add({input, s.start, s.recordId}, s.computer, SessionCells(run, s, live));
    }});
    const int written = out.Write();
    return written != kExitOk ? written : allRead ? kExitOk : kExitInputFailed;
}

int RunLastb(const Run& run)
{
    ListOut out(run, FailureCaptions(run));
    sessions::FailureSummary summary;
    // Newest first, of equal times the later record: a log whose clock was
    // set back is not in time order.
    const bool allRead = ReadLogonRows(run, {.failure = [&](std::uint64_t input, const FailedLogon& row) {
        if (run.options.summary)
            summary.Add(row);
        else
            out.Add({input, row.time, row.recordId}, row.computer, FailureCells(run, row));
    }});
    const int written = run.options.summary ? WriteSummary(run, summary.Sources()) : out.Write();
    return written != kExitOk ? written : allRead ? kExitOk : kExitInputFailed;
}

}  // namespace tav::cli

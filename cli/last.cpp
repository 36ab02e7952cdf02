// tavelin last and lastb: logon sessions with their end and duration, and
// failed logons with their reason, from Security logs.
#include <algorithm>
#include <map>
#include <memory>

#include "cli/commands.h"
#include "cli/output.h"
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

const ListForm kSessionForm{{"User", "From", "Type", "Start", "End", "Duration"},
                            {"User", "Domain", "From", "Type", "Start", "End", "Duration (s)", "End Reason"}};

void Describe(const Run& run, const Session& s, bool live, Row& out)
{
    const std::string type = sessions::LogonTypeName(s.logonType);
    switch (out.Format()) {
    case OutputFormat::Json:
        out.Number("record_id", static_cast<long long>(s.recordId))
            .Text("computer", s.computer)
            .Text("user", s.user)
            .Text("domain", s.domain)
            .Text("sid", s.sid)
            .Type("logon_type", s.logonType)
            .Text("logon_type_name", type)
            .Text("from", s.from)
            .Text("ip", s.ip)
            .Text("workstation", s.workstation)
            .Text("logon_id", s.logonId)
            .Text("start", run.IsoTime(s.start));
        if (s.end)
            out.Text("end", run.IsoTime(*s.end)).Number("duration_s", *s.end - s.start);
        else
            out.Null("end").Null("duration_s");
        out.Text("end_reason", sessions::EndReasonKey(s.reason))
            .Number("disconnects", s.disconnects)
            .Number("reconnects", s.reconnects);
        return;
    case OutputFormat::Csv:
        out.Cell(s.user).Cell(s.domain).Cell(s.from).Cell(type).Cell(run.DisplayedText(s.start));
        out.Cell(s.end ? run.DisplayedText(*s.end) : std::string())
            .Cell(s.end ? std::to_string(*s.end - s.start) : std::string())
            .Cell(sessions::EndReasonKey(s.reason));
        return;
    case OutputFormat::Table:
        break;
    }
    std::string end;
    switch (s.reason) {
    case EndReason::Logoff: end = run.ShownText(*s.end); break;
    case EndReason::Shutdown: end = "down"; break;
    case EndReason::Crash: end = "crash"; break;
    case EndReason::Open: end = live ? "still logged on" : "no logoff in log"; break;
    }
    out.Cell(s.user).Cell(s.from).Cell(type).Cell(run.ShownText(s.start)).Cell(end);
    out.Cell(s.end ? sessions::DurationText(*s.end - s.start) : std::string());
}

const ListForm kFailureForm{{"Time", "User", "From", "Type", "Reason"},
                            {"Time", "User", "Domain", "From", "Type", "Reason", "Status", "Sub Status"}};

void Describe(const Run& run, const FailedLogon& f, Row& out)
{
    const std::string type = sessions::LogonTypeName(f.logonType);
    switch (out.Format()) {
    case OutputFormat::Json:
        out.Number("record_id", static_cast<long long>(f.recordId))
            .Text("computer", f.computer)
            .Text("time", run.IsoTime(f.time))
            .Text("user", f.user)
            .Text("domain", f.domain)
            .Type("logon_type", f.logonType)
            .Text("logon_type_name", type)
            .Text("from", f.from)
            .Text("ip", f.ip)
            .Text("workstation", f.workstation)
            .Text("status", f.status)
            .Text("sub_status", f.subStatus)
            .Text("reason", f.reason);
        return;
    case OutputFormat::Table:
        out.Cell(run.ShownText(f.time)).Cell(f.user).Cell(f.from).Cell(type).Cell(f.reason);
        return;
    case OutputFormat::Csv:
        out.Cell(run.DisplayedText(f.time)).Cell(f.user).Cell(f.domain).Cell(f.from).Cell(type).Cell(f.reason);
        out.Cell(f.status).Cell(f.subStatus);
        return;
    }
}

const ListForm kSummaryForm{{"From", "Attempts", "Users", "First", "Last", "Top Reason", "Top Users"},
                            {"From", "Attempts", "Users", "First", "Last", "Top Reason", "Top Users"}};

void Describe(const Run& run, const std::string& computer, const FailureSource& s, Row& out)
{
    if (out.Format() == OutputFormat::Json) {
        out.Text("from", s.from)
            .Number("attempts", static_cast<long long>(s.attempts))
            .Number("users", static_cast<long long>(s.users))
            .Text("first", run.IsoTime(s.first))
            .Text("last", run.IsoTime(s.last))
            .Text("top_reason", s.topReason)
            .Texts("top_users", s.topUsers)
            .Text("computer", computer);
        return;
    }
    const bool table = out.Format() == OutputFormat::Table;
    out.Cell(s.from).Cell(std::to_string(s.attempts)).Cell(std::to_string(s.users));
    out.Cell(table ? run.ShownText(s.first) : run.DisplayedText(s.first));
    out.Cell(table ? run.ShownText(s.last) : run.DisplayedText(s.last));
    out.Cell(s.topReason).Cell(sessions::Joined(s.topUsers));
}

// lastb --summary: the failed logons per source, of each computer on its own.
int RunLastbSummary(const Run& run)
{
    struct Computer {
        std::string name;  // as its first failed logon writes it
        sessions::FailureSummary summary;
    };
    std::vector<std::unique_ptr<Computer>> computers;  // in the order they appear
    std::map<std::string, Computer*> byKey;
    const bool allRead = ReadLogonRows(run, {.failure = [&](std::uint64_t, const FailedLogon& f) {
        Computer*& computer = byKey[sessions::ComputerKey(f.computer)];
        if (computer == nullptr) {
            computer = computers.emplace_back(std::make_unique<Computer>()).get();
            computer->name = f.computer;
        }
        computer->summary.Add(f);
    }});
    Output out(run, kSummaryForm);
    for (std::size_t i = 0; i < computers.size(); ++i) {
        for (const FailureSource& source : computers[i]->summary.Sources()) {
            Row row = out.NewRow();
            Describe(run, computers[i]->name, source, row);
            out.Add({i, 0, 0}, computers[i]->name, std::move(row));
        }
    }
    return out.Finish(allRead);
}

}  // namespace

int RunLast(const Run& run)
{
    const bool live = ReadsLiveLogs(run.options);
    Output out(run, kSessionForm);
    // Newest start first, of equal starts the later record; each input on its own.
    const bool allRead = ReadLogonRows(run, {.session = [&](std::uint64_t input, const Session& s) {
        Row row = out.NewRow();
        Describe(run, s, live, row);
        out.Add({input, s.start, s.recordId}, s.computer, std::move(row));
    }});
    return out.Finish(allRead);
}

int RunLastb(const Run& run)
{
    if (run.options.summary)
        return RunLastbSummary(run);
    Output out(run, kFailureForm);
    // Newest first, of equal times the later record: a log whose clock was
    // set back is not in time order.
    const bool allRead = ReadLogonRows(run, {.failure = [&](std::uint64_t input, const FailedLogon& f) {
        Row row = out.NewRow();
        Describe(run, f, row);
        out.Add({input, f.time, f.recordId}, f.computer, std::move(row));
    }});
    return out.Finish(allRead);
}

}  // namespace tav::cli

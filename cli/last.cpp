// tavelin last and lastb: logon sessions with their end and duration, and
// failed logons with their reason, from Security logs.
#include <algorithm>

#include "cli/commands.h"
#include "cli/logon_rows.h"
#include "cli/row_output.h"
#include "cli/row_spool.h"
#include "cli/tool.h"
#include "base/codepage.h"
#include "listtools/csv_export.h"
#include "sessions/failed_logons.h"
#include "sessions/security_events.h"

namespace tav::cli {
namespace {

using sessions::EndReason;
using sessions::FailedLogon;
using sessions::FailureSource;
using sessions::Session;

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

// One JSON object on a line, fields in the order they are added.
class JsonLine {
public:
    explicit JsonLine(std::string& out) : out_(out) { out_ += '{'; }
    ~JsonLine() { out_ += "}\n"; }
    JsonLine(const JsonLine&) = delete;
    JsonLine& operator=(const JsonLine&) = delete;

    JsonLine& Text(const char* key, std::string_view value)
    {
        AppendJsonString(Key(key), value);
        return *this;
    }
    JsonLine& Number(const char* key, long long value)
    {
        Key(key) += std::to_string(value);
        return *this;
    }
    JsonLine& Null(const char* key)
    {
        Key(key) += "null";
        return *this;
    }
    JsonLine& Type(const char* key, int type) { return type < 0 ? Null(key) : Number(key, type); }
    JsonLine& Texts(const char* key, const std::vector<std::string>& values)
    {
        std::string& out = Key(key);
        out += '[';
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0)
                out += ',';
            AppendJsonString(out, values[i]);
        }
        out += ']';
        return *this;
    }

private:
    std::string& Key(const char* key)
    {
        if (out_.back() != '{')
            out_ += ',';
        AppendJsonString(out_, key);
        out_ += ':';
        return out_;
    }

    std::string& out_;
};

// A list on its way out: its rows spooled in their order, the computers
// they come from noted, so that a Computer column comes first when there is
// more than one.
class ListOut {
public:
    ListOut(const Run& run, std::vector<std::string> captions) : run_(run), captions_(std::move(captions)) {}

    // `cells` of a table or CSV row, or the one JSON line.
    void Add(const SpoolKey& key, const std::string& computer, std::vector<std::string> cells)
    {
        if (!error_.empty())
            return;
        const std::string computerKey = sessions::ComputerKey(computer);
        if (spool_.Count() == 0)
            firstComputer_ = computerKey;
        several_ = several_ || computerKey != firstComputer_;
        cells.insert(cells.begin(), computer);
        spool_.Add(key, std::move(cells), error_);
    }

    // The exit status of the list's writing: kExitOk, or an error reported.
    int Write()
    {
        const bool csv = run_.options.format == OutputFormat::Csv;
        const unsigned codePage = run_.options.codePage.value_or(run_.platform.defaultCodePage);
        if (csv && !run_.platform.encode("", codePage)) {
            run_.err << "tavelin: code page " << codePage << " cannot be written here\n";
            return kExitUsage;
        }
        if (!error_.empty()) {
            run_.err << "tavelin: " << error_ << '\n';
            return kExitInputFailed;
        }
        const bool json = run_.options.format == OutputFormat::Json;
        const std::size_t first = json || !several_ ? 1 : 0;  // cell 0 is the computer
        std::vector<std::string> header = captions_;
        if (first == 0)
            header.insert(header.begin(), "Computer");
        std::vector<std::size_t> widths(header.size());
        for (std::size_t c = 0; c < header.size(); ++c)
            widths[c] = std::max(Utf8Length(header[c]),
                                 first + c < spool_.Widths().size() ? spool_.Widths()[first + c] : 0);
        std::string text;
        const auto flush = [&](std::size_t atLeast) {
            if (text.size() < atLeast)
                return;
            run_.WriteText(csv ? run_.platform.encode(text, codePage).value_or("") : text);
            text.clear();
        };
        const auto line = [&](const std::vector<std::string>& cells) {
            if (json)
                text += cells.back();
            else if (csv)
                AppendCsvLine(text, cells);
            else
                AppendTableLine(text, cells, widths);
            flush(std::size_t{1} << 20);
        };
        if (!json)
            line(header);
        std::vector<std::string> shown;
        const bool read = spool_.ForEach(
            [&](const std::vector<std::string>& cells) {
                shown.assign(cells.begin() + static_cast<std::ptrdiff_t>(first), cells.end());
                line(shown);
            },
            error_);
        flush(0);
        if (!read) {
            run_.err << "tavelin: " << error_ << '\n';
            return kExitInputFailed;
        }
        return kExitOk;
    }

private:
    const Run& run_;
    std::vector<std::string> captions_;
    RowSpool spool_;
    std::string firstComputer_;
    bool several_ = false;
    std::string error_;
};

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
    ListOut out(run, {"From", "Attempts", "Users", "First", "Last", "Top Reason", "Top Users"});
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
    const bool live = run.options.computer.has_value();
    ListOut out(run, SessionCaptions(run));
    // Newest start first, of equal starts the later record; each input on its own.
    const bool allRead = ReadLogonRows(run, {.session = [&](std::uint32_t input, const Session& s) {
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
    const bool allRead = ReadLogonRows(run, {.failure = [&](std::uint32_t input, const FailedLogon& row) {
        if (run.options.summary)
            summary.Add(row);
        else
            out.Add({input, row.time, row.recordId}, row.computer, FailureCells(run, row));
    }});
    const int written = run.options.summary ? WriteSummary(run, summary.Sources()) : out.Write();
    return written != kExitOk ? written : allRead ? kExitOk : kExitInputFailed;
}

}  // namespace tav::cli

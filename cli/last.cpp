// tavelin last and lastb: logon sessions with their end and duration, and
// failed logons with their reason, from Security logs.
#include <algorithm>
#include <cstdio>
#include <functional>

#include "cli/commands.h"
#include "cli/live_log.h"
#include "cli/progress_bar.h"
#include "cli/row_output.h"
#include "cli/row_spool.h"
#include "cli/tool.h"
#include "base/codepage.h"
#include "evtx/legacy_source.h"
#include "listtools/csv_export.h"
#include "sessions/failed_logons.h"
#include "sessions/security_events.h"
#include "sessions/session_tracker.h"

namespace tav::cli {
namespace {

using EventVisitor = std::function<void(const evtx::Record&)>;
using sessions::EndReason;
using sessions::FailedLogon;
using sessions::FailureSource;
using sessions::Session;

// Where the events come from: the live log of a computer, or the files.
struct Input {
    std::string name;
    bool live = false;
};

std::vector<Input> Inputs(const Run& run)
{
    if (run.options.computer)
        return {{ComputerName(*run.options.computer), true}};
    std::vector<Input> inputs;
    for (const std::string& file : run.options.files)
        inputs.push_back({file, false});
    return inputs;
}

// A file's records by id ascending: chunks in the reverse of the
// newest-first order, each chunk's records sorted.
bool ReadFile(const Run& run, const std::string& file, std::span<const std::uint16_t> events,
              const EventVisitor& visit)
{
    std::unique_ptr<evtx::Reader> reader = run.OpenInput(file);
    if (!reader)
        return false;
    reader->KeepOnlyEvents(events);
    std::vector<evtx::ChunkSpan> chunks = reader->ChunksNewestFirst();
    std::reverse(chunks.begin(), chunks.end());
    ProgressBar bar(run.err, run.platform.stderrIsTerminal, file);
    evtx::Chunk chunk;
    std::vector<evtx::Record> records;
    std::size_t done = 0;
    for (const evtx::ChunkSpan& span : chunks) {
        bar.Update(static_cast<double>(done++) / static_cast<double>(chunks.size()));
        if (reader->LoadChunk(span.index, chunk) != evtx::Chunk::State::Ok)
            continue;
        std::size_t count = 0;
        for (;; ++count) {
            if (count == records.size())
                records.emplace_back();
            if (!chunk.NextRecord(records[count]))
                break;
        }
        std::stable_sort(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(count),
                         [](const evtx::Record& a, const evtx::Record& b) { return a.recordId < b.recordId; });
        std::for_each(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(count), visit);
    }
    bar.Finish();
    if (reader->ReadError()) {
        run.Report(file, run.platform.errorText(evtx::kErrorReadFault));
        return false;
    }
    return true;
}

bool ReadLive(const Run& run, const Input& input, const EventVisitor& visit)
{
    std::uint32_t error = 0;
    const std::unique_ptr<seclog::RecordSource> source =
        run.platform.liveLogs->Open(*run.options.computer, "security", error);
    if (source)
        error = ReadOldestFirst(*source, visit);
    if (error != 0)
        run.Report(input.name, run.platform.errorText(error));
    return error == 0;
}

// Reads every input in turn: `begin` before its events (those of the ids
// `events`, and perhaps others), `end` after them with the count of records
// too short to read. False when one could not be read to its end.
bool ReadInputs(const Run& run, std::span<const std::uint16_t> events,
                const std::function<EventVisitor(const Input&)>& begin, const std::function<std::uint64_t()>& end)
{
    bool allRead = true;
    for (const Input& input : Inputs(run)) {
        const EventVisitor visit = begin(input);
        allRead = (input.live ? ReadLive(run, input, visit) : ReadFile(run, input.name, events, visit)) && allRead;
        if (const std::uint64_t skipped = end(); skipped > 0)
            run.Report(input.name, std::to_string(skipped) + " records skipped: too few fields");
    }
    return allRead;
}

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
    sessions::SessionRules rules;
    if (run.options.types)
        rules.types = *run.options.types;
    rules.allAccounts = run.options.allAccounts;
    const bool live = run.options.computer.has_value();
    ListOut out(run, SessionCaptions(run));
    std::uint64_t inputIndex = 0;
    std::unique_ptr<sessions::SessionTracker> tracker;
    static constexpr std::uint16_t kEvents[] = {sessions::kLogShutdown, sessions::kBoot,      sessions::kLogon,
                                                sessions::kLogoff,      sessions::kUserLogoff, sessions::kReconnect,
                                                sessions::kDisconnect};
    const bool allRead = ReadInputs(
        run, kEvents,
        [&](const Input&) -> EventVisitor {
            ++inputIndex;
            // Newest start first, of equal starts the later record; each input on its own.
            tracker = std::make_unique<sessions::SessionTracker>(rules, [&](Session&& s) {
                if (Selected(run, s.start, s.user, s.domain, s.ip, s.workstation, s.from))
                    out.Add({inputIndex, s.start, s.recordId}, s.computer, SessionCells(run, s, live));
            });
            return [&](const evtx::Record& record) { tracker->Offer(record); };
        },
        [&] {
            tracker->Finish();
            return tracker->TooFewFields();
        });
    const int written = out.Write();
    return written != kExitOk ? written : allRead ? kExitOk : kExitInputFailed;
}

int RunLastb(const Run& run)
{
    const std::vector<int> types = run.options.types.value_or(std::vector<int>{});
    ListOut out(run, FailureCaptions(run));
    sessions::FailureSummary summary;
    std::uint64_t inputIndex = 0;
    std::uint64_t tooFew = 0;
    FailedLogon row;
    static constexpr std::uint16_t kEvents[] = {sessions::kFailedLogon};
    const bool allRead = ReadInputs(
        run, kEvents,
        [&](const Input&) -> EventVisitor {
            ++inputIndex;
            tooFew = 0;
            return [&](const evtx::Record& record) {
                switch (sessions::ReadFailedLogon(record, row)) {
                case sessions::FailedLogonRead::TooFewFields:
                    ++tooFew;
                    break;
                case sessions::FailedLogonRead::Row:
                    if ((types.empty() || std::find(types.begin(), types.end(), row.logonType) != types.end()) &&
                        Selected(run, row.time, row.user, row.domain, row.ip, row.workstation, row.from)) {
                        // Newest first, of equal times the later record: a log whose
                        // clock was set back is not in time order.
                        if (run.options.summary)
                            summary.Add(row);
                        else
                            out.Add({inputIndex, row.time, row.recordId}, row.computer, FailureCells(run, row));
                    }
                    break;
                case sessions::FailedLogonRead::NotFailed:
                    break;
                }
            };
        },
        [&] { return tooFew; });
    const int written = run.options.summary ? WriteSummary(run, summary.Sources()) : out.Write();
    return written != kExitOk ? written : allRead ? kExitOk : kExitInputFailed;
}

}  // namespace tav::cli

// tavelin logons: the workstation list of each Security log, scanned as the
// program scans one, with the state of the scan kept per computer.
#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

#include "cli/commands.h"
#include "cli/event_inputs.h"
#include "cli/output.h"
#include "cli/tool.h"
#include "seclog/logon_scan.h"
#include "sessions/computer_table.h"
#include "sessions/security_events.h"

namespace tav::cli {
namespace {

namespace logon = security::logon;

// What the scan reads of a 4624, its input and its computer. The strings
// are the decoder's UTF-8, converted from the log's UTF-16 once.
struct Candidate {
    std::size_t input = 0;  // of the inputs read, from 0
    std::string computer;
    std::uint32_t recordNumber = 0;
    std::uint32_t time = 0;
    std::string user;
    std::string type;
    std::string from;
};

const std::string& StringAt(const evtx::Record& record, std::size_t index)
{
    static const std::string kNone;
    return index < record.strings.size() ? record.strings[index] : kNone;
}

// Whether a 4624 is one the command line selects: in the time range (the
// records outside it are left out before bursts collapse), of --user and
// --from.
bool Selected(const Run& run, const evtx::Record& record, std::uint32_t legacyTime)
{
    const std::string& workstation = StringAt(record, logon::kWorkstation);
    return run.InRange(legacyTime) &&
           (!run.options.user ||
            sessions::MatchesUser(*run.options.user, StringAt(record, logon::kUser), StringAt(record, logon::kDomain))) &&
           (!run.options.from ||
            sessions::MatchesFrom(*run.options.from, StringAt(record, logon::kIp), workstation, workstation));
}

// The strings of a 4624 that Selected and the scan read.
constexpr evtx::StringSet kUsedStrings =
    evtx::StringsAt({logon::kUser, logon::kDomain, logon::kType,
                     logon::kWorkstation, logon::kIp});

// The scans that ended before their input did, by input and the computer's
// name as its records write it: the decoding threads make no candidate
// of them. Written on the caller's thread, an entry at a time, each whole
// before it is counted; read on any. A scan not found here (beyond the
// room, or ended a moment ago) costs only its candidates.
class EndedScans {
public:
    void Add(std::size_t input, const std::string& computer)
    {
        const std::size_t count = count_.load(std::memory_order_relaxed);
        if (count == entries_.size())
            return;
        entries_[count] = {input, computer};
        count_.store(count + 1, std::memory_order_release);
    }
    bool Has(std::size_t input, const std::string& computer) const
    {
        const std::size_t count = count_.load(std::memory_order_acquire);
        for (std::size_t i = 0; i < count; ++i)
            if (entries_[i].input == input && entries_[i].computer == computer)
                return true;
        return false;
    }

private:
    struct Entry {
        std::size_t input = 0;
        std::string computer;
    };
    std::array<Entry, 16> entries_;
    std::atomic<std::size_t> count_{0};
};

const ListForm kLogonForm{{"ID", "Date", "User Name", "Logon From", "Connection Type"},
                          {"Date", "User Name", "Logon From", "Connection Type"}};

// A row of the workstation list (ID, Date, User Name, Logon From, Connection
// Type); the CSV leaves out the ID as the program's export does.
void Describe(const Run& run, const ResultRow& row, const Candidate& logon, Row& out)
{
    switch (out.Format()) {
    case OutputFormat::Json: {
        const std::string& type = row.Text(4);
        out.Number("id", logon.recordNumber)
            .Text("date", row.Text(1))
            .Text("user", row.Text(2))
            .Text("from", row.Text(3))
            .Text("type", type)
            .Text("time", run.IsoTime(logon.time))
            .Text("computer", logon.computer)
            .Number("record_id", logon.recordNumber)
            .Number("logon_type", type == seclog::kLocalLogonText ? 2 : 3);
        return;
    }
    case OutputFormat::Table:
        // The Date text is the scan's displayed text of the same instant.
        out.Cell(row.Text(0)).Cell(run.ShownText(logon.time, row.Text(1)));
        break;
    case OutputFormat::Csv:
        out.Cell(row.Text(1));
        break;
    }
    out.Cell(row.Text(2)).Cell(row.Text(3)).Cell(row.Text(4));
}

}  // namespace

int RunLogons(const Run& run)
{
    Output out(run, kLogonForm);
    const auto toDisplayed = [&run](DateTime utc) { return run.ToDisplayed(utc); };
    std::uint64_t inputIndex = 0;
    std::string input;
    // The scan of each computer of the input: its collapse, its row cap
    // (made at its first candidate), and whether it ended early.
    struct Scan {
        std::optional<seclog::LogonFilter> filter;
        bool ended = false;
    };
    sessions::ComputerTable<Scan> scans;
    bool failed = false;
    ResultRow row;
    std::string error;
    EventInputs<Candidate> inputs;
    inputs.order = evtx::WalkOrder::NewestFirst;
    static constexpr std::uint16_t kEvents[] = {security::kLogon};
    inputs.events = kEvents;
    inputs.strings = kUsedStrings;
    EndedScans endedScans;
    inputs.transform = [&](const evtx::Record& record, evtx::ItemList<Candidate>& items) {
        if (security::EventIdOf(record.eventId) != security::kLogon || endedScans.Has(items.input, record.computer))
            return;
        const auto legacyTime = static_cast<std::uint32_t>(std::clamp<std::int64_t>(record.timeCreated, 0, UINT32_MAX));
        if (!Selected(run, record, legacyTime))
            return;
        Candidate& candidate = items.Add();
        candidate.input = items.input;
        candidate.computer = record.computer;
        candidate.recordNumber = static_cast<std::uint32_t>(record.recordId);
        candidate.time = legacyTime;
        candidate.user = StringAt(record, logon::kUser);
        candidate.type = StringAt(record, logon::kType);
        candidate.from = StringAt(record, logon::kWorkstation);
    };
    inputs.begin = [&](const std::string& name) {
        ++inputIndex;
        input = name;
        scans.Clear();
    };
    inputs.items = [&](std::span<Candidate> candidates) {
        for (const Candidate& candidate : candidates) {
            Scan& scan = scans.Of(candidate.computer);
            if (scan.ended)
                continue;
            if (!scan.filter)
                scan.filter.emplace(run.platform.formats, toDisplayed);
            const seclog::LogonEvent event{candidate.recordNumber, candidate.time, security::kLogon,
                                           candidate.user,         candidate.type, candidate.from};
            const std::optional<seclog::ScanOutcome> outcome =
                seclog::ApplyVerdict(scan.filter->Offer(event, row, error), row, error, [&](ResultRow&& added) {
                    Row cells = out.NewRow();
                    Describe(run, added, candidate, cells);
                    out.Add({inputIndex, 0, 0}, candidate.computer, std::move(cells));
                });
            if (!outcome)
                continue;
            // The scan of this computer ends as the window's would.
            if (outcome->end == seclog::ScanEnd::RowCap) {
                run.Report(input, "stopped after " + std::to_string(seclog::MaxScanRows) + " rows of " +
                                      ComputerName(candidate.computer) + ", the program's limit");
            } else {
                run.Report(input, outcome->end == seclog::ScanEnd::Error
                                      ? outcome->errorText
                                      : run.platform.errorText(kErrorEventlogFileCorrupt));
                failed = true;
            }
            scan.ended = true;
            endedScans.Add(candidate.input, candidate.computer);
        }
    };
    inputs.end = [] {};
    const bool allRead = ReadEventInputs(run, inputs);
    return out.Finish(allRead && !failed);
}

}  // namespace tav::cli

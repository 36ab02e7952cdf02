#include "sessions/session_tracker.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <iterator>
#include <map>
#include <optional>
#include <span>
#include <unordered_map>

#include "sessions/security_events.h"

namespace tav::sessions {
namespace {

// How far apart, in seconds, the two 4624 of a split token that name each
// other may be written.
constexpr std::int64_t kLinkedLogonWindow = 2;

bool IsInteractiveType(int type)
{
    return type == 2 || type == 10 || type == 11;
}

// Accounts of the system itself: the local system, local and network
// service, the window manager and the font driver host.
bool IsServiceSid(std::string_view sid)
{
    return SameFolded(sid, "s-1-5-18") || SameFolded(sid, "s-1-5-19") || SameFolded(sid, "s-1-5-20") ||
           FoldedStartsWith(sid, "s-1-5-90-") || FoldedStartsWith(sid, "s-1-5-96-");
}

// The number a "0x" spells in hex digits of either case without leading
// zeros (as Windows writes logon ids); nullopt for any other text.
std::optional<std::uint64_t> PlainHex(std::string_view text)
{
    if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X') || (text[2] == '0' && text.size() > 3))
        return std::nullopt;
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [last, error] = std::from_chars(text.data() + 2, end, value, 16);
    if (error != std::errc() || last != end)
        return std::nullopt;
    return value;
}

}  // namespace

// A logon id as the rules compare it (case folded), without building a
// string for the usual "0x3e7": its number, or the number of its text in
// the tracker's table.
struct SessionTracker::LogonKey {
    std::uint64_t value = 0;
    bool text = false;
    bool operator==(const LogonKey&) const = default;
};

namespace {

struct LogonKeyHash {
    std::size_t operator()(const SessionTracker::LogonKey& key) const
    {
        return std::hash<std::uint64_t>{}(key.value ^ (key.text ? 0x9E3779B97F4A7C15u : 0));
    }
};

}  // namespace

SessionTracker::LogonKey SessionTracker::KeyOf(std::string_view id, bool add)
{
    if (const std::optional<std::uint64_t> number = PlainHex(id))
        return {*number, false};
    std::string folded = FoldCase(id);
    if (const auto found = textIds_.find(folded); found != textIds_.end())
        return {found->second, true};
    if (!add)
        return {UINT64_MAX, true};
    const std::uint64_t number = textIds_.size();
    textIds_.emplace(std::move(folded), number);
    return {number, true};
}

// A row that has started and not ended yet.
struct OpenRow {
    Session session;
    std::vector<SessionTracker::LogonKey> ids;  // its logon ids still open
    bool linkField = false;        // its 4624 had TargetLinkedLogonId
    std::string logonProcess;      // with the process id: what a split twin without that field shares
    std::string processId;
};

struct SessionTracker::Computer {
    std::map<std::uint64_t, OpenRow> rows;  // by the order they started
    std::unordered_map<LogonKey, std::uint64_t, LogonKeyHash> rowOfId;  // logon id to its row
    std::uint64_t nextRow = 0;
    // Rows without the link field started in `candidateSecond`: a split
    // twin is written in the same second.
    std::vector<std::uint64_t> splitCandidates;
    std::int64_t candidateSecond = 0;

    // Gives `id` to `row`; a row that held it before (its logoff not in the log) lets it go.
    void Hold(LogonKey id, std::uint64_t row)
    {
        const auto [it, added] = rowOfId.try_emplace(id, row);
        if (!added) {
            if (auto old = rows.find(it->second); old != rows.end())
                std::erase(old->second.ids, id);
            it->second = row;
        }
        rows.at(row).ids.push_back(id);
    }

    void EndAll(std::optional<std::int64_t> time, EndReason reason, const Emit& emit)
    {
        for (auto& [number, row] : rows) {
            row.session.end = time;
            row.session.reason = reason;
            emit(std::move(row.session));
        }
        rows.clear();
        rowOfId.clear();
        splitCandidates.clear();
    }
};

SessionTracker::SessionTracker(SessionRules rules, Emit emit) : rules_(std::move(rules)), emit_(std::move(emit)) {}

SessionTracker::~SessionTracker() = default;

namespace {

// Where Take puts the strings Offer reads: a 4624's as kLogonRead lists
// them, its link only when it has the field, joined in one string (Join);
// the logon id of a logoff, a reconnect or a disconnect alone, empty when
// it is a plain number: that goes in Record::worked, plus one.
namespace taken {
// Where a 4624's string at `position` goes: its place in kLogonRead.
constexpr std::size_t At(std::size_t position)
{
    return static_cast<std::size_t>(std::find(std::begin(kLogonRead), std::end(kLogonRead), position) -
                                    std::begin(kLogonRead));
}
constexpr std::size_t kSid = At(logon::kSid), kUser = At(logon::kUser), kDomain = At(logon::kDomain),
                      kLogonId = At(logon::kLogonId), kType = At(logon::kType),
                      kLogonProcess = At(logon::kLogonProcess), kWorkstation = At(logon::kWorkstation),
                      kProcessId = At(logon::kProcessId), kIp = At(logon::kIp),
                      kLinkedLogonId = At(logon::kLinkedLogonId);
// The link comes last: a 4624 without the field hands over those before it.
static_assert(kLinkedLogonId + 1 == std::size(kLogonRead));
constexpr std::size_t kEventLogonId = 0;

using Fields = std::array<std::string_view, std::size(kLogonRead)>;

// A 4624's strings at `from` in one string: their count, each one's length
// (four bytes, as the machine orders them), then their texts. Two or three
// cache lines cross to the caller's core, where ten strings took seven.
void Join(const std::vector<std::string>& strings, std::span<const std::size_t> from, std::string& out)
{
    out.assign(1, static_cast<char>(from.size()));
    for (const std::size_t at : from) {
        const auto size = static_cast<std::uint32_t>(strings[at].size());
        out.append(reinterpret_cast<const char*>(&size), sizeof size);
    }
    for (const std::size_t at : from)
        out += strings[at];
}

// The strings Join joined, into `fields`; how many (none of a text that
// Join did not make).
std::size_t Split(std::string_view joined, Fields& fields)
{
    const std::size_t count = joined.empty() ? 0 : static_cast<unsigned char>(joined.front());
    std::size_t text = 1 + count * sizeof(std::uint32_t);
    if (count > fields.size() || text > joined.size())
        return 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t size = 0;
        std::memcpy(&size, joined.data() + 1 + i * sizeof size, sizeof size);
        fields[i] = joined.substr(std::min(text, joined.size()), size);
        text += size;
    }
    return count;
}
}  // namespace taken

// The strings an event of the rules needs, given the record's Security
// event (EventOf); 0 for one that needs none, and nullopt for an event the
// rules leave alone.
std::optional<std::size_t> FieldsNeeded(const evtx::Record& record, std::uint32_t event)
{
    switch (event) {
    case security::kLogon: return kLogonFields;
    case security::kLogoff:
    case security::kUserLogoff: return security::logoff::kLogonId + 1;
    case security::kReconnect:
    case security::kDisconnect: return security::reconnect::kLogonId + 1;
    case security::kBoot: return 0;
    case 0:
        if (EventOf(record, kEventLogProvider) == security::kLogShutdown)
            return 0;
        break;
    }
    return std::nullopt;
}

}  // namespace

bool SessionTracker::Take(const evtx::Record& record, evtx::Record& out) const
{
    const std::uint32_t event = EventOf(record, kSecurityProvider);
    const std::optional<std::size_t> needed = FieldsNeeded(record, event);
    if (!needed)
        return false;
    const bool whole = record.strings.size() >= *needed;
    if (event == security::kLogon && whole && !Starts(record))
        return false;
    out.recordId = record.recordId;
    out.timeCreated = record.timeCreated;
    out.timeWritten = record.timeWritten;
    out.eventId = record.eventId;
    out.eventRecordId = record.eventRecordId;
    out.createdTicks = record.createdTicks;
    out.worked = 0;
    // Only what differs is written: `out` is read on the caller's thread,
    // and a line written here moves back from that thread's core.
    const auto set = [](std::string& to, const std::string& from) {
        if (to != from)
            to = from;
    };
    set(out.provider, record.provider);
    set(out.channel, record.channel);
    set(out.computer, record.computer);
    if (whole && event == security::kLogon) {
        const std::size_t fields = taken::kLinkedLogonId + (record.strings.size() > logon::kLinkedLogonId ? 1 : 0);
        out.strings.resize(1);
        taken::Join(record.strings, std::span(kLogonRead).first(fields), out.strings.front());
        return true;
    }
    std::span<const std::size_t> from;  // none for a record too short for its event
    if (whole && (event == security::kLogoff || event == security::kUserLogoff))
        from = kLogoffRead;
    else if (whole && (event == security::kReconnect || event == security::kDisconnect))
        from = kReconnectRead;
    if (from.empty()) {
        out.strings.clear();
        return true;
    }
    // A logon id that is a number goes as one, its string left empty (its
    // storage kept for the next record).
    out.strings.resize(1);
    const std::string& id = record.strings[from.front()];
    if (const std::optional<std::uint64_t> number = PlainHex(id); number && *number < UINT64_MAX) {
        out.worked = *number + 1;
        if (!out.strings.front().empty())
            out.strings.front().clear();
        return true;
    }
    set(out.strings.front(), id);
    return true;
}

bool SessionTracker::HasTooFewFields(const evtx::Record& record)
{
    const std::optional<std::size_t> needed = FieldsNeeded(record, EventOf(record, kSecurityProvider));
    return needed && record.strings.size() < *needed;
}

void SessionTracker::Offer(const evtx::Record& record)
{
    const std::uint32_t event = EventOf(record, kSecurityProvider);
    const std::optional<std::size_t> needed = FieldsNeeded(record, event);
    if (!needed)
        return;
    // Take leaves no strings to a record too short for its event.
    if (*needed > 0 && record.strings.empty()) {
        ++tooFewFields_;
        return;
    }
    Computer& computer = computers_.Of(record.computer);
    switch (event) {
    case security::kLogon:
        Start(computer, record);
        break;
    case security::kLogoff:
    case security::kUserLogoff:
        End(computer, record);
        break;
    case security::kReconnect:
    case security::kDisconnect:
        Count(computer, record, event == security::kReconnect);
        break;
    case security::kBoot:
        // Logon ids start again at every boot.
        computer.EndAll(record.timeCreated, EndReason::Crash, emit_);
        break;
    default:
        computer.EndAll(record.timeCreated, EndReason::Shutdown, emit_);
    }
}

void SessionTracker::Finish()
{
    for (auto& [name, computer] : computers_.ByKey())
        computer->EndAll(std::nullopt, EndReason::Open, emit_);
    computers_.Clear();
}

bool SessionTracker::Starts(const evtx::Record& record) const
{
    const std::vector<std::string>& s = record.strings;
    const int type = ParseLogonType(s[logon::kType]);
    if (!rules_.types.empty() && std::find(rules_.types.begin(), rules_.types.end(), type) == rules_.types.end())
        return false;
    if (rules_.allAccounts)
        return true;
    const std::string& user = s[logon::kUser];
    return !(!user.empty() && user.back() == '$') && !IsServiceSid(s[logon::kSid]);
}

void SessionTracker::Start(Computer& computer, const evtx::Record& record)
{
    taken::Fields s;
    const std::size_t fields = taken::Split(record.strings.front(), s);
    const LogonKey id = KeyOf(s[taken::kLogonId], true);
    const std::string_view sid = s[taken::kSid];
    const std::int64_t time = record.timeCreated;
    const int type = ParseLogonType(s[taken::kType]);
    const bool linkField = fields > taken::kLinkedLogonId;

    // The second token of a split logon joins the row of the first.
    if (linkField && !IsZeroCode(s[taken::kLinkedLogonId])) {
        const auto linked = computer.rowOfId.find(KeyOf(s[taken::kLinkedLogonId], false));
        if (linked != computer.rowOfId.end()) {
            const Session& first = computer.rows.at(linked->second).session;
            if (SameFolded(first.sid, sid) && time >= first.start && time - first.start <= kLinkedLogonWindow) {
                computer.Hold(id, linked->second);
                return;
            }
        }
    }
    // Older versions write no link: the twin is the same logon in the same second under another id.
    const bool splittable = !linkField && IsInteractiveType(type);
    if (splittable) {
        if (time != computer.candidateSecond) {
            computer.splitCandidates.clear();
            computer.candidateSecond = time;
        }
        for (const std::uint64_t number : computer.splitCandidates) {
            const auto candidate = computer.rows.find(number);
            if (candidate == computer.rows.end())
                continue;
            const OpenRow& row = candidate->second;
            if (row.ids.size() == 1 && row.ids.front() != id && row.session.logonType == type &&
                SameFolded(row.session.sid, sid) && row.logonProcess == s[taken::kLogonProcess] &&
                row.processId == s[taken::kProcessId] && row.session.ip == s[taken::kIp] &&
                row.session.workstation == s[taken::kWorkstation]) {
                computer.Hold(id, number);
                return;
            }
        }
    }

    OpenRow row;
    Session& session = row.session;
    session.recordId = record.recordId;
    session.computer = record.computer;
    session.user = s[taken::kUser];
    session.domain = s[taken::kDomain];
    session.sid = s[taken::kSid];
    session.logonType = type;
    session.ip = s[taken::kIp];
    session.workstation = s[taken::kWorkstation];
    session.from = FromText(session.ip, session.workstation);
    session.logonId = s[taken::kLogonId];
    session.start = time;
    row.linkField = linkField;
    row.logonProcess = s[taken::kLogonProcess];
    row.processId = s[taken::kProcessId];
    const std::uint64_t number = computer.nextRow++;
    computer.rows.emplace(number, std::move(row));
    computer.Hold(id, number);
    if (splittable)
        computer.splitCandidates.push_back(number);
}

SessionTracker::LogonKey SessionTracker::EventLogonKey(const evtx::Record& record)
{
    return record.worked != 0 ? LogonKey{record.worked - 1, false} : KeyOf(record.strings[taken::kEventLogonId], false);
}

void SessionTracker::End(Computer& computer, const evtx::Record& record)
{
    const LogonKey id = EventLogonKey(record);
    const auto held = computer.rowOfId.find(id);
    if (held == computer.rowOfId.end())
        return;
    const auto row = computer.rows.find(held->second);
    computer.rowOfId.erase(held);
    if (row == computer.rows.end())
        return;
    std::erase(row->second.ids, id);
    if (!row->second.ids.empty())
        return;
    row->second.session.end = record.timeCreated;
    row->second.session.reason = EndReason::Logoff;
    emit_(std::move(row->second.session));
    computer.rows.erase(row);
}

void SessionTracker::Count(Computer& computer, const evtx::Record& record, bool reconnect)
{
    const auto held = computer.rowOfId.find(EventLogonKey(record));
    if (held == computer.rowOfId.end())
        return;
    const auto row = computer.rows.find(held->second);
    if (row != computer.rows.end())
        ++(reconnect ? row->second.session.reconnects : row->second.session.disconnects);
}

}  // namespace tav::sessions

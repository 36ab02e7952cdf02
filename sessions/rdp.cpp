#include "sessions/rdp.h"

#include <algorithm>
#include <charconv>
#include <deque>
#include <map>

#include "base/security_events.h"
#include "base/terminal_events.h"
#include "evtx/filetime.h"
#include "sessions/security_events.h"

namespace tav::sessions {
namespace {

constexpr std::uint64_t kTicksPerSecond = 10'000'000;
// Events this close (inclusive) belong together: a disconnect's reason and
// the disconnect, a logoff and the disconnect written with it, a 4778 or
// 4779 and the connection it names the client of.
constexpr std::uint64_t kNear = 5 * kTicksPerSecond;
// How long a network authentication (1149) waits for its session.
constexpr std::uint64_t kAuthenticationWait = 120 * kTicksPerSecond;

std::uint64_t Ticks(const evtx::Record& record)
{
    return record.createdTicks != 0 ? record.createdTicks : evtx::UnixSecondsToFiletime(record.timeCreated);
}

bool Within(std::uint64_t a, std::uint64_t b, std::uint64_t span)
{
    return (a > b ? a - b : b - a) <= span;
}

const std::string& StringAt(const evtx::Record& record, std::size_t index)
{
    static const std::string kNone;
    return index < record.strings.size() ? record.strings[index] : kNone;
}

std::optional<std::uint32_t> Number(std::string_view text)
{
    std::uint32_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

// The name of DOMAIN\name, case folded.
std::string NameOf(std::string_view user)
{
    const std::size_t split = user.rfind('\\');
    return FoldCase(split == std::string_view::npos ? user : user.substr(split + 1));
}

std::string DomainOf(std::string_view user)
{
    const std::size_t split = user.rfind('\\');
    return FoldCase(split == std::string_view::npos ? std::string_view() : user.substr(0, split));
}

// The events the rules read, by channel.
enum class Kind { None, Logon, Logoff, Disconnect, Reconnect, TakenOver, Reason, Authenticated, ClientStart,
                  ClientEnd, Shutdown, Boot };

Kind KindOf(const evtx::Record& record)
{
    const std::uint16_t event = security::EventIdOf(record.eventId);
    if (record.channel == terminal::kSessionChannel) {
        switch (event) {
        case terminal::kLogon: return Kind::Logon;
        case terminal::kLogoff: return Kind::Logoff;
        case terminal::kDisconnect: return Kind::Disconnect;
        case terminal::kReconnect: return Kind::Reconnect;
        case terminal::kTakenOver: return Kind::TakenOver;
        case terminal::kDisconnectReason: return Kind::Reason;
        default: return Kind::None;
        }
    }
    if (record.channel == terminal::kConnectionChannel)
        return event == terminal::kAuthenticated ? Kind::Authenticated : Kind::None;
    if (record.channel == "Security") {
        switch (event) {
        case security::kReconnect: return Kind::ClientStart;
        case security::kDisconnect: return Kind::ClientEnd;
        case security::kLogShutdown: return Kind::Shutdown;
        case security::kBoot: return Kind::Boot;
        default: return Kind::None;
        }
    }
    if (record.channel == terminal::kSystemChannel) {
        switch (event) {
        case terminal::kLogStopped: return Kind::Shutdown;
        case terminal::kLogStarted:
        case terminal::kUnexpectedStop: return Kind::Boot;
        default: return Kind::None;
        }
    }
    return Kind::None;
}

const char* ConnectionEnd(RdpEnd reason)
{
    switch (reason) {
    case RdpEnd::Logoff: return "logoff";
    case RdpEnd::Shutdown: return "shutdown";
    case RdpEnd::Crash: return "crash";
    case RdpEnd::Reused: return "reused";
    default: return "open";
    }
}

}  // namespace

std::int64_t RdpSession::Start() const
{
    if (logon)
        return *logon;
    return connections.empty() ? authenticated.value_or(0) : connections.front().start;
}

std::int64_t RdpSession::Active() const
{
    std::int64_t seconds = 0;
    for (const RdpConnection& c : connections)
        seconds += c.end ? *c.end - c.start : 0;
    return seconds;
}

std::int64_t RdpSession::Disconnected() const
{
    return Ended() ? *end - connections.front().start - Active() : 0;
}

std::string RdpSession::From() const
{
    return connections.empty() ? address : connections.front().from;
}

std::string RdpSession::Client() const
{
    return connections.empty() ? std::string() : connections.front().client;
}

std::vector<std::string> RdpSession::Addresses() const
{
    std::vector<std::string> seen;
    for (const RdpConnection& c : connections)
        if (std::find(seen.begin(), seen.end(), c.from) == seen.end())
            seen.push_back(c.from);
    if (seen.empty() && !id)
        seen.push_back(address);
    return seen;
}

const char* RdpEndWords(RdpEnd reason)
{
    switch (reason) {
    case RdpEnd::Logoff: return "";
    case RdpEnd::Shutdown: return "down";
    case RdpEnd::Crash: return "crash";
    case RdpEnd::Reused:
    case RdpEnd::Open: return "no logoff in log";
    case RdpEnd::NoSession: return "no session in log";
    }
    return "";
}

const char* RdpEndKey(RdpEnd reason)
{
    switch (reason) {
    case RdpEnd::Logoff: return "logoff";
    case RdpEnd::Shutdown: return "shutdown";
    case RdpEnd::Crash: return "crash";
    case RdpEnd::Reused: return "reused";
    case RdpEnd::Open: return "open";
    case RdpEnd::NoSession: return "no_session";
    }
    return "open";
}

std::string DisconnectReasonText(std::uint32_t code)
{
    switch (code) {
    case 0: return "no information";
    case 1: return "disconnected by an application";
    case 2: return "logged off by an application";
    case 3: return "idle time-out";
    case 4: return "logon time-out";
    case 5: return "replaced by another connection";
    case 6: return "out of memory";
    case 7: return "server denied the connection";
    case 9: return "insufficient privileges";
    case 11: return "disconnected by the user";
    case 12: return "logged off by the user";
    default: return "code " + std::to_string(code);
    }
}

// A session being followed, with its connections' times to the tick.
struct Row {
    RdpSession session;
    std::string name;                // of its user, case folded
    std::vector<std::uint64_t> starts;  // per connection
    std::vector<std::uint64_t> ends;    // 0 while open
    std::uint64_t closed = 0;

    bool Connected() const { return !ends.empty() && ends.back() == 0 && !session.end; }
};

struct RdpTracker::Computer {
    std::string key;                          // its short name, for client names that are its own
    std::map<std::uint32_t, Row> open;        // by session id
    std::deque<Row> closing;                  // ended, waiting for a late 4779
    struct Pending {
        std::string reason;
        std::uint64_t at = 0;
    };
    std::map<std::uint32_t, Pending> reasons;     // by session id
    std::map<std::uint32_t, std::uint64_t> logoffs;  // the latest 23 of each id
    struct Authentication {
        std::uint64_t at = 0;
        std::string computer, user, domain, address;  // as written
    };
    std::deque<Authentication> authentications;   // waiting for their sessions
    struct Client {
        std::uint64_t at = 0;
        std::string name;    // of the user, case folded
        std::string client;  // as written
        bool atEnd = false;  // 4779: names the client of a connection that ends
    };
    std::deque<Client> clients;  // of the last few seconds

    // Rows and authentications whose time has passed go out.
    void Expire(std::uint64_t now, const Emit& emit)
    {
        while (!closing.empty() && closing.front().closed + kNear < now) {
            emit(std::move(closing.front().session));
            closing.pop_front();
        }
        while (!authentications.empty() && authentications.front().at + kAuthenticationWait < now) {
            EmitAuthentication(authentications.front(), emit);
            authentications.pop_front();
        }
        while (!clients.empty() && clients.front().at + kNear < now)
            clients.pop_front();
    }

    static void EmitAuthentication(const Authentication& a, const Emit& emit)
    {
        RdpSession s;
        s.computer = a.computer;
        s.user = a.domain.empty() ? a.user : a.domain + "\\" + a.user;
        const std::int64_t at = evtx::FiletimeToUnixSeconds(a.at);
        s.logon = at;
        s.authenticated = at;
        s.address = a.address;
        s.reason = RdpEnd::NoSession;
        emit(std::move(s));
    }

    bool OwnName(const std::string& client) const
    {
        return client.empty() || client == "-" || SameFolded(client, "unknown") || SameFolded(client, key);
    }

    void StartConnection(Row& row, const evtx::Record& record, std::uint64_t at)
    {
        RdpConnection c;
        c.computer = record.computer;
        c.user = StringAt(record, terminal::session::kUser);
        c.from = StringAt(record, terminal::session::kAddress);
        c.start = record.timeCreated;
        // The newest network authentication of this user from this address.
        const std::string domain = DomainOf(c.user);
        for (auto a = authentications.rbegin(); a != authentications.rend(); ++a) {
            if (a->at > at || at - a->at > kAuthenticationWait || !SameFolded(a->user, row.name) ||
                !SameFolded(a->address, c.from) || (!a->domain.empty() && !SameFolded(a->domain, domain)))
                continue;
            c.authenticated = evtx::FiletimeToUnixSeconds(a->at);
            authentications.erase(std::next(a).base());
            break;
        }
        for (const Client& client : clients)
            if (!client.atEnd && client.name == row.name && Within(client.at, at, kNear)) {
                c.client = client.client;
                break;
            }
        row.session.connections.push_back(std::move(c));
        row.starts.push_back(at);
        row.ends.push_back(0);
    }

    void EndConnection(Row& row, std::uint64_t at, std::int64_t seconds, std::string reason)
    {
        RdpConnection& c = row.session.connections.back();
        c.end = seconds;
        c.reason = std::move(reason);
        row.ends.back() = at;
        if (c.client.empty())
            for (const Client& client : clients)
                if (client.atEnd && client.name == row.name && Within(client.at, at, kNear)) {
                    c.client = client.client;
                    break;
                }
    }

    // The session ends (its open connection with it) and waits a moment for
    // a late 4779.
    void EndSession(std::map<std::uint32_t, Row>::iterator it, std::uint64_t at, std::int64_t seconds, RdpEnd reason)
    {
        Row& row = it->second;
        if (row.Connected())
            EndConnection(row, at, seconds, ConnectionEnd(reason));
        row.session.end = seconds;
        row.session.reason = reason;
        row.closed = at;
        closing.push_back(std::move(row));
        open.erase(it);
    }

    // A 4778 or 4779 names the client of the connections it is near.
    void NameClient(Client client)
    {
        const auto name = [&](Row& row) {
            for (std::size_t i = 0; i < row.session.connections.size(); ++i) {
                RdpConnection& c = row.session.connections[i];
                const std::uint64_t at = client.atEnd ? row.ends[i] : row.starts[i];
                if (c.client.empty() && row.name == client.name && (!client.atEnd || at != 0) &&
                    Within(at, client.at, kNear))
                    c.client = client.client;
            }
        };
        for (auto& [id, row] : open)
            name(row);
        for (Row& row : closing)
            name(row);
        clients.push_back(std::move(client));
    }
};

RdpTracker::RdpTracker(Emit emit) : emit_(std::move(emit)) {}

RdpTracker::~RdpTracker() = default;

bool RdpTracker::Take(const evtx::Record& record, evtx::Record& out)
{
    const Kind kind = KindOf(record);
    if (kind == Kind::None)
        return false;
    out = record;
    // 4778 and 4779: only the account and the client's name are read.
    if (kind == Kind::ClientStart || kind == Kind::ClientEnd)
        for (std::size_t i = 0; i < out.strings.size(); ++i)
            if (i != security::reconnect::kUser && i != security::reconnect::kClientName)
                out.strings[i].clear();
    return true;
}

void RdpTracker::Offer(const evtx::Record& record)
{
    const Kind kind = KindOf(record);
    if (kind == Kind::None)
        return;
    Computer& computer = computers_.Of(record.computer);
    if (computer.key.empty())
        computer.key = ComputerKey(record.computer);
    const std::uint64_t at = Ticks(record);
    const std::int64_t seconds = record.timeCreated;
    computer.Expire(at, emit_);
    const std::optional<std::uint32_t> id = Number(StringAt(record, terminal::session::kId));
    switch (kind) {
    case Kind::Logon: {
        if (!id)
            return;
        if (auto it = computer.open.find(*id); it != computer.open.end())
            computer.EndSession(it, at, seconds, RdpEnd::Reused);
        Row& row = computer.open[*id];
        row.session.computer = record.computer;
        row.session.user = StringAt(record, terminal::session::kUser);
        row.session.id = *id;
        row.session.logon = seconds;
        row.name = NameOf(row.session.user);
        computer.StartConnection(row, record, at);
        return;
    }
    case Kind::Reconnect: {
        if (!id)
            return;
        auto it = computer.open.find(*id);
        if (it == computer.open.end()) {
            // Its logon is before the log.
            Row& row = computer.open[*id];
            row.session.computer = record.computer;
            row.session.user = StringAt(record, terminal::session::kUser);
            row.session.id = *id;
            row.name = NameOf(row.session.user);
            computer.StartConnection(row, record, at);
            return;
        }
        if (it->second.Connected())
            computer.EndConnection(it->second, at, seconds, "replaced");
        computer.StartConnection(it->second, record, at);
        return;
    }
    case Kind::Disconnect: {
        if (!id)
            return;
        // Written with a logoff: it changes nothing.
        if (auto logoff = computer.logoffs.find(*id);
            logoff != computer.logoffs.end() && at >= logoff->second && at - logoff->second <= kNear)
            return;
        std::string reason = "disconnected";
        if (auto pending = computer.reasons.find(*id); pending != computer.reasons.end()) {
            if (Within(pending->second.at, at, kNear))
                reason = std::move(pending->second.reason);
            computer.reasons.erase(pending);
        }
        if (auto it = computer.open.find(*id); it != computer.open.end() && it->second.Connected())
            computer.EndConnection(it->second, at, seconds, std::move(reason));
        return;
    }
    case Kind::Logoff:
        if (!id)
            return;
        computer.logoffs[*id] = at;
        if (auto it = computer.open.find(*id); it != computer.open.end())
            computer.EndSession(it, at, seconds, RdpEnd::Logoff);
        return;
    case Kind::Reason: {
        const std::optional<std::uint32_t> session = Number(StringAt(record, terminal::disconnectReason::kSession));
        const std::optional<std::uint32_t> code = Number(StringAt(record, terminal::disconnectReason::kReason));
        if (session && code)
            computer.reasons[*session] = {DisconnectReasonText(*code), at};
        return;
    }
    case Kind::TakenOver: {
        const std::optional<std::uint32_t> target = Number(StringAt(record, terminal::takenOver::kTarget));
        if (target)
            computer.reasons[*target] = {"taken over by session " + StringAt(record, terminal::takenOver::kSource), at};
        return;
    }
    case Kind::Authenticated:
        computer.authentications.push_back({at, record.computer, StringAt(record, terminal::authenticated::kUser),
                                            StringAt(record, terminal::authenticated::kDomain),
                                            StringAt(record, terminal::authenticated::kAddress)});
        return;
    case Kind::ClientStart:
    case Kind::ClientEnd: {
        const std::string& client = StringAt(record, security::reconnect::kClientName);
        if (!computer.OwnName(client))
            computer.NameClient({at, FoldCase(StringAt(record, security::reconnect::kUser)), client,
                                 kind == Kind::ClientEnd});
        return;
    }
    case Kind::Shutdown:
    case Kind::Boot:
        while (!computer.open.empty())
            computer.EndSession(computer.open.begin(), at, seconds,
                                kind == Kind::Shutdown ? RdpEnd::Shutdown : RdpEnd::Crash);
        return;
    case Kind::None:
        return;
    }
}

void RdpTracker::Finish()
{
    for (auto& [key, computer] : computers_.ByKey()) {
        for (Row& row : computer->closing)
            emit_(std::move(row.session));
        for (auto& [id, row] : computer->open) {
            if (row.Connected())
                row.session.connections.back().reason = "open";
            emit_(std::move(row.session));
        }
        for (const Computer::Authentication& a : computer->authentications)
            Computer::EmitAuthentication(a, emit_);
    }
    computers_.Clear();
}

}  // namespace tav::sessions

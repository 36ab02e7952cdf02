#include "report/rdp_collector.h"

#include <algorithm>
#include <map>
#include <set>
#include <tuple>

#include "sessions/security_events.h"

namespace tav::report {

using sessions::RdpEnd;

void RdpCollector::Add(const sessions::RdpSession& s)
{
    Held& h = held_.emplace_back();
    h.start = s.Start();
    h.computer = computers_.Id(s.computer);
    h.computerKey = computerKeys_.Id(sessions::ComputerKey(s.computer));
    h.user = users_.Id(s.user);
    h.address = addresses_.Id(s.address);
    h.sequence = held_.size();
    h.id = s.id;
    h.logon = s.logon;
    h.end = s.end;
    h.reason = s.reason;
    h.addresses = addressLists_.Id(sessions::Joined(s.Addresses()));
    h.active = s.Active();
    h.ended = s.Ended();
    h.disconnected = s.Disconnected();
    for (const sessions::RdpConnection& c : s.connections)
        h.connections.push_back(
            {addresses_.Id(c.from), clients_.Id(c.client), reasons_.Id(c.reason), c.start, c.end, c.authenticated});
}

// rdp's order: newest first; of equal starts by computer, sessions before
// lone authentications, by session id; then as they came.
bool RdpCollector::Before(const Held& a, const Held& b) const
{
    if (a.start != b.start)
        return a.start > b.start;
    if (a.computerKey != b.computerKey)
        return computerKeys_.Text(a.computerKey) < computerKeys_.Text(b.computerKey);
    if (a.id.has_value() != b.id.has_value())
        return a.id.has_value();
    if (a.id != b.id)
        return *a.id < *b.id;
    return a.sequence < b.sequence;
}

// A lane for each user and computer with most sessions, in that order; each
// held session's lane, -1 for none.
std::vector<int> RdpCollector::Lanes(ReportInput& page) const
{
    struct Lane {
        std::uint64_t sessions = 0;
        std::size_t first = 0;  // its newest session, whose computer's name it shows
        int index = -1;
    };
    std::map<std::pair<std::uint32_t, std::uint32_t>, Lane> lanes;  // by user and computer key
    for (std::size_t i = 0; i < held_.size(); ++i)
        ++lanes.try_emplace({held_[i].user, held_[i].computerKey}, Lane{0, i, -1}).first->second.sessions;
    std::vector<Lane*> byCount;
    for (auto& [key, lane] : lanes)
        byCount.push_back(&lane);
    const auto names = [&](const Lane* lane) {
        const Held& s = held_[lane->first];
        return std::tie(users_.Text(s.user), computers_.Text(s.computer));
    };
    std::sort(byCount.begin(), byCount.end(), [&](const Lane* a, const Lane* b) {
        return a->sessions != b->sessions ? a->sessions > b->sessions : names(a) < names(b);
    });
    for (std::size_t i = 0; i < byCount.size() && i < kMaxLanes; ++i) {
        byCount[i]->index = static_cast<int>(i);
        page.rdpLanes.emplace_back(std::get<0>(names(byCount[i])), std::get<1>(names(byCount[i])));
    }
    page.rdpLanesLeftOut = byCount.size() - page.rdpLanes.size();
    std::vector<int> laneOf;
    for (const Held& s : held_)
        laneOf.push_back(lanes.at({s.user, s.computerKey}).index);
    return laneOf;
}

// The texts of rdp's table; an open session runs to the end of the log, a
// lone authentication is an instant.
RdpRow RdpCollector::RowOf(const Held& s, const TimeView& time, std::int64_t lastAt) const
{
    const Connection* first = s.connections.empty() ? nullptr : &s.connections.front();
    RdpRow row;
    row.computer = computers_.Text(s.computer);
    row.user = users_.Text(s.user);
    row.session = s.id ? std::to_string(*s.id) : "-";
    row.from = addresses_.Text(first ? first->from : s.address);
    row.client = first ? clients_.Text(first->client) : std::string();
    row.logon = s.logon ? time.text(*s.logon) : "before log";
    row.end = s.reason == RdpEnd::Logoff ? time.text(*s.end) : sessions::RdpEndWords(s.reason);
    row.activeSeconds = s.active;
    row.active = sessions::DurationText(s.active);
    if (s.ended) {
        row.disconnectedSeconds = s.disconnected;
        row.disconnected = sessions::DurationText(s.disconnected);
    }
    row.addresses = addressLists_.Text(s.addresses);
    row.connections = s.connections.size();
    row.startAt = time.shown(s.start);
    row.endAt = s.end ? time.shown(*s.end) : s.id ? std::max(lastAt, row.startAt) : row.startAt;
    row.reason = sessions::RdpEndKey(s.reason);
    return row;
}

// A connection still open runs to its session's end.
void RdpCollector::AddBars(const Held& s, const TimeView& time, RdpRow& row) const
{
    std::set<std::uint32_t> seen;
    for (const Connection& c : s.connections) {
        const bool newAddress = !seen.empty() && !seen.count(c.from);
        seen.insert(c.from);
        row.bars.push_back({addresses_.Text(c.from), clients_.Text(c.client),
                            c.authenticated ? time.text(*c.authenticated) : std::string(), time.text(c.start),
                            c.end ? time.text(*c.end) : std::string(), reasons_.Text(c.reason), time.shown(c.start),
                            c.end ? time.shown(*c.end) : row.endAt, newAddress});
    }
}

// The table in rdp's order, cut at kMaxRows; the lanes' newest sessions
// drawn up to kMaxBars connections.
void RdpCollector::Finish(const TimeView& time, ReportInput& page)
{
    std::sort(held_.begin(), held_.end(), [this](const Held& a, const Held& b) { return Before(a, b); });
    page.rdpSessions = held_.size();
    page.rdpComputers = computerKeys_.Size() > 1;
    const std::vector<int> laneOf = Lanes(page);
    std::size_t bars = 0;
    bool full = false;
    for (std::size_t i = 0; i < held_.size(); ++i) {
        int lane = laneOf[i];
        const std::size_t needed = std::max<std::size_t>(1, held_[i].connections.size());
        if (lane >= 0 && (full || bars + needed > kMaxBars)) {
            full = true;
            ++page.rdpBarsLeftOut;
            lane = -1;
        } else if (lane >= 0) {
            bars += needed;
        }
        const bool listed = i < kMaxRows;
        if (!listed && lane < 0)
            continue;
        RdpRow& row = page.rdpRows.emplace_back(RowOf(held_[i], time, page.lastAt));
        row.lane = lane;
        row.listed = listed;
        if (lane >= 0)
            AddBars(held_[i], time, row);
    }
    page.rdpRowsLeftOut = held_.size() - std::min(held_.size(), kMaxRows);
}

}  // namespace tav::report

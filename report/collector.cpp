#include "report/collector.h"

#include <algorithm>
#include <future>
#include <limits>
#include <map>
#include <set>
#include <span>

#include "report/names.h"
#include "report/rdp_collector.h"
#include "sessions/failed_logons.h"
#include "sessions/security_events.h"

namespace tav::report {
namespace {

using sessions::EndReason;

// Where a row stands in the order of last and lastb: by input, newest first,
// of equal times the later record; equal keys as they came.
struct Order {
    std::uint32_t input = 0;
    std::int64_t time = 0;
    std::uint64_t record = 0;
    std::uint64_t sequence = 0;

    bool operator<(const Order& o) const
    {
        if (input != o.input)
            return input < o.input;
        if (time != o.time)
            return time > o.time;
        if (record != o.record)
            return record > o.record;
        return sequence < o.sequence;
    }
};

struct HeldSession {
    Order order;
    std::uint32_t user = 0, from = 0;
    std::int64_t end = 0;  // UTC; none when Open
    int logonType = -1;
    EndReason reason = EndReason::Open;
};

struct HeldFailure {
    Order order;
    std::uint32_t user = 0, from = 0, reason = 0;
    int logonType = -1;
};

// Monday 0 .. Sunday 6 and the hour of a shown time.
std::pair<int, int> WeekdayHour(std::int64_t shown)
{
    const std::int64_t days = shown >= 0 ? shown / 86400 : (shown - 86399) / 86400;
    const int weekday = static_cast<int>(((days % 7) + 7 + 3) % 7);  // 1 January 1970 was a Thursday
    const int hour = static_cast<int>((shown - days * 86400) / 3600);
    return {weekday, hour};
}

std::int64_t FloorTo(std::int64_t value, std::int64_t step)
{
    const std::int64_t q = value / step;
    return (q * step > value ? q - 1 : q) * step;
}

// The texts of the rows, each kind numbered on its own.
struct Texts {
    Names users, froms, reasons;
};

// The users with most sessions get the lanes, in that order: each user's
// lane, -1 for none.
std::vector<int> Lanes(const std::vector<std::uint64_t>& perUser, const Names& users, ReportInput& page)
{
    std::vector<std::uint32_t> byCount;
    for (std::uint32_t u = 0; u < perUser.size(); ++u)
        if (perUser[u] > 0)
            byCount.push_back(u);
    std::sort(byCount.begin(), byCount.end(), [&](std::uint32_t a, std::uint32_t b) {
        return perUser[a] != perUser[b] ? perUser[a] > perUser[b] : users.Text(a) < users.Text(b);
    });
    page.users = byCount.size();
    std::vector<int> laneOf(users.Size(), -1);
    for (std::size_t i = 0; i < byCount.size() && i < kMaxLanes; ++i) {
        laneOf[byCount[i]] = static_cast<int>(i);
        page.lanes.push_back(users.Text(byCount[i]));
    }
    page.usersLeftOut = byCount.size() - page.lanes.size();
    return laneOf;
}

// An open session runs to the end of the log.
SessionRow RowOf(const HeldSession& s, const Texts& texts, const TimeView& time, std::int64_t lastAt)
{
    SessionRow row;
    row.user = texts.users.Text(s.user);
    row.from = texts.froms.Text(s.from);
    row.type = sessions::LogonTypeName(s.logonType);
    row.start = time.text(s.order.time);
    row.startAt = time.shown(s.order.time);
    const bool open = s.reason == EndReason::Open;
    if (s.reason == EndReason::Logoff)
        row.end = time.text(s.end);
    if (!open)
        row.duration = sessions::DurationText(s.end - s.order.time);
    row.endAt = open ? std::max(lastAt, row.startAt) : time.shown(s.end);
    row.reason = s.reason;
    row.logonType = s.logonType;
    return row;
}

// Puts the first `count` of `held` (their `order`) first, in order, and the
// rest after them in no order: the page shows only so many, and a log
// holds hundreds of thousands.
template <class Held>
void OrderFirst(std::span<Held> held, std::size_t count)
{
    const auto before = [](const Held& a, const Held& b) { return a.order < b.order; };
    const auto end = held.begin() + static_cast<std::ptrdiff_t>(std::min(count, held.size()));
    std::nth_element(held.begin(), end, held.end(), before);
    std::sort(held.begin(), end, before);
}

// Sessions: lanes for the users with most of them, the bars of those lanes
// and the table, cut at kMaxBars and kMaxRows in the order of last.
void AddSessions(std::vector<HeldSession>& held, const Texts& texts, const TimeView& time, ReportInput& page)
{
    std::vector<std::uint64_t> perUser(texts.users.Size());
    for (const HeldSession& s : held) {
        ++perUser[s.user];
        page.open += s.reason == EndReason::Open;
    }
    page.sessions = held.size();
    const std::vector<int> laneOf = Lanes(perUser, texts.users, page);
    // The table's rows, then the sessions after them that have a lane, each
    // part in order: those that get a bar.
    const std::span<HeldSession> all(held);
    OrderFirst(all, kMaxRows);
    const std::span<HeldSession> listed = all.first(std::min(held.size(), kMaxRows));
    const std::span<HeldSession> after = all.subspan(listed.size());
    const std::size_t laned =
        static_cast<std::size_t>(std::partition(after.begin(), after.end(), [&](const HeldSession& s) {
                                     return laneOf[s.user] >= 0;
                                 }) -
                                 after.begin());
    std::size_t listedLaned = 0;
    for (const HeldSession& s : listed)
        listedLaned += laneOf[s.user] >= 0;
    const std::size_t barsAfter = std::min(laned, kMaxBars - std::min(listedLaned, kMaxBars));
    OrderFirst(after.first(laned), barsAfter);
    std::size_t bars = 0;
    for (const HeldSession& s : all.first(listed.size() + barsAfter)) {
        int lane = laneOf[s.user];
        if (lane >= 0 && bars++ >= kMaxBars)
            lane = -1;
        SessionRow& row = page.sessionRows.emplace_back(RowOf(s, texts, time, page.lastAt));
        row.lane = lane;
        row.listed = page.sessionRows.size() <= kMaxRows;
    }
    const std::size_t withLane = listedLaned + laned;
    page.barsLeftOut = withLane - std::min(withLane, kMaxBars);
    page.sessionRowsLeftOut = held.size() - listed.size();
}

// Failed logons: the table in the order of lastb, and the summary.
void AddFailures(std::vector<HeldFailure>& held, const std::vector<sessions::FailureSource>& sources,
                 const Texts& texts, const TimeView& time, ReportInput& page)
{
    OrderFirst(std::span<HeldFailure>(held), kMaxRows);
    page.failures = held.size();
    for (std::size_t i = 0; i < held.size() && i < kMaxRows; ++i) {
        const HeldFailure& f = held[i];
        page.failureRows.push_back({time.text(f.order.time), texts.users.Text(f.user), texts.froms.Text(f.from),
                                    sessions::LogonTypeName(f.logonType), texts.reasons.Text(f.reason),
                                    time.shown(f.order.time)});
    }
    page.failureRowsLeftOut = held.size() - page.failureRows.size();
    page.sources = sources.size();
    for (std::size_t i = 0; i < sources.size() && i < kMaxRows; ++i) {
        const sessions::FailureSource& s = sources[i];
        page.summary.push_back({s.from, s.attempts, s.users, time.text(s.first), time.text(s.last), s.topReason,
                                sessions::Joined(s.topUsers), time.shown(s.first), time.shown(s.last)});
    }
    page.summaryLeftOut = sources.size() - page.summary.size();
}

// The failed logons of the sources with most of them, per step of time.
FailureSeries Series(const std::vector<HeldFailure>& held, const std::vector<sessions::FailureSource>& sources,
                     const Names& froms, const TimeView& time)
{
    FailureSeries series;
    std::map<std::uint32_t, std::size_t> seriesOf;  // from id: index in the series
    for (std::size_t i = 0; i < sources.size() && i < kMaxSeries; ++i) {
        if (const std::optional<std::uint32_t> id = froms.Find(sources[i].from))
            seriesOf[*id] = i;
        series.sources.push_back(sources[i].from);
    }
    // Shown times, not UTC ones, bound the chart: a clock set back by the
    // end of summer time makes a later event show earlier.
    std::vector<std::pair<std::size_t, std::int64_t>> points;
    std::int64_t low = std::numeric_limits<std::int64_t>::max(), high = std::numeric_limits<std::int64_t>::min();
    for (const HeldFailure& f : held)
        if (const auto it = seriesOf.find(f.from); it != seriesOf.end()) {
            points.emplace_back(it->second, time.shown(f.order.time));
            low = std::min(low, points.back().second);
            high = std::max(high, points.back().second);
        }
    if (points.empty())
        return series;
    constexpr std::int64_t kMonday = 4 * 86400;  // 5 January 1970: weeks start on a Monday
    series.step = SeriesStep(high - low);
    series.start = FloorTo(low - kMonday, series.step) + kMonday;
    series.counts.assign(seriesOf.size(),
                         std::vector<std::uint64_t>(static_cast<std::size_t>((high - series.start) / series.step) + 1));
    for (const auto& [source, at] : points)
        ++series.counts[source][static_cast<std::size_t>((at - series.start) / series.step)];
    return series;
}

}  // namespace

struct ReportCollector::State {
    Texts texts;
    std::set<std::string> computers;
    std::vector<HeldSession> sessions;
    std::vector<HeldFailure> failures;
    sessions::FailureSummary summary;
    RdpCollector rdp;
    std::int64_t firstEvent = std::numeric_limits<std::int64_t>::max();
    std::int64_t lastEvent = std::numeric_limits<std::int64_t>::min();
    std::uint64_t sequence = 0;
    // Sessions by the weekday and hour they start, counted as they come.
    std::array<std::array<std::uint64_t, 24>, 7> logonsByHour{};
};

std::int64_t SeriesStep(std::int64_t seconds)
{
    constexpr std::int64_t kSteps[] = {60, 300, 900, 1800, 3600, 3 * 3600, 6 * 3600, 12 * 3600,
                                       86400, 7 * 86400, 30 * 86400};
    for (const std::int64_t step : kSteps)
        if (seconds / step < static_cast<std::int64_t>(kMaxBuckets))
            return step;
    return (seconds / static_cast<std::int64_t>(kMaxBuckets - 1) / 86400 + 1) * 86400;
}

ReportCollector::ReportCollector(TimeView time, unsigned threads)
    : time_(std::move(time)), threads_(threads), state_(std::make_unique<State>())
{
}

ReportCollector::~ReportCollector() = default;

void ReportCollector::AddEventTime(std::int64_t utc)
{
    state_->firstEvent = std::min(state_->firstEvent, utc);
    state_->lastEvent = std::max(state_->lastEvent, utc);
}

void ReportCollector::Add(std::uint32_t input, const sessions::Session& s)
{
    State& st = *state_;
    st.computers.insert(s.computer);
    st.sessions.push_back({{input, s.start, s.recordId, st.sequence++}, st.texts.users.Id(s.user),
                           st.texts.froms.Id(s.from), s.end.value_or(0), s.logonType, s.reason});
    const auto [weekday, hour] = WeekdayHour(time_.shown(s.start));
    ++st.logonsByHour[weekday][hour];
}

void ReportCollector::Add(std::uint32_t input, const sessions::FailedLogon& f)
{
    State& st = *state_;
    st.computers.insert(f.computer);
    st.summary.Add(f);
    st.failures.push_back({{input, f.time, f.recordId, st.sequence++}, st.texts.users.Id(f.user),
                           st.texts.froms.Id(f.from), st.texts.reasons.Id(f.reason), f.logonType});
}

void ReportCollector::Add(const sessions::RdpSession& s)
{
    state_->computers.insert(s.computer);
    state_->rdp.Add(s);
}

ReportInput ReportCollector::Finish()
{
    State& st = *state_;
    ReportInput page;
    page.computers.assign(st.computers.begin(), st.computers.end());
    if (st.firstEvent <= st.lastEvent) {
        page.firstAt = time_.shown(st.firstEvent);
        page.lastAt = time_.shown(st.lastEvent);
        page.first = time_.text(st.firstEvent);
        page.last = time_.text(st.lastEvent);
    }
    page.logonsByHour = st.logonsByHour;
    // Each part reads the texts and fills fields of the page of its own.
    const auto failures = [&] {
        const std::vector<sessions::FailureSource> sources = st.summary.Sources();
        AddFailures(st.failures, sources, st.texts, time_, page);
        page.series = Series(st.failures, sources, st.texts.froms, time_);
    };
    std::future<void> beside;
    if (threads_ > 1)
        beside = std::async(std::launch::async, failures);
    AddSessions(st.sessions, st.texts, time_, page);
    if (beside.valid())
        beside.get();
    else
        failures();
    st.rdp.Finish(time_, page);
    state_ = std::make_unique<State>();
    return page;
}

}  // namespace tav::report

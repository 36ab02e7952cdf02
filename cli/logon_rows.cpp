#include "cli/logon_rows.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "cli/event_inputs.h"
#include "sessions/failed_logons.h"
#include "sessions/security_events.h"
#include "sessions/session_tracker.h"

namespace tav::cli {
namespace {

bool Selected(const Run& run, std::int64_t time, const std::string& user, const std::string& domain,
              const std::string& ip, const std::string& workstation, const std::string& from)
{
    return run.InRange(time) && (!run.options.user || sessions::MatchesUser(*run.options.user, user, domain)) &&
           (!run.options.from || sessions::MatchesFrom(*run.options.from, ip, workstation, from));
}

// What a record gives the caller's thread. Failed logons are read and
// selected on the workers; the session rules need the records in order.
struct Item {
    enum class Kind { Times, Session, Failure, TooFewFields } kind = Kind::Times;
    std::int64_t earliest = 0;  // Times: a stretch of records
    std::int64_t latest = 0;
    evtx::Record record;
    sessions::FailedLogon failure;
};

constexpr std::uint16_t kSessionEvents[] = {sessions::kLogShutdown, sessions::kBoot,      sessions::kLogon,
                                            sessions::kLogoff,      sessions::kUserLogoff, sessions::kReconnect,
                                            sessions::kDisconnect};
constexpr std::uint16_t kFailureEvents[] = {sessions::kFailedLogon};
constexpr std::uint16_t kAllEvents[] = {sessions::kLogShutdown, sessions::kBoot,       sessions::kLogon,
                                        sessions::kFailedLogon, sessions::kLogoff,     sessions::kUserLogoff,
                                        sessions::kReconnect,   sessions::kDisconnect};

}  // namespace

bool ReadLogonRows(const Run& run, const LogonRowsWanted& wanted)
{
    sessions::SessionRules rules;
    if (run.options.types)
        rules.types = *run.options.types;
    rules.allAccounts = run.options.allAccounts;
    const std::vector<int> failureTypes = run.options.types.value_or(std::vector<int>{});

    std::uint64_t inputNumber = 0;
    std::string input;
    std::uint64_t tooFew = 0;
    std::uint64_t trackerSkippedBefore = 0;
    // Each input on its own: a session does not end in another file.
    sessions::SessionTracker tracker(rules, [&](sessions::Session&& s) {
        if (Selected(run, s.start, s.user, s.domain, s.ip, s.workstation, s.from))
            wanted.session(inputNumber, s);
    });

    EventInputs<Item> inputs;
    inputs.order = evtx::WalkOrder::OldestFirst;
    inputs.events = wanted.session && wanted.failure ? std::span<const std::uint16_t>(kAllEvents)
                    : wanted.session                 ? std::span<const std::uint16_t>(kSessionEvents)
                                                     : std::span<const std::uint16_t>(kFailureEvents);
    inputs.transform = [&](const evtx::Record& record, std::vector<Item>& items) {
        if (wanted.eventTimes) {
            // Consecutive records share one item: the times only bound the log.
            if (items.empty() || items.back().kind != Item::Kind::Times)
                items.push_back({Item::Kind::Times, record.timeCreated, record.timeCreated, {}, {}});
            Item& times = items.back();
            times.earliest = std::min(times.earliest, record.timeCreated);
            times.latest = std::max(times.latest, record.timeCreated);
        }
        if (wanted.session && sessions::SessionTracker::Reads(record)) {
            items.push_back({Item::Kind::Session, 0, 0, record, {}});
            return;
        }
        if (!wanted.failure)
            return;
        sessions::FailedLogon row;
        switch (sessions::ReadFailedLogon(record, row)) {
        case sessions::FailedLogonRead::TooFewFields:
            items.push_back({Item::Kind::TooFewFields, 0, 0, {}, {}});
            break;
        case sessions::FailedLogonRead::Row:
            if ((failureTypes.empty() ||
                 std::find(failureTypes.begin(), failureTypes.end(), row.logonType) != failureTypes.end()) &&
                Selected(run, row.time, row.user, row.domain, row.ip, row.workstation, row.from))
                items.push_back({Item::Kind::Failure, 0, 0, {}, std::move(row)});
            break;
        case sessions::FailedLogonRead::NotFailed:
            break;
        }
    };
    inputs.begin = [&](const std::string& name) {
        ++inputNumber;
        input = name;
        tooFew = 0;
        trackerSkippedBefore = tracker.TooFewFields();
    };
    inputs.items = [&](std::span<Item> items) {
        for (const Item& item : items) {
            switch (item.kind) {
            case Item::Kind::Times:
                wanted.eventTimes(item.earliest, item.latest);
                break;
            case Item::Kind::Session:
                tracker.Offer(item.record);
                break;
            case Item::Kind::Failure:
                wanted.failure(inputNumber, item.failure);
                break;
            case Item::Kind::TooFewFields:
                ++tooFew;
                break;
            }
        }
    };
    inputs.end = [&] {
        tracker.Finish();
        const std::uint64_t skipped = tooFew + tracker.TooFewFields() - trackerSkippedBefore;
        if (skipped > 0)
            run.Report(input, std::to_string(skipped) + " records skipped: too few fields");
    };
    return ReadEventInputs(run, inputs);
}

}  // namespace tav::cli

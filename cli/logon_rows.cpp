#include "cli/logon_rows.h"

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "cli/event_inputs.h"
#include "cli/rdp_rows.h"
#include "cli/record_merge.h"
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

// What a record gives the caller's thread: a stretch of the times of
// records that name no computer (the others' times come with their marks),
// a record for the session rules (which need the records in order), a
// failed logon read and selected on the worker, or one too short to read.
// An item has room for each kind: one an earlier chunk left keeps the
// strings' storage of both a record and a failed logon, where a kind made
// anew would free and allocate them whenever it changed. Its kind comes
// first, beside the record's numbers, on the item's first cache line.
struct alignas(64) Item {
    enum class Kind : std::uint8_t { Times, Record, Failure, TooFewFields } kind = Kind::Times;
    evtx::Record record;
    std::int64_t earliest = 0;  // Times
    std::int64_t latest = 0;
    sessions::FailedLogon failure;
};

constexpr std::uint16_t kSessionEvents[] = {security::kLogShutdown, security::kBoot,      security::kLogon,
                                            security::kLogoff,      security::kUserLogoff, security::kReconnect,
                                            security::kDisconnect};
constexpr std::uint16_t kFailureEvents[] = {security::kFailedLogon};
constexpr std::uint16_t kAllEvents[] = {security::kLogShutdown, security::kBoot,       security::kLogon,
                                        security::kFailedLogon, security::kLogoff,     security::kUserLogoff,
                                        security::kReconnect,   security::kDisconnect};

// What a record gives the rules, on any of the threads: its time, the
// record itself for the session rules, a failed logon selected here.
void Transform(const Run& run, const LogonRowsWanted& wanted, const std::vector<int>& failureTypes,
               const sessions::SessionTracker& tracker, const evtx::Record& record, evtx::ItemList<Item>& items)
{
    if (wanted.eventTimes && record.computer.empty()) {
        // Consecutive records share one item: the times only bound the log.
        Item* times = items.Last();
        if (times == nullptr || times->kind != Item::Kind::Times) {
            times = &items.Add();
            times->kind = Item::Kind::Times;
            times->earliest = times->latest = record.timeCreated;
        }
        times->earliest = std::min(times->earliest, record.timeCreated);
        times->latest = std::max(times->latest, record.timeCreated);
    }
    // A failed logon is no record of a session. Read into an item an earlier
    // chunk left, as records are below: its strings' storage is reused.
    if (sessions::EventOf(record, sessions::kSecurityProvider) == security::kFailedLogon) {
        if (!wanted.failure)
            return;
        Item& item = items.Add();
        item.kind = Item::Kind::Failure;
        sessions::FailedLogon& row = item.failure;
        switch (sessions::ReadFailedLogon(record, row)) {
        case sessions::FailedLogonRead::TooFewFields:
            item.kind = Item::Kind::TooFewFields;
            break;
        case sessions::FailedLogonRead::Row:
            if ((failureTypes.empty() ||
                 std::find(failureTypes.begin(), failureTypes.end(), row.logonType) != failureTypes.end()) &&
                Selected(run, row.time, row.user, row.domain, row.ip, row.workstation, row.from))
                break;
            [[fallthrough]];
        case sessions::FailedLogonRead::NotFailed:
            items.RemoveLast();
            break;
        }
        return;
    }
    if (!wanted.session)
        return;
    // One too short for its event is counted with its input and goes to no rule.
    if (sessions::SessionTracker::HasTooFewFields(record)) {
        items.Add().kind = Item::Kind::TooFewFields;
        return;
    }
    Item& item = items.Add();
    item.kind = Item::Kind::Record;
    if (!tracker.Take(record, item.record))
        items.RemoveLast();
}

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
    // A session may end in another log of its computer than the one it began
    // in (archived logs): with several files, the records of all go to the
    // rules merged by time.
    sessions::SessionTracker tracker(rules, [&](sessions::Session&& s) {
        if (Selected(run, s.start, s.user, s.domain, s.ip, s.workstation, s.from))
            wanted.session(1, s);
    });
    RuleFeed feed([&](const evtx::Record& record) { tracker.Offer(record); }, run.Jobs());

    EventInputs<Item> inputs;
    inputs.order = evtx::WalkOrder::OldestFirst;
    if (wanted.remoteDesktop)
        inputs.channels = RemoteDesktopChannels();
    // Failed logons are listed input by input; sessions are not.
    inputs.largestLast = !wanted.failure;
    inputs.events = wanted.session && wanted.failure ? std::span<const std::uint16_t>(kAllEvents)
                    : wanted.session                 ? std::span<const std::uint16_t>(kSessionEvents)
                                                     : std::span<const std::uint16_t>(kFailureEvents);
    inputs.strings = (wanted.session ? sessions::kSessionStrings : 0) | (wanted.failure ? sessions::kFailureStrings : 0);
    inputs.transform = [&](const evtx::Record& record, evtx::ItemList<Item>& items) {
        Transform(run, wanted, failureTypes, tracker, record, items);
    };
    inputs.files = [&](std::size_t files) { feed.Files(files); };
    inputs.times = wanted.eventTimes;
    inputs.begin = [&](const std::string& name) {
        ++inputNumber;
        input = name;
        tooFew = 0;
        feed.BeginInput(name);
    };
    inputs.items = [&](std::span<Item> items) {
        for (Item& item : items) {
            switch (item.kind) {
            case Item::Kind::Times: wanted.eventTimes(item.earliest, item.latest); break;
            case Item::Kind::Record: feed.Add(std::move(item.record)); break;
            case Item::Kind::Failure: wanted.failure(inputNumber, item.failure); break;
            case Item::Kind::TooFewFields: ++tooFew; break;
            }
        }
    };
    inputs.end = [&] {
        if (tooFew > 0)
            run.Report(input, std::to_string(tooFew) + " records skipped: too few fields");
    };
    const bool allRead = ReadEventInputs(run, inputs) & feed.Finish(run);
    tracker.Finish();
    return allRead;
}

}  // namespace tav::cli

#include "sessions/failed_logons.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "sessions/security_events.h"

namespace tav::sessions {
namespace {

struct Reason {
    std::string_view code;  // case folded
    std::string_view words;
};

constexpr Reason kReasons[] = {
    {"0xc0000064", "unknown user"},
    {"0xc000006a", "wrong password"},
    {"0xc0000234", "account locked out"},
    {"0xc0000072", "account disabled"},
    {"0xc000006f", "outside logon hours"},
    {"0xc0000070", "workstation not allowed"},
    {"0xc0000071", "password expired"},
    {"0xc0000193", "account expired"},
    {"0xc0000224", "password must change"},
    {"0xc0000133", "clock skew"},
    {"0xc000015b", "logon type not granted"},
    {"0xc000006e", "account restriction"},
    {"0xc000006d", "bad user name or password"},
    {"0xc0000413", "authentication firewall"},
};

}  // namespace

// What one From's rows add up to, while they are counted.
struct FailureSummary::Tally {
    FailureSource source;
    std::map<std::string, std::uint64_t> reasons;
    struct User {
        std::uint64_t attempts = 0;
        std::string shown;  // as written in the newest attempt
        std::int64_t newestTime = 0;
        std::uint64_t newestRecord = 0;
    };
    std::map<std::string, User> users;  // by case-folded name
};

FailedLogonRead ReadFailedLogon(const evtx::Record& record, FailedLogon& row)
{
    if (EventOf(record, kSecurityProvider) != security::kFailedLogon)
        return FailedLogonRead::NotFailed;
    const std::vector<std::string>& s = record.strings;
    if (s.size() < kFailedFields)
        return FailedLogonRead::TooFewFields;
    row.recordId = record.recordId;
    row.computer = record.computer;
    row.time = record.timeCreated;
    row.user = s[failed::kUser];
    row.domain = s[failed::kDomain];
    row.logonType = ParseLogonType(s[failed::kType]);
    row.ip = s[failed::kIp];
    row.workstation = s[failed::kWorkstation];
    row.from = FromText(row.ip, row.workstation);
    row.status = s[failed::kStatus];
    row.subStatus = s[failed::kSubStatus];
    row.reason = FailureReason(row.status, row.subStatus);
    return FailedLogonRead::Row;
}

std::string FailureReason(std::string_view status, std::string_view subStatus)
{
    const std::string code = FoldCase(IsZeroCode(subStatus) ? status : subStatus);
    for (const Reason& reason : kReasons)
        if (reason.code == code)
            return std::string(reason.words);
    return "status " + code;
}

FailureSummary::FailureSummary() = default;
FailureSummary::~FailureSummary() = default;

void FailureSummary::Add(const FailedLogon& row)
{
    Tally& tally = tallies_[row.from];
    FailureSource& source = tally.source;
    if (source.attempts == 0) {
        source.from = row.from;
        source.first = source.last = row.time;
    }
    ++source.attempts;
    source.first = std::min(source.first, row.time);
    source.last = std::max(source.last, row.time);
    ++tally.reasons[row.reason];
    Tally::User& user = tally.users[FoldCase(row.user)];
    if (user.attempts++ == 0 || std::tie(row.time, row.recordId) > std::tie(user.newestTime, user.newestRecord)) {
        user.shown = row.user;
        user.newestTime = row.time;
        user.newestRecord = row.recordId;
    }
}

std::vector<FailureSource> FailureSummary::Sources() const
{
    std::vector<FailureSource> sources;
    for (const auto& [from, tally] : tallies_) {
        FailureSource source = tally.source;
        source.users = tally.users.size();
        // The most frequent reason; of equals the first by text (the map's order).
        std::uint64_t most = 0;
        for (const auto& [reason, count] : tally.reasons) {
            if (count > most) {
                most = count;
                source.topReason = reason;
            }
        }
        // Names by attempts, ties by the case-folded name (the map's order).
        std::vector<const Tally::User*> users;
        for (const auto& [name, user] : tally.users)
            users.push_back(&user);
        std::stable_sort(users.begin(), users.end(),
                         [](const Tally::User* a, const Tally::User* b) { return a->attempts > b->attempts; });
        for (std::size_t i = 0; i < users.size() && i < 5; ++i)
            source.topUsers.push_back(users[i]->shown);
        sources.push_back(std::move(source));
    }
    std::stable_sort(sources.begin(), sources.end(),
                     [](const FailureSource& a, const FailureSource& b) { return a.attempts > b.attempts; });
    return sources;
}

}  // namespace tav::sessions

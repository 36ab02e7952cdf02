// Failed logons (event 4625) as rows, and their sum per source: the
// password-guessing view.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "evtx/record.h"
#include "sessions/session.h"

namespace tav::sessions {

enum class FailedLogonRead {
    Row,          // `row` holds it
    NotFailed,    // another event
    TooFewFields  // a 4625 with fewer strings than the row reads
};

FailedLogonRead ReadFailedLogon(const evtx::Record& record, FailedLogon& row);

// The reason in words: from SubStatus unless it is zero, else from Status;
// "status 0x…" for a code without words.
std::string FailureReason(std::string_view status, std::string_view subStatus);

// The failed logons summed up per From, as they come: memory grows with the
// sources and the names they tried, not with the attempts.
class FailureSummary {
public:
    FailureSummary();
    ~FailureSummary();
    FailureSummary(const FailureSummary&) = delete;
    FailureSummary& operator=(const FailureSummary&) = delete;

    void Add(const FailedLogon& row);
    // One entry per From, most attempts first (ties: From ascending).
    std::vector<FailureSource> Sources() const;

private:
    struct Tally;
    std::map<std::string, Tally> tallies_;  // by From
};

}  // namespace tav::sessions

// Failed logons (event 4625) as rows, and their sum per source: the
// password-guessing view.
#pragma once

#include <optional>
#include <span>
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

// One entry per From, most attempts first (ties: From ascending).
std::vector<FailureSource> SummarizeFailures(std::span<const FailedLogon> rows);

}  // namespace tav::sessions

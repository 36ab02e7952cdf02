// The page's content, collected as the sessions and failed logons come and
// cut when they are all in: each one is held in a few dozen bytes, its
// texts kept once per distinct name.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "report/report.h"
#include "sessions/rdp.h"
#include "sessions/session.h"

namespace tav::report {

// How the tool shows an instant (seconds since 1970 UTC). Called from two
// threads at once when the collector has two.
struct TimeView {
    std::function<std::int64_t(std::int64_t)> shown;  // the same instant in the shown zone
    std::function<std::string(std::int64_t)> text;    // as last and lastb write it
};

class ReportCollector {
public:
    // `threads`: with two or more, Finish makes the failed logons' part of
    // the page beside the sessions' part.
    explicit ReportCollector(TimeView time, unsigned threads = 1);
    ~ReportCollector();
    ReportCollector(const ReportCollector&) = delete;
    ReportCollector& operator=(const ReportCollector&) = delete;

    // Every event read, so that the page knows the time the logs cover.
    void AddEventTime(std::int64_t utc);
    // Rows of input `input` (counted from 1); the page lists them as last and
    // lastb do: by input, then newest first.
    void Add(std::uint32_t input, const sessions::Session& session);
    void Add(std::uint32_t input, const sessions::FailedLogon& failure);
    // A Remote Desktop session of a terminal server's logs; the page lists
    // them as rdp does, newest first, in the order they come when they
    // start together.
    void Add(const sessions::RdpSession& session);

    // The content; the caller fills in the inputs, the zone and the language.
    ReportInput Finish();

private:
    struct State;
    TimeView time_;
    unsigned threads_;
    std::unique_ptr<State> state_;
};

// The step of the failures-over-time chart for a span of `seconds`: the
// shortest of 1, 5, 15 and 30 minutes, 1, 3, 6 and 12 hours, 1 and 7 days
// and 30 days that makes at most kMaxBuckets steps (30 days at the least).
std::int64_t SeriesStep(std::int64_t seconds);

}  // namespace tav::report

// A record source that leaves out the records whose time lies outside a
// range given in the displayed time zone, before the scan sees them (so
// bursts collapse within the range only).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "base/datetime.h"
#include "seclog/record_source.h"

namespace tav::cli {

struct TimeRange {
    std::optional<DateTime> since;  // from, in displayed time
    std::optional<DateTime> until;  // before, in displayed time
};

class TimeRangeSource final : public seclog::RecordSource {
public:
    // `toDisplayed`: UTC to the displayed zone.
    TimeRangeSource(seclog::RecordSource& inner, const TimeRange& range, std::function<DateTime(DateTime)> toDisplayed);

    // The inner source's buffers with the records outside the range taken
    // out; a buffer left empty is followed by the next one. Bytes that are
    // no well-formed record are passed on as they are.
    seclog::ReadResult ReadNext(std::span<std::uint8_t> buffer) override;
    // Seek reads are the inner source's, whatever the range.
    seclog::ReadResult ReadRecord(std::uint32_t recordNumber, std::span<std::uint8_t> buffer) override;
    void KeepOnlyEvents(std::span<const std::uint16_t> eventIds) override { inner_.KeepOnlyEvents(eventIds); }

private:
    bool InRange(std::uint32_t timeGenerated) const;

    seclog::RecordSource& inner_;
    std::optional<std::int64_t> sinceMs_;
    std::optional<std::int64_t> untilMs_;
    std::function<DateTime(DateTime)> toDisplayed_;
};

}  // namespace tav::cli

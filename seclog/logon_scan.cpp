#include "seclog/logon_scan.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "base/security_events.h"
#include "seclog/utf16le.h"

namespace tav::seclog {
namespace {

namespace logon = security::logon;

using Utf16 = std::span<const std::uint8_t>;

struct LogonStrings {
    Utf16 userName;
    Utf16 logonType;
    Utf16 logonFrom;
};

// The strings up to the workstation's (those there are); a record with
// fewer leaves the rest empty. False when they run past the record.
bool ReadLogonStrings(const RecordView& record, LogonStrings& out)
{
    StringWalker walker(record);
    const std::size_t count = std::min<std::size_t>(record.numStrings, logon::kWorkstation + 1);
    for (std::size_t i = 0; i < count; ++i) {
        const auto text = walker.NextUtf16();
        if (!text)
            return false;
        if (i == logon::kUser)
            out.userName = *text;
        else if (i == logon::kType)
            out.logonType = *text;
        else if (i == logon::kWorkstation)
            out.logonFrom = *text;
    }
    return true;
}

// The text of logon type "2" or "3" exactly; nullptr for any other.
const char* ConnectionType(std::string_view logonType)
{
    if (logonType == "2")
        return kLocalLogonText;
    if (logonType == "3")
        return kNetworkLogonText;
    return nullptr;
}

std::int64_t GapMs(DateTime a, DateTime b)
{
    return static_cast<std::int64_t>(std::fabs(a - b) * 86400000.0);
}

std::string CollapseKey(const std::string& user, const std::string& from, const char* type)
{
    // The texts come from zero-terminated strings, so '\0' cannot occur in them.
    std::string key;
    key.reserve(user.size() + from.size() + 40);
    key.append(user).push_back('\0');
    key.append(from).push_back('\0');
    key.append(type);
    return key;
}

}  // namespace

LogonFilter::LogonFilter(DateTimeFormats formats, UtcToLocal utcToLocal)
    : formats_(std::move(formats)), utcToLocal_(std::move(utcToLocal))
{
}

LogonFilter::Verdict LogonFilter::Offer(const RecordView& record, ResultRow& row,
                                        std::string& error)
{
    if (security::EventIdOf(record.eventId) != security::kLogon)
        return Verdict::Skip;
    LogonStrings strings;
    if (!ReadLogonStrings(record, strings))
        return Verdict::Malformed;
    // Most 4624s are of other types: they go before their strings are converted.
    const std::string type = Utf16leToUtf8(strings.logonType);
    if (ConnectionType(type) == nullptr)
        return Verdict::Skip;
    const std::string user = Utf16leToUtf8(strings.userName);
    const std::string from = Utf16leToUtf8(strings.logonFrom);
    return Offer(LogonEvent{record.recordNumber, record.timeGenerated, record.eventId, user, type, from}, row, error);
}

LogonFilter::Verdict LogonFilter::Offer(const LogonEvent& event, ResultRow& row, std::string& error)
{
    if (security::EventIdOf(event.eventId) != security::kLogon)
        return Verdict::Skip;
    const char* type = ConnectionType(event.logonType);
    if (type == nullptr || event.logonFrom.empty() || event.userName.find('$') != std::string_view::npos)
        return Verdict::Skip;

    // Logons come in runs of one second: the date text of each second is
    // made and read back once.
    if (!dateOf_ || *dateOf_ != event.timeGenerated) {
        dateOf_.reset();
        dateText_ = FormatDateTime(utcToLocal_(UnixSecondsToDateTime(event.timeGenerated)), formats_);
        const std::optional<DateTime> time = ParseDateTime(dateText_, formats_);
        if (!time) {
            error = "'" + dateText_ + "' is not a valid date and time";
            return Verdict::Error;
        }
        dateTime_ = *time;
        dateOf_ = event.timeGenerated;
    }
    std::string user(event.userName);
    std::string from(event.logonFrom);
    std::string key = CollapseKey(user, from, type);
    const auto last = lastRowTime_.find(key);
    if (last != lastRowTime_.end() && GapMs(dateTime_, last->second) <= LogonGapMs)
        return Verdict::Skip;
    if (rowCount_ >= MaxScanRows)
        return Verdict::Cap;

    if (last != lastRowTime_.end())
        last->second = dateTime_;
    else
        lastRowTime_.emplace(std::move(key), dateTime_);
    row.caption = std::to_string(event.recordNumber);
    row.subItems = {dateText_, std::move(user), std::move(from), type};
    ++rowCount_;
    return Verdict::Add;
}

namespace {

ScanOutcome Ended(ScanEnd end, std::uint32_t error = 0, std::string errorText = {})
{
    ScanOutcome outcome;
    outcome.end = end;
    outcome.error = error;
    outcome.errorText = std::move(errorText);
    return outcome;
}

// What a verdict means for the run; nullopt when it goes on.

// The run over decoded records; nullopt when the source has none.
std::optional<ScanOutcome> ScanDecoded(RecordSource& source, LogonFilter& filter, const ScanCallbacks& callbacks)
{
    std::optional<ScanOutcome> outcome;
    ResultRow row;
    std::string error;
    const DecodedTake take = [&](const DecodedRecord& record) {
        if (callbacks.perRecord && !callbacks.perRecord()) {
            outcome = Ended(ScanEnd::Stopped);
            return false;
        }
        const auto text = [&record](std::size_t index) {
            return index < record.strings.size() ? std::string_view(record.strings[index]) : std::string_view();
        };
        const LogonEvent event{record.recordNumber, record.timeGenerated, record.eventId,
                               text(logon::kUser), text(logon::kType), text(logon::kWorkstation)};
        outcome = ApplyVerdict(filter.Offer(event, row, error), row, error, callbacks.addRow);
        return !outcome;
    };
    for (bool first = true;; first = false) {
        const ReadResult read = source.ReadNextDecoded(take);
        if (outcome)
            return outcome;
        if (!read.ok) {
            if (first && read.error == kErrorNotSupported)
                return std::nullopt;
            return read.error == kErrorHandleEof ? Ended(ScanEnd::EndOfLog) : Ended(ScanEnd::ReadError, read.error);
        }
        if (callbacks.stopRequested && callbacks.stopRequested())
            return Ended(ScanEnd::Stopped);
    }
}

}  // namespace

std::optional<ScanOutcome> ApplyVerdict(LogonFilter::Verdict verdict, ResultRow& row, std::string& error,
                                        const std::function<void(ResultRow&&)>& addRow)
{
    switch (verdict) {
    case LogonFilter::Verdict::Skip:
        return std::nullopt;
    case LogonFilter::Verdict::Add:
        if (addRow)
            addRow(std::move(row));
        return std::nullopt;
    case LogonFilter::Verdict::Cap:
        return Ended(ScanEnd::RowCap);
    case LogonFilter::Verdict::Malformed:
        return Ended(ScanEnd::Malformed);
    case LogonFilter::Verdict::Error:
        return Ended(ScanEnd::Error, 0, std::move(error));
    }
    return std::nullopt;
}

std::optional<ScanOutcome> ScanRecords(std::span<const std::uint8_t> bytes, LogonFilter& filter,
                                       const ScanCallbacks& callbacks)
{
    RecordWalker walker(bytes);
    RecordView record;
    ResultRow row;
    std::string error;
    for (;;) {
        switch (walker.Next(record)) {
        case WalkStep::End:
            return std::nullopt;
        case WalkStep::Malformed:
            return Ended(ScanEnd::Malformed);
        case WalkStep::Record:
            break;
        }
        if (callbacks.perRecord && !callbacks.perRecord())
            return Ended(ScanEnd::Stopped);
        if (auto outcome = ApplyVerdict(filter.Offer(record, row, error), row, error, callbacks.addRow))
            return outcome;
    }
}

ScanOutcome RunScan(RecordSource& source, LogonFilter& filter, const ScanCallbacks& callbacks)
{
    static constexpr std::uint16_t kWanted[] = {security::kLogon};
    constexpr std::uint64_t kWantedStrings = std::uint64_t{1} << logon::kUser | std::uint64_t{1} << logon::kType |
                                             std::uint64_t{1} << logon::kWorkstation;
    source.KeepOnlyEvents(kWanted, kWantedStrings);
    if (auto outcome = ScanDecoded(source, filter, callbacks))
        return std::move(*outcome);
    std::vector<std::uint8_t> buffer(EventLogBufferSize);
    for (;;) {
        const ReadResult read = source.ReadNext(buffer);
        if (!read.ok) {
            if (read.error == kErrorHandleEof)
                return Ended(ScanEnd::EndOfLog);
            const bool grows = read.error == kErrorInsufficientBuffer &&
                               read.bytesNeeded > buffer.size() &&
                               read.bytesNeeded <= kMaxReadBufferSize;
            if (!grows)
                return Ended(ScanEnd::ReadError, read.error);
            buffer.resize(read.bytesNeeded);
            continue;
        }
        if (callbacks.stopRequested && callbacks.stopRequested())
            return Ended(ScanEnd::Stopped);
        // A success that delivers nothing, or more than the buffer holds,
        // would make the loop spin or read outside the buffer.
        if (read.bytesRead == 0 || read.bytesRead > buffer.size())
            return Ended(ScanEnd::Malformed);
        auto outcome = ScanRecords(std::span(buffer).first(read.bytesRead), filter, callbacks);
        if (outcome)
            return std::move(*outcome);
    }
}

}  // namespace tav::seclog

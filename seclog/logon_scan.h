// The portable core of the workstation scan: which records become rows
// (event 4624, logon type 2 or 3, no "$" in the account name, a logon-from
// text), the collapse of bursts, the row cap, and the read loop over a
// record source. The window's ScanEventLog drives it and shows the rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "base/datetime.h"
#include "base/row_store.h"
#include "seclog/event_record.h"
#include "seclog/record_source.h"

namespace tav::seclog {

inline constexpr std::uint32_t EventLogBufferSize = 100000;  // bytes per read
inline constexpr std::int64_t LogonGapMs = 20000;  // a row only more than this from the last
inline constexpr std::size_t MaxScanRows = 100000;  // most rows one run adds
inline constexpr std::uint32_t kMaxReadBufferSize = 0x7FFFF;  // the platform's largest record

inline constexpr char kLocalLogonText[] = "Локальный вход";     // logon type "2"
inline constexpr char kNetworkLogonText[] = "Удаленный доступ";  // logon type "3"

// What the scan reads of a record: the legacy header's numbers and, of a
// 4624, the account name, logon type and logon-from text (UTF-8).
struct LogonEvent {
    std::uint32_t recordNumber = 0;
    std::uint32_t timeGenerated = 0;  // seconds since 1970-01-01 UTC
    std::uint32_t eventId = 0;
    std::string_view userName;
    std::string_view logonType;
    std::string_view logonFrom;
};

// Rows of ListView1: caption ID, then Date, User Name, Logon From, Connection Type.
class LogonFilter {
public:
    using UtcToLocal = std::function<DateTime(DateTime)>;
    LogonFilter(DateTimeFormats formats, UtcToLocal utcToLocal);

    enum class Verdict {
        Skip,       // not a retained logon, or collapsed into a row
        Add,        // `row` holds the new row
        Cap,        // MaxScanRows rows made: the run ends, the record is not added
        Malformed,  // the record's strings run past it
        Error,      // `error` holds the text (a Date text that does not parse back)
    };
    Verdict Offer(const RecordView& record, ResultRow& row, std::string& error);
    // The same for a record decoded otherwise (never Malformed).
    Verdict Offer(const LogonEvent& event, ResultRow& row, std::string& error);
    std::size_t RowCount() const { return rowCount_; }

private:
    DateTimeFormats formats_;
    UtcToLocal utcToLocal_;
    std::size_t rowCount_ = 0;
    // Time of the last row added for each user / logon-from / type.
    std::unordered_map<std::string, DateTime> lastRowTime_;
    // The second whose date text and time (read back) these are.
    std::optional<std::uint32_t> dateOf_;
    std::string dateText_;
    DateTime dateTime_ = 0;
};

enum class ScanEnd { EndOfLog, Stopped, RowCap, ReadError, Malformed, Error };

struct ScanOutcome {
    ScanEnd end = ScanEnd::EndOfLog;
    std::uint32_t error = 0;  // ReadError: the system error code
    std::string errorText;    // Error: the text to show
};

// An empty callback is left out (as if it answered "go on").
struct ScanCallbacks {
    // Called for every record of every buffer, whatever its event (the
    // window processes its messages here); false stops the run at once.
    std::function<bool()> perRecord;
    // Checked after every successful read; true stops the run (Stopped).
    std::function<bool()> stopRequested;
    std::function<void(ResultRow&&)> addRow;
};

// What a verdict of the filter means for a scan: a row added (through
// `addRow`) or passed over and the scan goes on (nullopt), or how it ends.
std::optional<ScanOutcome> ApplyVerdict(LogonFilter::Verdict verdict, ResultRow& row, std::string& error,
                                        const std::function<void(ResultRow&&)>& addRow);

// Offers every record of `bytes` (whole records) to `filter`, as RunScan
// does with each buffer it reads; nullopt when the run goes on.
std::optional<ScanOutcome> ScanRecords(std::span<const std::uint8_t> bytes, LogonFilter& filter,
                                       const ScanCallbacks& callbacks);

// Reads `source` to its end, newest first: decoded records where the source
// has them (ReadNextDecoded), else with one reusable buffer of
// EventLogBufferSize bytes, grown up to kMaxReadBufferSize when a record
// does not fit. A read that claims success with no bytes, or with more
// than the buffer holds, ends the run as Malformed.
ScanOutcome RunScan(RecordSource& source, LogonFilter& filter, const ScanCallbacks& callbacks);

}  // namespace tav::seclog

#include "tsquery/saved_sessions.h"

#include "base/security_events.h"
#include "base/terminal_events.h"
#include "evtx/log_file.h"

namespace tav::tsquery {
namespace {

// UserData strings of event 21: User, SessionID, Address.
constexpr std::size_t kUserString = 0;
constexpr std::size_t kAddressString = 2;

const std::string& StringAt(const evtx::Record& record, std::size_t index)
{
    static const std::string kNone;
    return index < record.strings.size() ? record.strings[index] : kNone;
}

}  // namespace

std::optional<ResultRow> SavedSessionRow(const evtx::Record& record, const SavedSessionQuery& query)
{
    if (security::EventIdOf(record.eventId) != terminal::kLogon || record.provider != terminal::kSessionProvider)
        return std::nullopt;
    const DateTime local = query.utcToLocal(UnixSecondsToDateTime(record.timeCreated));
    // Compared in milliseconds: DateTime values before 1900 do not order as numbers.
    const std::int64_t at = DateTimeToUnixMilliseconds(local);
    if (at < DateTimeToUnixMilliseconds(query.startDate) ||
        (query.endDate && at >= DateTimeToUnixMilliseconds(*query.endDate)))
        return std::nullopt;
    return ResultRow{FormatDateTime(local, query.formats),
                     {StringAt(record, kUserString), StringAt(record, kAddressString)}};
}

SavedSessions ReadSavedSessions(evtx::Reader& reader, const SavedSessionQuery& query)
{
    SavedSessions result;
    bool stopped = false;
    static constexpr std::uint16_t kWanted[] = {terminal::kLogon};
    reader.KeepOnlyEvents(kWanted);
    const bool whole = reader.ForEachRecordNewestFirst([&](const evtx::Record& record) {
        if (query.perRecord && !query.perRecord()) {
            stopped = true;
            return false;
        }
        if (std::optional<ResultRow> row = SavedSessionRow(record, query))
            result.rows.push_back(std::move(*row));
        return true;
    });
    if (!whole && !stopped) {
        result.error = kErrorReadFault;
        result.errorText = "Reading the event log file failed part way.";
    }
    return result;
}

SavedSessions ReadSavedSessions(const std::string& pathUtf8, const SavedSessionQuery& query)
{
    SavedSessions result;
    std::unique_ptr<evtx::Reader> reader = evtx::OpenLogFile(pathUtf8, result.error, result.errorText);
    if (!reader)
        return result;
    result = ReadSavedSessions(*reader, query);
    if (result.error != 0) {
        const std::u8string name = evtx::PathFromUtf8(pathUtf8).filename().u8string();
        result.errorText = "Reading " + std::string(name.begin(), name.end()) + " failed part way.";
    }
    return result;
}

}  // namespace tav::tsquery

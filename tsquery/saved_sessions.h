// The terminal-server list from a saved LocalSessionManager/Operational log
// instead of a live query: every session logon (event 21) since a start
// date, newest first, one row each as the list shows it (the logon time in
// the full date-time form, then the user and the source address).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "base/row_store.h"
#include "evtx/reader.h"

namespace tav::tsquery {


struct SavedSessionQuery {
    DateTime startDate = 0;           // local time: earlier logons are left out
    std::optional<DateTime> endDate;  // local time: logons at or after it are left out
    DateTimeFormats formats;
    std::function<DateTime(DateTime)> utcToLocal;
    // Called for every record read, whatever its event; false stops the read
    // (the rows so far are kept, and it is no error).
    std::function<bool()> perRecord;
};

struct SavedSessions {
    std::vector<ResultRow> rows;  // those read, even when reading failed part way
    std::uint32_t error = 0;      // a Windows error code when the log could not be read
    std::string errorText;        // English
};

// The row of one record: a session logon in the query's range; nullopt for
// any other record.
std::optional<ResultRow> SavedSessionRow(const evtx::Record& record, const SavedSessionQuery& query);

SavedSessions ReadSavedSessions(evtx::Reader& reader, const SavedSessionQuery& query);
// The same from the .evtx file at `pathUtf8`; errorText then names the file.
SavedSessions ReadSavedSessions(const std::string& pathUtf8, const SavedSessionQuery& query);

}  // namespace tav::tsquery

#include "tsquery/saved_log_job_win.h"

#include <utility>

namespace tav::tsquery {

SavedLogJob::SavedLogJob(std::string pathUtf8, SavedSessionQuery query)
    : path_(std::move(pathUtf8)), query_(std::move(query))
{
    query_.perRecord = [this] { return !stopped_.load(); };
}

QueryResult SavedLogJob::Run()
{
    SavedSessions found = ReadSavedSessions(path_, query_);
    QueryResult result;
    result.rows = std::move(found.rows);
    if (found.error != 0 && result.rows.empty())
        result.outcome = QueryResult::Outcome::LogUnreadable;
    else
        result.readError = found.error;
    return result;
}

}  // namespace tav::tsquery

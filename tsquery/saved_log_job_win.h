// The terminal-server query over a saved LocalSessionManager log instead of
// PowerShell: runs on the query's worker thread like the live query.
#pragma once

#include <atomic>
#include <string>

#include "tsquery/main_thread_win.h"
#include "tsquery/saved_sessions.h"

namespace tav::tsquery {

class SavedLogJob final : public QueryJob {
public:
    SavedLogJob(std::string pathUtf8, SavedSessionQuery query);
    QueryResult Run() override;
    void Stop() override { stopped_ = true; }

private:
    const std::string path_;
    SavedSessionQuery query_;
    std::atomic<bool> stopped_{false};
};

}  // namespace tav::tsquery

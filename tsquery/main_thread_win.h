// The worker of one terminal-server query. It runs a job on its own thread
// and never touches a window: when the job is done it posts one message, and
// the window takes the result from it.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/handles_win.h"
#include "base/row_store.h"
#include "base/win32.h"

namespace tav::tsquery {

struct QueryResult {
    enum class Outcome { Rows, Unreachable, NotTerminalServer, StartFailed, LogUnreadable };
    Outcome outcome = Outcome::Rows;
    std::vector<ResultRow> rows;
    std::string parseError;      // shown before the run ends, when not empty
    std::uint32_t readError = 0;  // a saved log that could be read only in part
};

// What the worker does: ask PowerShell, or read a saved log.
class QueryJob {
public:
    virtual ~QueryJob() = default;
    virtual QueryResult Run() = 0;
    // Called from another thread: make Run return soon.
    virtual void Stop() = 0;
};

// Starts the child, behind a seam so tests can make the start fail.
class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;
    // Hidden child of the program at the full path `application`, with
    // `output` as its standard output and standard error.
    virtual bool Start(const std::wstring& application, const std::wstring& commandLine,
                       const std::wstring& directory, HANDLE output, PROCESS_INFORMATION& process) = 0;
};

class CreateProcessLauncher final : public ProcessLauncher {
public:
    bool Start(const std::wstring& application, const std::wstring& commandLine, const std::wstring& directory,
               HANDLE output, PROCESS_INFORMATION& process) override;
};

// Runs PowerShell hidden with its output on a pipe, collects the lines,
// checks the first one for the two failure signatures and parses the output.
// The program runs elevated, so PowerShell is never searched for (the
// current folder and PATH could hold a planted one): it is powershell.exe in
// `programFolder`, else Windows PowerShell in the system folder, else the
// start fails. `programFolder` is also the child's current folder.
class PowerShellJob final : public QueryJob {
public:
    PowerShellJob(ProcessLauncher& launcher, std::wstring commandLine, std::wstring programFolder);
    QueryResult Run() override;
    // Ends the child, which breaks the pipe.
    void Stop() override;

private:
    ProcessLauncher& launcher_;
    const std::wstring commandLine_;
    const std::wstring programFolder_;
    std::mutex childLock_;
    UniqueHandle child_;  // the running child, for Stop
    bool stopped_ = false;
};

class TMainThread {
public:
    // Starts at once. `notify` receives `message` when the result is ready.
    TMainThread(std::unique_ptr<QueryJob> job, HWND notify, UINT message);
    ~TMainThread();  // stops the job and waits for the worker
    TMainThread(const TMainThread&) = delete;
    TMainThread& operator=(const TMainThread&) = delete;

    // Waits for the worker and hands over its result.
    QueryResult TakeResult();

private:
    void Body();

    std::unique_ptr<QueryJob> job_;
    const HWND notify_;
    const UINT message_;
    QueryResult result_;
    std::thread thread_;
};

}  // namespace tav::tsquery

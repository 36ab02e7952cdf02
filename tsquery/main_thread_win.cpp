#include "tsquery/main_thread_win.h"

#include <array>
#include <optional>
#include <utility>

#include "base/text_win.h"
#include "tsquery/first_line_check.h"
#include "tsquery/line_assembler.h"
#include "tsquery/raw_output.h"
#include "tsquery/session_parser.h"

namespace tav::tsquery {
namespace {

// More than the 256 bytes a read once took: the lines come out the same.
constexpr DWORD kReadChunk = 4096;

std::optional<std::wstring> FindPowerShell(const std::wstring& programFolder)
{
    const auto isFile = [](const std::wstring& path) {
        const DWORD attributes = GetFileAttributesW(path.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    };
    std::wstring path = programFolder + L"powershell.exe";
    if (isFile(path))
        return path;
    std::wstring system(MAX_PATH, L'\0');
    const UINT length = GetSystemDirectoryW(system.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return std::nullopt;
    system.resize(length);
    path = system + L"\\WindowsPowerShell\\v1.0\\powershell.exe";
    if (isFile(path))
        return path;
    return std::nullopt;
}

}  // namespace

bool CreateProcessLauncher::Start(const std::wstring& application, const std::wstring& commandLine,
                                  const std::wstring& directory, HANDLE output, PROCESS_INFORMATION& process)
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    std::wstring mutableLine = commandLine;  // CreateProcessW may write into it
    return CreateProcessW(application.c_str(), mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          directory.c_str(), &startup, &process) != FALSE;
}

TMainThread::TMainThread(std::unique_ptr<QueryJob> job, HWND notify, UINT message)
    : job_(std::move(job)), notify_(notify), message_(message), thread_([this] { Body(); })
{
}

TMainThread::~TMainThread()
{
    job_->Stop();
    if (thread_.joinable())
        thread_.join();
}

QueryResult TMainThread::TakeResult()
{
    if (thread_.joinable())
        thread_.join();
    return std::move(result_);
}

void TMainThread::Body()
{
    // No exception leaves the thread: an unexpected one ends the query as a
    // failed start does, so the window never waits for ever.
    try {
        result_ = job_->Run();
    } catch (...) {
        result_ = {QueryResult::Outcome::StartFailed, {}, {}};
    }
    PostMessageW(notify_, message_, 0, 0);
}

PowerShellJob::PowerShellJob(ProcessLauncher& launcher, std::wstring commandLine, std::wstring programFolder)
    : launcher_(launcher), commandLine_(std::move(commandLine)), programFolder_(std::move(programFolder))
{
}

void PowerShellJob::Stop()
{
    std::lock_guard lock(childLock_);
    stopped_ = true;
    if (child_)
        TerminateProcess(child_.Get(), 1);
}

QueryResult PowerShellJob::Run()
{
    const std::optional<std::wstring> powerShell = FindPowerShell(programFolder_);
    if (!powerShell)
        return {QueryResult::Outcome::StartFailed, {}, {}};
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return {QueryResult::Outcome::StartFailed, {}, {}};
    UniqueHandle reader(readEnd);
    UniqueHandle writer(writeEnd);
    // Only the write end goes to the child.
    SetHandleInformation(reader.Get(), HANDLE_FLAG_INHERIT, 0);

    PROCESS_INFORMATION process{};
    {
        std::lock_guard lock(childLock_);
        if (stopped_ || !launcher_.Start(*powerShell, commandLine_, programFolder_, writer.Get(), process))
            return {QueryResult::Outcome::StartFailed, {}, {}};
        child_.Reset(process.hProcess);
    }
    UniqueHandle childThread(process.hThread);
    // With our copy of the write end open the read would never see the end.
    writer.Reset();

    RawOutputBuffer buffer;
    FirstLineFailure failure = FirstLineFailure::None;
    LineAssembler assembler([&](std::string_view line) {
        if (failure != FirstLineFailure::None)
            return;
        buffer.Append(FromCodePage(line, CP_OEMCP));
        failure = CheckFirstLine(buffer);
    });
    std::array<char, kReadChunk> chunk;
    DWORD read = 0;
    while (failure == FirstLineFailure::None && ReadFile(reader.Get(), chunk.data(), kReadChunk, &read, nullptr) &&
           read > 0)
        assembler.Feed(std::string_view(chunk.data(), read));
    if (failure == FirstLineFailure::None)
        assembler.Finish();

    if (failure != FirstLineFailure::None)
        Stop();  // nothing more of the child's output is wanted
    WaitForSingleObject(process.hProcess, INFINITE);
    {
        std::lock_guard lock(childLock_);
        child_.Reset();
    }
    reader.Reset();

    if (failure == FirstLineFailure::Unreachable)
        return {QueryResult::Outcome::Unreachable, {}, {}};
    if (failure == FirstLineFailure::NotTerminalServer)
        return {QueryResult::Outcome::NotTerminalServer, {}, {}};
    QueryResult result;
    ParseSessionOutput(
        buffer, [&](ResultRow&& row) { result.rows.push_back(std::move(row)); },
        [&](const std::string& error) { result.parseError = error; });
    return result;
}

}  // namespace tav::tsquery

// The workstation tab's handlers: start, scan and detail view. The scan's
// logic is seclog's; these only wire it to the window.
#include <chrono>
#include <exception>
#include <stdexcept>

#include "app/application_win.h"
#include "app/ids.h"
#include "app/unit1_win.h"
#include "base/datetime.h"
#include "base/text_win.h"
#include "seclog/detail_view.h"
#include "seclog/logon_scan.h"

namespace tav {
namespace {

constexpr auto kMessageInterval = std::chrono::milliseconds(5);

}  // namespace

void TForm1::BtnStart2Click()
{
    // Enter in Edit3 can reach here from the run's own message processing.
    if (scanRunning_)
        return;
    // Running from the first step: from now on a close only asks the run to
    // stop (WM_CLOSE), so no step works on a destroyed window.
    scanRunning_ = true;
    loopEnded_ = false;
    std::exception_ptr failure;
    try {
        if (WindowText(Edit3).empty())
            Prompts().ShowMessage(Handle_, "Вы не указали имя компьютера\rБудет опрошен текущий компьютер.");
        if (RunGoesOn()) {
            BeginWorkstationRun();
            if (PassMessages())
                ScanEventLog("security");
        }
    } catch (...) {
        failure = std::current_exception();
    }
    scanRunning_ = false;
    // A run cut short still gives the tab back.
    if (WorkstationRun.QueryFinished == 0)
        EndWorkstationRun(0);
    if (!CloseIfRequested() && failure)
        std::rethrow_exception(failure);
}

void TForm1::BeginWorkstationRun()
{
    WorkstationRun.QueryFinished = 0;
    WorkstationRun.ElapsedSeconds = 1;
    ShowWindow(LabelError, SW_HIDE);
    SetTimerEnabled(TIMER2, true);
    SetStatusText(StatusBar2, 0, kElapsedPrefix);
    SetStatusText(StatusBar2, 1, kCountPrefix);
    EnableWindow(BtnStart2, FALSE);
    ShowWindow(LabelWait2, SW_SHOW);
}

bool TForm1::RunGoesOn() const
{
    return Handle_ != nullptr && !closeRequested_ && !loopEnded_;
}

bool TForm1::PassMessages()
{
    if (!Application::Instance().ProcessMessages())
        loopEnded_ = true;
    return RunGoesOn();
}

bool TForm1::CloseIfRequested()
{
    if (!closeRequested_)
        return false;
    DestroyWindow(Handle_);
    return true;
}

std::unique_ptr<seclog::RecordSource> TForm1::OpenWorkstationLog(const std::string& server, const std::string& log,
                                                                 bool isFile)
{
    std::uint32_t error = 0;
    return (isFile ? seams_.savedLogs : seams_.eventLogs)->Open(server, log, error);
}

void TForm1::ScanEventLog(const std::string& logName)
{
    // A computer's name, or the path of a saved log.
    const std::string server = WindowText(Edit3);
    const bool isFile = seclog::NamesSavedLog(server);
    std::unique_ptr<seclog::RecordSource> source = OpenWorkstationLog(server, logName, isFile);
    if (!source) {
        SetLabelCaption(LabelError, isFile ? "Невозможно открыть файл журнала: " + server
                                           : "Сервер " + server + " недоступен!");
        ShowWindow(LabelError, SW_SHOW);
        EndWorkstationRun(0);
        return;
    }
    // A failed run keeps the old rows, so the detail view keeps their source.
    EventLogName = logName;
    EventLogServer = server;
    EventLogIsFile = isFile;
    ListView1.Clear();

    seclog::LogonFilter filter(CurrentFormats(), [](DateTime utc) { return UtcToLocalDateTime(utc); });
    seclog::ScanCallbacks callbacks;
    // The window's messages are processed between records, whatever their
    // event, but at most every few milliseconds: a message check per record
    // costs more than the record itself, and this keeps the window answering.
    auto lastPass = std::chrono::steady_clock::time_point();
    callbacks.perRecord = [this, &lastPass] {
        const auto now = std::chrono::steady_clock::now();
        if (now - lastPass < kMessageInterval)
            return RunGoesOn();
        lastPass = now;
        return PassMessages();
    };
    callbacks.stopRequested = [this] { return !RunGoesOn(); };
    callbacks.addRow = [this](ResultRow&& row) { ListView1.Append(std::move(row)); };

    seclog::ScanOutcome outcome;
    try {
        outcome = seclog::RunScan(*source, filter, callbacks);
    } catch (const std::exception& failure) {
        outcome = {seclog::ScanEnd::Error, 0, failure.what()};
    }
    source.reset();  // closes the log
    ShowScanOutcome(outcome);
    EndWorkstationRun(filter.RowCount());
    if (outcome.end == seclog::ScanEnd::Error)
        throw std::runtime_error(outcome.errorText);
}

void TForm1::ShowScanOutcome(const seclog::ScanOutcome& outcome)
{
    if (outcome.end != seclog::ScanEnd::ReadError && outcome.end != seclog::ScanEnd::Malformed)
        return;
    const std::uint32_t code =
        outcome.end == seclog::ScanEnd::Malformed ? kErrorEventlogFileCorrupt : outcome.error;
    SetLabelCaption(LabelError, "Ошибка чтения журнала: " + ErrorText(code));
    ShowWindow(LabelError, SW_SHOW);
}

void TForm1::EndWorkstationRun(std::size_t rows)
{
    ShowWindow(LabelWait2, SW_HIDE);
    EnableWindow(BtnStart2, TRUE);
    FocusIfPossible(ListView1.Handle());
    SetStatusText(StatusBar2, 1, CountText(rows));
    WorkstationRun.QueryFinished = 1;
}

void TForm1::listview1DblClick()
{
    if (EventLogName.empty())
        return;
    const auto selected = ListView1.Selected();
    if (!selected)
        return;
    std::unique_ptr<seclog::RecordSource> source = OpenWorkstationLog(EventLogServer, EventLogName, EventLogIsFile);
    if (!source) {
        Prompts().ShowMessage(Handle_, "Невозможно открыть файл журнала");
        return;
    }
    const std::string& caption = ListView1.Row(*selected).caption;
    const auto number = seclog::RecordNumberFromCaption(caption);
    if (!number)
        throw std::runtime_error(seclog::InvalidCaptionText(caption));
    const std::string text = seclog::ReadDetailText(*source, *number);
    source.reset();
    if (!text.empty())
        Prompts().ShowMessage(Handle_, text);
}

}  // namespace tav

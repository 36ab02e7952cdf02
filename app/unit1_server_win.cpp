// The terminal-server tab's handlers: start a query on its worker thread and
// apply its result. The query's logic is tsquery's.
#include "app/ids.h"
#include "app/unit1_win.h"
#include "base/datetime.h"
#include "base/module_path_win.h"
#include "base/text_win.h"
#include "seclog/record_source.h"
#include "tsquery/command_line.h"
#include "tsquery/server_name.h"
#include "tsquery/saved_log_job_win.h"
#include "tsquery/session_parser.h"

namespace tav {
void TForm1::btnStart1Click()
{
    const std::string server = WindowText(Edit1);
    if (server.empty()) {
        SetFocus(Edit1);
        return;
    }
    // A saved log is read directly; a name goes into a command line run as
    // administrator, so it must be a host name or an address.
    const bool savedLog = seclog::NamesSavedLog(server);
    if (!savedLog && !tsquery::IsValidServerName(server)) {
        Prompts().ShowMessage(Handle_, "Недопустимое имя сервера!");
        SetFocus(Edit1);
        return;
    }
    // At most one worker: the button stays disabled while it runs.
    if (MainThread)
        return;
    ListView.Clear();
    ServerRun.QueryFinished = 0;
    ShowWindow(LabelError, SW_HIDE);
    ServerRun.ElapsedSeconds = 1;
    SetTimerEnabled(TIMER1, true);
    EnableWindow(btnStart1, FALSE);
    ShowWindow(LabelWait, SW_SHOW);
    std::unique_ptr<tsquery::QueryJob> job;
    if (savedLog) {
        tsquery::SavedSessionQuery query;
        query.startDate = PickerDate();
        query.formats = CurrentFormats();
        query.utcToLocal = [](DateTime utc) { return UtcToLocalDateTime(utc); };
        job = std::make_unique<tsquery::SavedLogJob>(server, std::move(query));
    } else {
        const std::string commandLine =
            tsquery::BuildCommandLine(server, FormatDate(PickerDate(), CurrentFormats()));
        job = std::make_unique<tsquery::PowerShellJob>(*seams_.launcher, Widen(commandLine), ExecutableFolder());
    }
    MainThread = std::make_unique<tsquery::TMainThread>(std::move(job), Handle_, WM_APP_QUERY_DONE);
}

void TForm1::QueryDone()
{
    if (!MainThread)
        return;
    tsquery::QueryResult result = MainThread->TakeResult();
    MainThread.reset();
    using Outcome = tsquery::QueryResult::Outcome;
    switch (result.outcome) {
    case Outcome::StartFailed:
        Prompts().ShowMessage(Handle_, "Could not execute command line!");
        EndServerRun(0);
        return;
    case Outcome::Unreachable:
    case Outcome::NotTerminalServer: {
        // The name as Edit1 holds it now.
        const std::string server = WindowText(Edit1);
        SetLabelCaption(LabelError, result.outcome == Outcome::Unreachable
                                        ? "Сервер " + server + " недоступен!"
                                        : "Сервер " + server + " не является сервером терминалов Windows!");
        ShowWindow(LabelError, SW_SHOW);
        EndServerRun(std::nullopt);
        return;
    }
    case Outcome::LogUnreadable:
        SetLabelCaption(LabelError, "Невозможно открыть файл журнала: " + WindowText(Edit1));
        ShowWindow(LabelError, SW_SHOW);
        EndServerRun(0);
        return;
    case Outcome::Rows:
        break;
    }
    const std::size_t count = result.rows.size();
    for (ResultRow& row : result.rows)
        ListView.Append(std::move(row));
    if (!result.parseError.empty())
        Prompts().ShowMessage(Handle_, result.parseError);
    if (result.readError != 0) {
        SetLabelCaption(LabelError, "Ошибка чтения журнала: " + ErrorText(result.readError));
        ShowWindow(LabelError, SW_SHOW);
    }
    EndServerRun(count);
}

void TForm1::EndServerRun(std::optional<std::size_t> rows)
{
    ShowWindow(LabelWait, SW_HIDE);
    EnableWindow(btnStart1, TRUE);
    FocusIfPossible(ListView.Handle());
    if (rows)
        SetStatusText(StatusBar1, 1, CountText(*rows));
    ServerRun.QueryFinished = 1;
}

void TForm1::StopQuery()
{
    // The worker's message, if already posted, finds no worker and is ignored.
    MainThread.reset();
}

}  // namespace tav

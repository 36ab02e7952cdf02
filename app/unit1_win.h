// The main window: two tabs (terminal server, workstation) with their input
// fields, buttons, result lists and status bars, the run state of each tab,
// the elapsed-time timers and the focus rules. Handlers are short; the work
// is done by the subsystems.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/accelfix/alt_cue_fix_unit_win.h"
#include "app/run_state.h"
#include "base/datetime.h"
#include "base/handles_win.h"
#include "base/prompter_win.h"
#include "base/result_list_win.h"
#include "base/win32.h"
#include "listtools/column_sort.h"
#include "listtools/export_win.h"
#include "seclog/record_source.h"
#include "tsquery/main_thread_win.h"

namespace tav {
namespace seclog {
struct ScanOutcome;
}

// What the window needs from outside, so tests can stand in for it.
struct FormSeams {
    Prompter* prompter = nullptr;
    seclog::RecordSourceOpener* eventLogs = nullptr;  // the workstation tab's records
    seclog::RecordSourceOpener* savedLogs = nullptr;  // the same from a saved .evtx file
    tsquery::ProcessLauncher* launcher = nullptr;      // starts the terminal-server query's child
    SaveDialog* saveDialog = nullptr;                   // asks where an export goes
    std::wstring settingsPath;  // empty: settings.ini beside the executable
    std::optional<bool> altCueFixActive;  // empty: the platform test decides
};

class TForm1 {
public:
    explicit TForm1(FormSeams seams);
    virtual ~TForm1();
    TForm1(const TForm1&) = delete;
    TForm1& operator=(const TForm1&) = delete;

    // Creates the window and its controls, hidden, centred on the screen.
    bool Create(HWND owner);
    // Shows the window: FormShow's steps, then the focus.
    void Show(int showCommand);
    HWND Handle() const { return Handle_; }
    int Dpi() const { return dpi_; }

    // The controls, by their design names.
    HWND PanelMain = nullptr;
    HWND PageControl1 = nullptr;
    HWND TabSheet1 = nullptr;
    HWND Panel1 = nullptr;
    HWND Label1 = nullptr;
    HWND Edit1 = nullptr;
    HWND Label2 = nullptr;
    HWND DateTimePicker1 = nullptr;
    HWND LabelWait = nullptr;
    HWND btnStart1 = nullptr;
    HWND BtnXLS = nullptr;
    ResultList ListView;
    HWND StatusBar1 = nullptr;
    HWND TabSheet2 = nullptr;
    HWND Panel3 = nullptr;
    HWND Label6 = nullptr;
    HWND Edit3 = nullptr;
    HWND LabelWait2 = nullptr;
    HWND BtnStart2 = nullptr;
    HWND Button1 = nullptr;
    ResultList ListView1;
    HWND StatusBar2 = nullptr;
    HWND Panel4 = nullptr;
    HWND LabelError = nullptr;
    HWND Panel2 = nullptr;
    HWND Label10 = nullptr;
    HWND Label3 = nullptr;
    std::unique_ptr<TAltCueFix> AltCueFix1;

    // Sort directions, one set per list: a click on one list never flips the other's.
    ListSortState ServerSort;
    ListSortState WorkstationSort;

    // Run state, one per tab: a run on one tab never re-times or stops the other.
    RunState ServerRun;       // terminal-server tab, Timer1
    RunState WorkstationRun;  // workstation tab, Timer2

    // Handlers, named after control and event.
    void FormShow();
    void FormClose();
    void LoadSettings();
    void SaveSettings();
    void PageControl1Change();
    void Timer1Timer();
    void Timer2Timer();
    void Edit1KeyDown(WPARAM key);
    void Edit3KeyDown(WPARAM key);
    void Label3MouseEnter();
    void Label3MouseLeave();
    void Label3Click();
    virtual void btnStart1Click();
    virtual void BtnStart2Click();
    void ScanEventLog(const std::string& logName);
    void ListViewColumnClick(int column);
    void ListView1ColumnClick(int column);
    void BtnXLSClick();
    void Button1Click();
    // Applies what the terminal-server worker found and ends its run.
    void QueryDone();
    void listview1DblClick();

    // The log the last workstation scan opened, and the computer it was on
    // (empty: the local one) or the saved file it was; the detail view reads
    // from the same place.
    std::string EventLogName;
    std::string EventLogServer;
    bool EventLogIsFile = false;

    // Helpers the subsystems' glue uses.
    int ActivePage() const;
    DateTime PickerDate() const;
    // Shows `value`'s date; false when the picker cannot show it.
    bool SetPickerDate(DateTime value);
    void SetActivePage(int index);
    void SetTimerEnabled(UINT_PTR timer, bool enabled);
    bool TimerEnabled(UINT_PTR timer) const;
    void SetStatusText(HWND statusBar, int panel, std::string_view text);
    // Sets a label's caption; auto-sized labels take the size of their text.
    void SetLabelCaption(HWND label, std::string_view text);
    // Focuses a control when it can take the focus (visible and enabled).
    void FocusIfPossible(HWND control);
    Prompter& Prompts() { return *seams_.prompter; }

    static constexpr char kPublisherUrl[] = "https://users-tavelin.example/";

protected:
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);

private:
    // The window's messages, and those of the edit boxes and the link, which
    // are subclassed.
    LRESULT WindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT EditMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT LinkMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void CreateFonts();
    HWND CreateChild(const wchar_t* className, std::string_view text, DWORD style, HWND parent,
                     int id = -1, DWORD exStyle = 0);
    HWND CreateLabel(HWND parent, std::string_view text, DWORD style = SS_LEFTNOWORDWRAP);
    HWND CreateButton(HWND parent, std::string_view text, int id, bool wordWrap);
    HWND CreateStatusBar(HWND parent, int id);
    void Layout();
    // Message handlers; those answering bool: whether they handled it.
    void OnCreate();
    void OnSettingChange(const wchar_t* area);
    bool OnSetCursor();
    bool OnActivate(bool active);
    bool OnSysCommand(WPARAM command);
    void OnClose();
    void OnDestroy();
    void OnCommand(int id, int code, HWND control);
    LRESULT OnNotify(const NMHDR& header);
    LRESULT OnCtlColorStatic(HDC dc, HWND control);
    void OnTimer(UINT_PTR id);
    // The workstation run: its start, whether it goes on (the window neither
    // closing nor gone, the message loop not ended), the message pass of its
    // nested loop (false: stop), its source, its end and the close it held back.
    void BeginWorkstationRun();
    bool RunGoesOn() const;
    bool PassMessages();
    std::unique_ptr<seclog::RecordSource> OpenWorkstationLog(const std::string& server, const std::string& log,
                                                             bool isFile);
    void ShowScanOutcome(const seclog::ScanOutcome& outcome);
    bool CloseIfRequested();
    // The steps that end a run, whatever ended it; a count is shown when given.
    void EndWorkstationRun(std::size_t rows);
    void EndServerRun(std::optional<std::size_t> rows);
    // Stops the terminal-server worker and waits for it.
    void StopQuery();

    FormSeams seams_;
    HWND Handle_ = nullptr;
    int dpi_ = 96;
    bool timer1Enabled_ = false;
    bool timer2Enabled_ = false;
    bool linkHot_ = false;
    HWND savedFocus_ = nullptr;
    std::unique_ptr<tsquery::TMainThread> MainThread;  // the running query, if any
    bool scanRunning_ = false;     // from the start of a workstation run to its end
    bool closeRequested_ = false;  // the window closes once the running scan has ended
    bool loopEnded_ = false;       // the running scan saw WM_QUIT
    UniqueFont font_;
    UniqueFont boldFont_;
    UniqueFont linkFont_;
};

}  // namespace tav

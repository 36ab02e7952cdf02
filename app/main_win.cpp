// Entry point: Russian thread locale, the application title, the main window
// and the message loop.
#include "app/application_win.h"
#include "app/unit1_win.h"
#include "base/datetime.h"
#include "base/datetime_win.h"
#include "base/prompter_win.h"
#include "base/system_dlls_win.h"
#include "seclog/evtx_source.h"
#include "listtools/export_win.h"
#include "seclog/event_log_win.h"
#include "tsquery/main_thread_win.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int showCommand)
{
    using namespace tav;
    // Before anything else can load a DLL: none from beside the program.
    LoadDllsFromSystem32Only();
    if (!Libraries().Complete())
        return 1;
    // Date and time texts follow the user's formats, read before the thread
    // locale is set and not governed by it.
    SetCurrentFormats(ReadUserDateTimeFormats());
    SetThreadLocale(MAKELCID(MAKELANGID(LANG_RUSSIAN, SUBLANG_RUSSIAN_RUSSIA), SORT_DEFAULT));

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_DATE_CLASSES | ICC_TAB_CLASSES};
    Libraries().InitCommonControlsEx(&controls);

    Application& application = Application::Instance();
    application.Initialize("Users Tavelin");
    WinPrompter prompter(application.Title());
    SetProgramPrompter(&prompter);
    seclog::EventLogOpener eventLogs;
    seclog::LegacyFileOpener savedLogs;
    tsquery::CreateProcessLauncher launcher;
    CsvSaveDialog saveDialog;
    TForm1 form(FormSeams{
        .prompter = &prompter, .eventLogs = &eventLogs, .savedLogs = &savedLogs, .launcher = &launcher, .saveDialog = &saveDialog});
    if (!form.Create(application.Handle()))
        return 1;
    application.SetMainForm(form.Handle());
    form.Show(showCommand);
    return application.Run();
}

// Every custom identifier of the main window: controls, timers and the
// private messages that workers post to it.
#pragma once

#include "base/win32.h"

namespace tav {

enum ControlId : int {
    IDC_PAGECONTROL1 = 100,
    IDC_EDIT1,
    IDC_DATETIMEPICKER1,
    IDC_BTNSTART1,
    IDC_BTNXLS,
    IDC_LISTVIEW,
    IDC_STATUSBAR1,
    IDC_EDIT3,
    IDC_BTNSTART2,
    IDC_BUTTON1,
    IDC_LISTVIEW1,
    IDC_STATUSBAR2,
    IDC_LABEL3,
    IDC_STATIC = -1,  // labels that send nothing
};

enum TimerId : UINT_PTR {
    TIMER1 = 1,  // elapsed time of the terminal-server tab
    TIMER2 = 2,  // elapsed time of the workstation tab
};

enum AppMessage : UINT {
    // Posted by: the terminal-server worker when its result is ready.
    // Handled by: TForm1, which takes the result from the worker.
    WM_APP_QUERY_DONE = WM_APP + 1,
};

}  // namespace tav

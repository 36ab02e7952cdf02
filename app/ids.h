// Every custom identifier of the main window: controls and timers; the
// private messages are in base/app_messages.h.
#pragma once

#include "base/app_messages.h"
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

}  // namespace tav

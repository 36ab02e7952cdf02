// Every private message of the program (WM_APP + n), in one place so that no
// two share a number. Here in base, which the window's own folder builds on.
#pragma once

#include "base/win32.h"

namespace tav {

enum AppMessage : UINT {
    // Posted by: the terminal-server worker when its result is ready.
    // Handled by: TForm1, which takes the result from the worker.
    WM_APP_QUERY_DONE = WM_APP + 1,
    // Posted by: a result list to itself when rows were appended.
    // Handled by: that list, which brings its item count up to its rows.
    WM_APP_SYNC_COUNT = WM_APP + 100,
    // Posted by: the application's modal-loop hook after a modal loop took a message.
    // Handled by: the application window, which runs an idle pass when nothing waits.
    WM_APP_IDLE_NOTE = WM_APP + 200,
};

}  // namespace tav

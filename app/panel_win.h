// A plain container window on the button-face colour, with or without a
// raised one-pixel bevel. It hands its children's notifications to the
// top-level window, so the main window handles every control's events.
#pragma once

#include "base/win32.h"

namespace tav {

enum class Bevel { None, Raised };

HWND CreatePanel(HWND parent, Bevel bevel);

}  // namespace tav

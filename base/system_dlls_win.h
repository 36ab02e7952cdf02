// The program runs elevated, often from a downloads folder or a share, and
// Windows looks for a DLL that is not one of its known ones beside the
// program first. So the import table names only DLLs that Windows always
// takes from System32, and the common controls (version 6, through the
// manifest), the theme library and the common dialogs (which need the common
// controls) are loaded at start-up from System32 alone.
#pragma once

#include "base/win32.h"

#include <commdlg.h>
#include <uxtheme.h>

namespace tav {

// Every later DLL load of the process searches System32 only. The first
// call of each program's entry point.
void LoadDllsFromSystem32Only();

// The functions of comctl32.dll, uxtheme.dll and comdlg32.dll that the program calls,
// loaded on first use (after LoadDllsFromSystem32Only). A missing one is
// nullptr.
struct SystemLibraries {
    decltype(&::InitCommonControlsEx) InitCommonControlsEx = nullptr;
    decltype(&::SetWindowSubclass) SetWindowSubclass = nullptr;
    decltype(&::DefSubclassProc) DefSubclassProc = nullptr;
    decltype(&::RemoveWindowSubclass) RemoveWindowSubclass = nullptr;
    decltype(&::IsAppThemed) IsAppThemed = nullptr;
    decltype(&::IsThemeActive) IsThemeActive = nullptr;
    decltype(&::GetSaveFileNameW) GetSaveFileNameW = nullptr;
    // Whether every function above was found.
    bool Complete() const;
};
const SystemLibraries& Libraries();

}  // namespace tav

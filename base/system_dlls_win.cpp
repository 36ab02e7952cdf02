#include "base/system_dlls_win.h"

namespace tav {
namespace {

template <typename Function>
void Resolve(HMODULE library, const char* name, Function& function)
{
    // Through void*: a FARPROC is cast to the function's real type.
    function = library == nullptr ? nullptr
                                  : reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

void LoadDllsFromSystem32Only()
{
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

bool SystemLibraries::Complete() const
{
    return InitCommonControlsEx != nullptr && SetWindowSubclass != nullptr && DefSubclassProc != nullptr &&
           RemoveWindowSubclass != nullptr && IsAppThemed != nullptr && IsThemeActive != nullptr &&
           GetSaveFileNameW != nullptr;
}

const SystemLibraries& Libraries()
{
    static const SystemLibraries libraries = [] {
        SystemLibraries loaded;
        const HMODULE controls = LoadLibraryExW(L"comctl32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        Resolve(controls, "InitCommonControlsEx", loaded.InitCommonControlsEx);
        Resolve(controls, "SetWindowSubclass", loaded.SetWindowSubclass);
        Resolve(controls, "DefSubclassProc", loaded.DefSubclassProc);
        Resolve(controls, "RemoveWindowSubclass", loaded.RemoveWindowSubclass);
        const HMODULE themes = LoadLibraryExW(L"uxtheme.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        Resolve(themes, "IsAppThemed", loaded.IsAppThemed);
        Resolve(themes, "IsThemeActive", loaded.IsThemeActive);
        const HMODULE dialogs = LoadLibraryExW(L"comdlg32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
        Resolve(dialogs, "GetSaveFileNameW", loaded.GetSaveFileNameW);
        return loaded;
    }();
    return libraries;
}

}  // namespace tav

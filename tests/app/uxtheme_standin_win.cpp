// Stands in for a uxtheme.dll planted beside the program: when loaded it
// leaves uxtheme-loaded.txt beside itself. It exports the theme functions
// the program once imported, so a loader that picks it finds them.
#include "base/win32.h"

extern "C" __declspec(dllexport) BOOL WINAPI IsAppThemed()
{
    return FALSE;
}

extern "C" __declspec(dllexport) BOOL WINAPI IsThemeActive()
{
    return FALSE;
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH] = {};
        const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
        wchar_t* const name = wcsrchr(path, L'\\');
        if (length > 0 && name != nullptr && wcscpy_s(name + 1, MAX_PATH - (name + 1 - path), L"uxtheme-loaded.txt") == 0)
            CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    return TRUE;
}

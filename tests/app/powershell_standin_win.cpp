// Stands in for powershell.exe in tests: the program starts the first
// powershell.exe it finds, and the folder of the program comes first.
// Beside itself it reads standin-output.bin (bytes to write to standard
// output) and standin-delay.txt (milliseconds to wait before exiting), and
// it writes its command line and current directory to standin-seen.txt.
#include <fstream>
#include <iterator>
#include <string>

#include "base/win32.h"

namespace {

std::wstring OwnFolder()
{
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

}  // namespace

int main()
{
    const std::wstring folder = OwnFolder();
    {
        wchar_t directory[MAX_PATH] = {};
        GetCurrentDirectoryW(MAX_PATH, directory);
        std::wofstream seen(folder + L"standin-seen.txt");
        seen << GetCommandLineW() << L"\n" << directory << L"\n";
    }
    std::ifstream output(folder + L"standin-output.bin", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(output)), std::istreambuf_iterator<char>());
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    int delay = 0;
    std::ifstream(folder + L"standin-delay.txt") >> delay;
    Sleep(static_cast<DWORD>(delay));
    return 0;
}

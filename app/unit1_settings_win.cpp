// settings.ini beside the executable: the tab last shown, both names and the
// start date, read when the window is first shown and written when it closes.
#include "app/ini_file_win.h"
#include "app/settings.h"
#include "app/unit1_win.h"
#include "base/datetime_win.h"
#include "base/module_path_win.h"
#include "base/text_win.h"

namespace tav {
namespace {

std::wstring SettingsPath(const std::wstring& configured)
{
    return configured.empty() ? ExecutableFolder() + L"settings.ini" : configured;
}

}  // namespace

void TForm1::LoadSettings()
{
    const IniFile ini(SettingsPath(seams_.settingsPath));
    const int page = ParseIniInteger(ini.ReadString("options", "page index", "")).value_or(0);
    // Only a hand-edited file holds another index: open the first tab then.
    SetActivePage(page == 1 ? 1 : 0);
    SetWindowTextUtf8(Edit1, ini.ReadString("server", "server name", ""));
    SetWindowTextUtf8(Edit3, ini.ReadString("computer", "computer name", ""));
    const DateTime now = Now();
    const std::string stored = ini.ReadString("options", "date", "");
    const DateTime date = stored.empty() ? now : ParseDate(stored, CurrentFormats()).value_or(now);
    if (!SetPickerDate(date))
        SetPickerDate(now);
}

void TForm1::SaveSettings()
{
    const IniFile ini(SettingsPath(seams_.settingsPath));
    ini.WriteString("options", "page index", std::to_string(ActivePage()));
    ini.WriteString("server", "server name", WindowText(Edit1));
    ini.WriteString("computer", "computer name", WindowText(Edit3));
    ini.WriteString("options", "date", FormatDate(PickerDate(), CurrentFormats()));
}

DateTime TForm1::PickerDate() const
{
    SYSTEMTIME time{};
    SendMessageW(DateTimePicker1, DTM_GETSYSTEMTIME, 0, reinterpret_cast<LPARAM>(&time));
    time.wHour = time.wMinute = time.wSecond = time.wMilliseconds = 0;  // the date alone
    return FromSystemTime(time).value_or(0.0);
}

bool TForm1::SetPickerDate(DateTime value)
{
    SYSTEMTIME time = ToSystemTime(value);
    return time.wYear >= 1601 &&
           SendMessageW(DateTimePicker1, DTM_SETSYSTEMTIME, GDT_VALID, reinterpret_cast<LPARAM>(&time)) != 0;
}

}  // namespace tav

#include "app/ini_file_win.h"

#include <stdexcept>

#include "base/text_win.h"

namespace tav {

std::string IniFile::ReadString(std::string_view section, std::string_view key, std::string_view fallback) const
{
    wchar_t buffer[2048] = {};
    GetPrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(fallback).c_str(), buffer,
                             static_cast<DWORD>(std::size(buffer)), path_.c_str());
    return Narrow(buffer);
}

void IniFile::WriteString(std::string_view section, std::string_view key, std::string_view value) const
{
    if (!WritePrivateProfileStringW(Widen(section).c_str(), Widen(key).c_str(), Widen(value).c_str(),
                                    path_.c_str()))
        throw std::runtime_error("Unable to write to " + Narrow(path_));
}

}  // namespace tav

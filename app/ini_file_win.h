// A Windows INI file read and written key by key through the profile-string
// functions. The file stays in the ANSI code page.
#pragma once

#include <string>
#include <string_view>

namespace tav {

class IniFile {
public:
    explicit IniFile(std::wstring path) : path_(std::move(path)) {}

    // At most 2047 characters come back; a longer value is cut.
    std::string ReadString(std::string_view section, std::string_view key, std::string_view fallback) const;
    // Throws std::runtime_error("Unable to write to <path>") when the key
    // cannot be written.
    void WriteString(std::string_view section, std::string_view key, std::string_view value) const;

private:
    std::wstring path_;
};

}  // namespace tav

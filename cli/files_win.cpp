#include "base/win32.h"

#include <filesystem>
#include <random>

#include "base/handles_win.h"
#include "base/text_win.h"
#include "cli/files.h"

namespace tav::cli {
namespace {

std::wstring RandomName()
{
    static std::random_device random;
    return std::to_wstring((std::uint64_t{random()} << 32) ^ random());
}

// A new file at `prefix` + a random part, created exclusively (CREATE_NEW).
UniqueHandle CreateNew(const std::wstring& prefix, DWORD access, DWORD flags, std::wstring& path)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = prefix + RandomName();
        UniqueHandle file(CreateFileW(path.c_str(), access, 0, nullptr, CREATE_NEW, flags, nullptr));
        if (file || GetLastError() != ERROR_FILE_EXISTS)
            return file;
    }
    return UniqueHandle();
}

bool WriteAll(HANDLE file, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes, part, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        size -= written;
    }
    return true;
}

class WinScratch final : public ScratchFile {
public:
    explicit WinScratch(UniqueHandle file) : file_(std::move(file)) {}

    bool Write(const void* bytes, std::size_t size) override
    {
        return WriteAll(file_.Get(), static_cast<const char*>(bytes), size);
    }
    bool Rewind() override { return SetFilePointer(file_.Get(), 0, nullptr, FILE_BEGIN) == 0; }
    std::size_t Read(void* bytes, std::size_t size) override
    {
        std::size_t got = 0;
        while (got < size) {
            DWORD read = 0;
            const DWORD part = static_cast<DWORD>(std::min<std::size_t>(size - got, 1u << 30));
            if (!ReadFile(file_.Get(), static_cast<char*>(bytes) + got, part, &read, nullptr) || read == 0)
                break;
            got += read;
        }
        return got;
    }

private:
    UniqueHandle file_;
};

}  // namespace

std::string WriteFileWhole(const std::string& path, std::string_view bytes)
{
    const std::filesystem::path target(Widen(path));
    // A device or a pipe (NUL, CON, \\.\pipe\...) is written into: there
    // is no file to rename over. Opened once, as a pipe takes one client.
    if (UniqueHandle existing(CreateFileW(target.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        existing && GetFileType(existing.Get()) != FILE_TYPE_DISK) {
        if (!WriteAll(existing.Get(), bytes.data(), bytes.size()))
            return path + ": " + ErrorText(GetLastError());
        return {};
    }
    const std::wstring folder = target.has_parent_path() ? target.parent_path().wstring() + L"\\" : std::wstring();
    std::wstring temporary;
    UniqueHandle file = CreateNew(folder + L"." + target.filename().wstring() + L".", GENERIC_WRITE,
                                  FILE_ATTRIBUTE_NORMAL, temporary);
    if (!file)
        return path + ": " + ErrorText(GetLastError());
    const bool written = WriteAll(file.Get(), bytes.data(), bytes.size()) && FlushFileBuffers(file.Get());
    DWORD error = written ? ERROR_SUCCESS : GetLastError();
    file.Reset();
    if (written) {
        if (MoveFileExW(temporary.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return {};
        error = GetLastError();
    }
    DeleteFileW(temporary.c_str());
    return path + ": " + ErrorText(error);
}

bool SameFile(const std::string& a, const std::string& b)
{
    const auto identity = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        // No access asked: the identity of a file another process holds open
        // can still be read.
        const UniqueHandle file(CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return file && GetFileInformationByHandle(file.Get(), &info);
    };
    BY_HANDLE_FILE_INFORMATION first{};
    BY_HANDLE_FILE_INFORMATION second{};
    return identity(a, first) && identity(b, second) && first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

std::unique_ptr<ScratchFile> ScratchFile::Create(std::string& error)
{
    wchar_t folder[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, folder);
    if (length == 0 || length > MAX_PATH) {
        error = "cannot find the temporary folder";
        return nullptr;
    }
    std::wstring path;
    // Deleted on close by the system, also when the process is ended.
    UniqueHandle file = CreateNew(std::wstring(folder) + L"tavelin-", GENERIC_READ | GENERIC_WRITE,
                                  FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, path);
    if (!file) {
        error = "cannot create a temporary file in " + Narrow(folder) + ": " + ErrorText(GetLastError());
        return nullptr;
    }
    return std::make_unique<WinScratch>(std::move(file));
}

}  // namespace tav::cli

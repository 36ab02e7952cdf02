// Positioned reads (ReadFile at an offset). The file is not mapped: a view
// of a file on a share that goes away raises an in-page error in whatever
// code touches it, where a read just fails and the walk reports it.
#include <windows.h>

#include <algorithm>
#include <atomic>

#include "evtx/file_source.h"

namespace tav::evtx {
namespace {

class FileSource final : public ByteSource {
public:
    FileSource(HANDLE file, std::uint64_t size) : file_(file), size_(size) {}
    ~FileSource() override { CloseHandle(file_); }
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t Size() const override { return size_; }
    bool Failed() const override { return failed_; }

    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) override
    {
        if (offset >= size_)
            return 0;
        size = static_cast<std::size_t>(std::min<std::uint64_t>(size, size_ - offset));
        std::size_t got = 0;
        while (got < size) {
            OVERLAPPED at{};
            const std::uint64_t position = offset + got;
            at.Offset = static_cast<DWORD>(position);
            at.OffsetHigh = static_cast<DWORD>(position >> 32);
            DWORD n = 0;
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - got, 1u << 30));
            if (!ReadFile(file_, out + got, want, &n, &at) || n == 0)
                break;
            got += n;
        }
        if (got != size)
            failed_ = true;
        return got;
    }

private:
    HANDLE file_;
    std::uint64_t size_;
    std::atomic<bool> failed_ = false;
};

}  // namespace

std::unique_ptr<ByteSource> OpenFileSource(const std::filesystem::path& path)
{
    // Others may go on writing or even delete the log while it is read.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return nullptr;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) {
        CloseHandle(file);
        return nullptr;
    }
    return std::make_unique<FileSource>(file, static_cast<std::uint64_t>(size.QuadPart));
}

}  // namespace tav::evtx

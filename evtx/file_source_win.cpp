// Positioned reads (ReadFile at an offset). The file is not mapped: a view
// of a file on a share that goes away raises an in-page error in whatever
// code touches it, where a read just fails and the walk reports it.
#include <algorithm>
#include <utility>

#include "base/handles_win.h"
#include "base/win32.h"
#include "evtx/file_source.h"

namespace tav::evtx {
namespace {

class WinFileSource final : public FileSource {
public:
    WinFileSource(UniqueHandle file, std::uint64_t size) : FileSource(size), file_(std::move(file)) {}

private:
    std::size_t ReadSome(std::uint64_t offset, std::uint8_t* out, std::size_t size) override
    {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        DWORD n = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        return ReadFile(file_.Get(), out, want, &n, &at) ? n : 0;
    }

    UniqueHandle file_;
};

}  // namespace

std::unique_ptr<ByteSource> OpenFileSource(const std::filesystem::path& path)
{
    // Others may go on writing or even delete the log while it is read.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return nullptr;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file.Get(), &size))
        return nullptr;
    return std::make_unique<WinFileSource>(std::move(file), static_cast<std::uint64_t>(size.QuadPart));
}

}  // namespace tav::evtx

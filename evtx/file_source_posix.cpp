// Positioned reads (pread). The file is not mapped: a mapped file that
// another process cuts short kills the reader with SIGBUS, where a read
// just comes back short and the walk reports a read error.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>

#include "evtx/file_source.h"

namespace tav::evtx {
namespace {

class FileSource final : public ByteSource {
public:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    ~FileSource() override { ::close(fd_); }
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
            const ssize_t n = ::pread(fd_, out + got, size - got, static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        if (got != size)
            failed_ = true;
        return got;
    }

private:
    int fd_;
    std::uint64_t size_;
    std::atomic<bool> failed_ = false;
};

}  // namespace

std::unique_ptr<ByteSource> OpenFileSource(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return std::make_unique<FileSource>(fd, static_cast<std::uint64_t>(info.st_size));
}

}  // namespace tav::evtx

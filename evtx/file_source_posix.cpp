// Positioned reads (pread). The file is not mapped: a mapped file that
// another process cuts short kills the reader with SIGBUS, where a read
// just comes back short and the walk reports a read error.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "evtx/file_source.h"

namespace tav::evtx {
namespace {

class PosixFileSource final : public FileSource {
public:
    PosixFileSource(int fd, std::uint64_t size) : FileSource(size), fd_(fd) {}
    ~PosixFileSource() override { ::close(fd_); }

private:
    std::size_t ReadSome(std::uint64_t offset, std::uint8_t* out, std::size_t size) override
    {
        for (;;) {
            const ssize_t n = ::pread(fd_, out, size, static_cast<off_t>(offset));
            if (n >= 0)
                return static_cast<std::size_t>(n);
            if (errno != EINTR)
                return 0;
        }
    }

    int fd_;
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
    return std::make_unique<PosixFileSource>(fd, static_cast<std::uint64_t>(info.st_size));
}

}  // namespace tav::evtx

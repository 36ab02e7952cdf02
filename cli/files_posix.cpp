#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>

#include "cli/files.h"

namespace tav::cli {
namespace {

std::string Reason(const std::string& path)
{
    return path + ": " + std::strerror(errno);
}

bool WriteAll(int fd, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

std::string RandomName()
{
    static std::random_device random;
    return std::to_string((std::uint64_t{random()} << 32) ^ random());
}

// A new file at `prefix` + a random part, created exclusively with `mode`.
int CreateNew(const std::string& prefix, mode_t mode, std::string& path)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = prefix + RandomName();
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

class PosixScratch final : public ScratchFile {
public:
    explicit PosixScratch(int fd) : fd_(fd) {}
    ~PosixScratch() override { ::close(fd_); }
    PosixScratch(const PosixScratch&) = delete;
    PosixScratch& operator=(const PosixScratch&) = delete;

    bool Write(const void* bytes, std::size_t size) override
    {
        return WriteAll(fd_, static_cast<const char*>(bytes), size);
    }
    bool Rewind() override { return ::lseek(fd_, 0, SEEK_SET) == 0; }
    std::size_t Read(void* bytes, std::size_t size) override
    {
        std::size_t got = 0;
        while (got < size) {
            const ssize_t n = ::read(fd_, static_cast<char*>(bytes) + got, size - got);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            got += static_cast<std::size_t>(n);
        }
        return got;
    }

private:
    int fd_;
};

}  // namespace

std::string WriteFileWhole(const std::string& path, std::string_view bytes)
{
    // A device or a pipe (/dev/null, /dev/stdout, a FIFO) is written into:
    // renamed over, it would be replaced by a file.
    if (struct stat info {}; ::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd < 0)
            return Reason(path);
        const bool written = WriteAll(fd, bytes.data(), bytes.size());
        const int writeError = errno;
        if (::close(fd) == 0 && written)
            return {};
        return path + ": " + std::strerror(written ? errno : writeError);
    }
    const std::filesystem::path target(path);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() + "/" : std::string();
    std::string temporary;
    const int fd = CreateNew(folder + "." + target.filename().string() + ".", 0666, temporary);
    if (fd < 0)
        return Reason(path);
    const bool written = WriteAll(fd, bytes.data(), bytes.size()) && ::fsync(fd) == 0;
    const int writeError = errno;
    if (::close(fd) == 0 && written && ::rename(temporary.c_str(), path.c_str()) == 0)
        return {};
    const std::string reason = path + ": " + std::strerror(written ? errno : writeError);
    ::unlink(temporary.c_str());
    return reason;
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat first {};
    struct stat second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

std::unique_ptr<ScratchFile> ScratchFile::Create(std::string& error)
{
    std::error_code ignored;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(ignored);
    std::string path;
    const int fd = CreateNew((folder / "tavelin-").string(), 0600, path);
    if (fd < 0) {
        error = "cannot create a temporary file in " + folder.string() + ": " + std::strerror(errno);
        return nullptr;
    }
    // Gone from the folder at once: no exit, however abrupt, leaves it behind.
    ::unlink(path.c_str());
    return std::make_unique<PosixScratch>(fd);
}

}  // namespace tav::cli

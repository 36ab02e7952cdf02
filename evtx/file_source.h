// The bytes of an .evtx file on disk, for the reader: read at offsets
// without moving a shared file position, so that the decoding threads
// never seek.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>

#include "evtx/reader.h"

namespace tav::evtx {

// nullptr when the file cannot be opened for reading.
std::unique_ptr<ByteSource> OpenFileSource(const std::filesystem::path& path);

// What every platform's file source does alike: the size taken when the
// file was opened, reads cut to it and repeated until they have it all,
// and a failure noted when one comes back short.
class FileSource : public ByteSource {
public:
    explicit FileSource(std::uint64_t size) : size_(size) {}
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;

    std::uint64_t Size() const override { return size_; }
    bool Failed() const override { return failed_; }
    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) override;

private:
    // One read of the platform at `offset`, of at most `size` bytes: the
    // count read, 0 at an error or the end of the file.
    virtual std::size_t ReadSome(std::uint64_t offset, std::uint8_t* out, std::size_t size) = 0;

    std::uint64_t size_;
    std::atomic<bool> failed_ = false;
};

}  // namespace tav::evtx

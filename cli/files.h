// Files the tool writes: a page that appears whole or not at all, the check
// that it would not overwrite an input, and scratch files for rows.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tav::cli {

// Writes `bytes` to the file `path` whole or not at all: into a new file of
// this process beside it, renamed over it once complete and on disk. Empty,
// or why it failed; then the file is as it was and nothing is left behind.
std::string WriteFileWhole(const std::string& path, std::string_view bytes);

// Whether two paths name the same existing file, through links and other
// spellings: device and inode, or volume and file index.
bool SameFile(const std::string& a, const std::string& b);

// A file of this user alone in the system's temporary folder, created
// exclusively and gone when it is closed, however the process ends where
// the system allows (unlinked at once on POSIX, deleted on close on Windows).
class ScratchFile {
public:
    virtual ~ScratchFile() = default;
    // Nullptr and `error` when none can be made.
    static std::unique_ptr<ScratchFile> Create(std::string& error);

    virtual bool Write(const void* bytes, std::size_t size) = 0;
    // Back to the start, for reading what was written.
    virtual bool Rewind() = 0;
    // Up to `size` bytes; fewer at the end or on an error.
    virtual std::size_t Read(void* bytes, std::size_t size) = 0;
};

}  // namespace tav::cli

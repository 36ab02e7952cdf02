// Files the tool writes: a page that appears whole or not at all, the check
// that it would not overwrite an input, and scratch files for rows.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tav::cli {

// Writes `bytes` to the file `path` whole or not at all: into a new file of
// this process beside it, renamed over it once complete and on disk. Empty,
// or why it failed; then the file is as it was and nothing is left behind.
// A device or a pipe that `path` names is written into instead.
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

// Numbers as a scratch file holds them: seven bits a byte, the last
// without the high bit, so that most numbers here (lengths, counts) take one.
inline void AppendNumber(std::string& out, std::uint64_t value)
{
    for (; value >= 0x80; value >>= 7)
        out += static_cast<char>(value | 0x80);
    out += static_cast<char>(value);
}

// A text as a scratch file holds it: its length, then its bytes.
inline void AppendText(std::string& out, std::string_view text)
{
    AppendNumber(out, text.size());
    out.append(text);
}

// Numbers and texts into a scratch file, through a buffer.
class ScratchWriter {
public:
    explicit ScratchWriter(ScratchFile& file) : file_(file) {}
    void U64(std::uint64_t value)
    {
        AppendNumber(buffer_, value);
        Written();
    }
    void Text(std::string_view text)
    {
        AppendText(buffer_, text);
        Written();
    }
    // Bytes made with AppendNumber and AppendText.
    void Bytes(std::string_view bytes)
    {
        buffer_.append(bytes);
        Written();
    }
    // False when a write failed, now or before.
    bool Flush()
    {
        ok_ = ok_ && file_.Write(buffer_.data(), buffer_.size());
        buffer_.clear();
        return ok_;
    }

private:
    static constexpr std::size_t kBuffer = 1 << 16;
    void Written()
    {
        if (buffer_.size() >= kBuffer)
            Flush();
    }
    ScratchFile& file_;
    std::string buffer_;
    bool ok_ = true;
};

// What a ScratchWriter wrote, from where the file stands, or what
// AppendNumber and AppendText made in memory; false at its end.
class ScratchReader {
public:
    explicit ScratchReader(ScratchFile& file) : file_(&file) {}
    explicit ScratchReader(std::string_view bytes) : data_(bytes) {}
    bool U64(std::uint64_t& value)
    {
        // Most numbers are whole in the buffer.
        if (data_.size() - at_ >= 10) {
            value = 0;
            for (int shift = 0; shift < 64; shift += 7) {
                const auto byte = static_cast<unsigned char>(data_[at_++]);
                value |= std::uint64_t{byte & 0x7Fu} << shift;
                if ((byte & 0x80) == 0)
                    return true;
            }
            return false;
        }
        value = 0;
        for (int shift = 0; shift < 64; shift += 7) {
            char byte = 0;
            if (!Bytes(&byte, 1))
                return false;
            value |= std::uint64_t{static_cast<unsigned char>(byte) & 0x7Fu} << shift;
            if ((static_cast<unsigned char>(byte) & 0x80) == 0)
                return true;
        }
        return false;
    }
    bool Text(std::string& text)
    {
        std::uint64_t size = 0;
        if (!U64(size))
            return false;
        text.resize(static_cast<std::size_t>(size));
        return Bytes(text.data(), text.size());
    }
    // A text of bytes held in memory, as a view of them.
    bool View(std::string_view& text)
    {
        std::uint64_t size = 0;
        if (!U64(size) || file_ != nullptr || size > data_.size() - at_)
            return false;
        text = data_.substr(at_, static_cast<std::size_t>(size));
        at_ += text.size();
        return true;
    }
    bool Bytes(char* out, std::size_t size)
    {
        while (size > 0) {
            if (at_ == data_.size()) {
                if (file_ == nullptr)
                    return false;
                buffer_.resize(kBuffer);
                buffer_.resize(file_->Read(buffer_.data(), kBuffer));
                data_ = buffer_;
                at_ = 0;
                if (data_.empty())
                    return false;
            }
            const std::size_t part = std::min(size, data_.size() - at_);
            std::copy_n(data_.data() + at_, part, out);
            at_ += part;
            out += part;
            size -= part;
        }
        return true;
    }

private:
    static constexpr std::size_t kBuffer = 1 << 16;
    ScratchFile* file_ = nullptr;  // none: the bytes are all in data_
    std::string buffer_;
    std::string_view data_;
    std::size_t at_ = 0;
};

}  // namespace tav::cli

#include "evtx/chunk.h"

#include <algorithm>
#include <cstring>

#include "base/bytes.h"
#include "evtx/crc32.h"
#include "evtx/filetime.h"

namespace tav::evtx {
namespace {

constexpr std::uint8_t kChunkMagic[8] = {'E', 'l', 'f', 'C', 'h', 'n', 'k', 0};
constexpr std::uint32_t kRecordMagic = 0x00002a2a;
constexpr std::uint32_t kRecordHeaderSize = 24;
constexpr std::uint32_t kRecordMinSize = kRecordHeaderSize + 4;  // header and size copy
constexpr std::uint32_t kNoChecksums = 0x4;  // of the chunk's flags and the file's

// Word by word: a log's unused chunks are many, and a byte loop over each
// cost more than decoding a used one.
bool AllZero(const std::uint8_t* p, std::size_t size)
{
    std::uint64_t any = 0;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8)
        any |= LoadU64(p + i);
    for (; i < size; ++i)
        any |= p[i];
    return any == 0;
}

}  // namespace

bool HasChunkMagic(const std::uint8_t* bytes)
{
    return std::memcmp(bytes, kChunkMagic, sizeof kChunkMagic) == 0;
}

ChunkHeader ParseChunkHeader(const std::uint8_t* bytes)
{
    ChunkHeader h;
    h.firstRecordNumber = LoadU64(bytes + 8);
    h.lastRecordNumber = LoadU64(bytes + 16);
    h.firstRecordId = LoadU64(bytes + 24);
    h.lastRecordId = LoadU64(bytes + 32);
    h.lastRecordOffset = LoadU32(bytes + 44);
    h.freeSpaceOffset = LoadU32(bytes + 48);
    h.flags = LoadU32(bytes + 120);
    return h;
}

Chunk::Chunk() : buffer_(kChunkSize) {}

Chunk::State Chunk::Load(std::span<const std::uint8_t> bytes, Stats* stats, const ReadOptions* options)
{
    const std::size_t size = std::min(bytes.size(), kChunkSize);
    std::memcpy(buffer_.data(), bytes.data(), size);
    static const ReadOptions kEverything;
    return Parse(buffer_.data(), size, stats, options ? *options : kEverything);
}

Chunk::State Chunk::Parse(const std::uint8_t* bytes, std::size_t available, Stats* stats,
                          const ReadOptions& options)
{
    stats_ = stats ? stats : &ownStats_;
    if (available < kChunkSize) {
        // Bytes a short file lacks read as zeros; no record reaches into them.
        if (bytes != buffer_.data())
            std::memcpy(buffer_.data(), bytes, available);
        std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(available), buffer_.end(), std::uint8_t{0});
        bytes = buffer_.data();
    }
    bytes_ = bytes;
    header_ = {};
    walkEnd_ = 0;
    position_ = static_cast<std::uint32_t>(kChunkHeaderSize);
    if (!HasChunkMagic(bytes)) {
        const bool empty = AllZero(bytes, kChunkSize);
        ++(empty ? stats_->chunksEmpty : stats_->chunksBadMagic);
        return empty ? State::Empty : State::BadMagic;
    }
    ++stats_->chunksRead;
    header_ = ParseChunkHeader(bytes);
    // Checksums only inform: the records are read whatever they say. A log
    // of version 3.2 may say that it writes none.
    const std::uint32_t dataEnd = std::clamp<std::uint32_t>(header_.freeSpaceOffset, kChunkHeaderSize, kChunkSize);
    const bool checked = !options.noChecksums && (header_.flags & kNoChecksums) == 0;
    header_.headerChecksumOk = header_.dataChecksumOk = true;
    if (checked) {
        std::uint32_t headerCrc = Crc32({bytes, 120});
        headerCrc = Crc32({bytes + 128, kChunkHeaderSize - 128}, headerCrc);
        header_.headerChecksumOk = headerCrc == LoadU32(bytes + 124);
        stats_->chunkHeaderChecksumErrors += header_.headerChecksumOk ? 0 : 1;
    }
    if (checked && options.verifyData) {
        header_.dataChecksumOk =
            Crc32({bytes + kChunkHeaderSize, dataEnd - kChunkHeaderSize}) == LoadU32(bytes + 52);
        stats_->chunkDataChecksumErrors += header_.dataChecksumOk ? 0 : 1;
    }

    walkEnd_ = std::min<std::uint32_t>(dataEnd, static_cast<std::uint32_t>(available));
    decoder_.Reset(bytes, options.keepEvents.get(), options.keepStrings);
    return State::Ok;
}

bool Chunk::NextRecord(Record& record)
{
    const std::uint8_t* bytes = bytes_;
    while (walkEnd_ - std::min(position_, walkEnd_) >= kRecordHeaderSize) {
        const std::uint32_t at = position_;
        if (LoadU32(bytes + at) != kRecordMagic)
            break;
        const std::uint32_t size = LoadU32(bytes + at + 4);
        if (size < kRecordMinSize || size > walkEnd_ - at) {
            ++stats_->recordsUnreadable;
            break;
        }
        position_ = at + size;
        record.recordId = LoadU64(bytes + at + 8);
        const std::uint64_t written = LoadU64(bytes + at + 16);
        record.timeWritten = FiletimeToUnixSeconds(written);
        switch (decoder_.Decode(at + kRecordHeaderSize, at + size - 4, written, record)) {
        case BinXmlDecoder::Outcome::Decoded:
        case BinXmlDecoder::Outcome::Skipped:
            ++stats_->recordsRead;
            return true;
        case BinXmlDecoder::Outcome::Garbage:
            ++stats_->recordsUnreadable;
            break;
        }
    }
    position_ = walkEnd_;
    return false;
}

}  // namespace tav::evtx

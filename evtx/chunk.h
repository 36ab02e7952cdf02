// One 64 KiB chunk of an .evtx file: its header, and a bounded walk over
// its event records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "evtx/binxml.h"
#include "evtx/record.h"

namespace tav::evtx {

inline constexpr std::size_t kChunkSize = 65536;
inline constexpr std::size_t kChunkHeaderSize = 512;

struct ChunkHeader {
    std::uint64_t firstRecordNumber = 0;
    std::uint64_t lastRecordNumber = 0;
    std::uint64_t firstRecordId = 0;
    std::uint64_t lastRecordId = 0;
    std::uint32_t lastRecordOffset = 0;
    std::uint32_t freeSpaceOffset = 0;  // as stored; the walk clamps it
    std::uint32_t flags = 0;         // 0x4: no checksums
    bool headerChecksumOk = false;
    bool dataChecksumOk = false;  // computed only when the options ask
};

// What a walk over chunks does beyond reading every record.
struct ReadOptions {
    // Only records of these event ids are decoded in full; others, where
    // their template tells the id and time without expanding, come with
    // just their ids and times.
    std::shared_ptr<const EventIdSet> keepEvents;
    // Of the records decoded, only these insertion strings get their texts.
    StringSet keepStrings = kAllStrings;
    // Computes each chunk's data checksum, which only feeds the counters.
    bool verifyData = false;
    // The file says its chunks carry no checksums (version 3.2, flag 0x4).
    bool noChecksums = false;
};

// Reads the header fields (not the checksums) from the first 512 bytes.
ChunkHeader ParseChunkHeader(const std::uint8_t* bytes);
bool HasChunkMagic(const std::uint8_t* bytes);

class Chunk {
public:
    enum class State { Ok, Empty, BadMagic };

    Chunk();
    Chunk(const Chunk&) = delete;
    Chunk& operator=(const Chunk&) = delete;

    // Takes a copy of `bytes`: 64 KiB, or fewer from a file cut short (the
    // records past its end are not read). Counts go to `stats` (which must
    // outlive the walk), or to the chunk's own when none is given.
    // `options` must outlive the walk too.
    State Load(std::span<const std::uint8_t> bytes, Stats* stats = nullptr, const ReadOptions* options = nullptr);

    const ChunkHeader& Header() const { return header_; }

    // Decodes the next readable record into `record` (its storage is
    // reused); false at the end of the chunk's records. A record whose
    // BinXml is garbage is counted unreadable and skipped. The walk ends at
    // the free-space offset, at a record header of the wrong magic, and at a
    // size below a record's minimum or past the end (counted unreadable).
    bool NextRecord(Record& record);

    const Stats& OwnStats() const { return ownStats_; }

private:
    friend class Reader;
    // The reader fills the buffer itself, or reads several chunks into
    // storage of its own, then parses the `available` bytes at `bytes`.
    // A whole chunk is read where it lies, and must stay there until its
    // records are read; a short one is copied into the buffer.
    std::uint8_t* Buffer() { return buffer_.data(); }
    State Parse(const std::uint8_t* bytes, std::size_t available, Stats* stats, const ReadOptions& options);

    std::vector<std::uint8_t> buffer_;
    const std::uint8_t* bytes_ = nullptr;  // the chunk parsed
    ChunkHeader header_;
    std::uint32_t walkEnd_ = 0;
    std::uint32_t position_ = 0;
    Stats ownStats_;
    Stats* stats_ = &ownStats_;
    BinXmlDecoder decoder_;
};

}  // namespace tav::evtx

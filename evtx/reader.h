// Reader of saved Windows event logs (.evtx), portable, without the Windows
// event-log API. It yields each record's fields as the legacy read
// (ReadEventLogW) gives them: record number, times, event id with
// qualifiers, source, computer and insertion strings.
//
// Memory does not grow with the file: the reader holds a few 64 KiB chunks
// and their decoded records at a time (decoded by worker threads on a
// machine of two cores or more), and one small entry per chunk.
//
//   tav::evtx::Error error;
//   auto reader = tav::evtx::Reader::Open(path, error);
//   if (!reader) { /* error.code, error.message */ }
//   reader->ForEachRecordNewestFirst([](const tav::evtx::Record& r) { ...; return true; });
//   reader->GetStats().recordsUnreadable;  // what could not be read
//
// Chunk by chunk, in file order, on the caller's thread alone:
//
//   tav::evtx::Chunk chunk;
//   tav::evtx::Record record;
//   for (std::uint64_t i = 0; i < reader->ChunkCount(); ++i)
//       if (reader->LoadChunk(i, chunk) == tav::evtx::Chunk::State::Ok)
//           while (chunk.NextRecord(record)) { ... }
//
// Damage is confined to the record or chunk it is in: all-zero chunks and
// chunks of a wrong magic are skipped, checksums are checked but only
// counted (the chunk data checksum only on request), a record of garbage
// BinXml is counted and skipped.
//
// A caller that needs only some events says so before the walk, and the
// records of other event ids then mostly come undecoded, with only their
// record id, times and event id (no qualifiers), so that callers still see
// every record go by:
//
//   static constexpr std::uint16_t kLogons[] = {4624};
//   reader->KeepOnlyEvents(kLogons, tav::evtx::StringsAt({5, 8, 11}));
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "evtx/chunk.h"
#include "evtx/error.h"
#include "evtx/record.h"

namespace tav::evtx {

inline constexpr std::size_t kFileHeaderSize = 4096;  // chunk 0 starts here

struct FileHeader {
    std::uint64_t firstChunk = 0;
    std::uint64_t lastChunk = 0;
    std::uint64_t nextRecordId = 0;  // stale in logs copied while open
    std::uint16_t minorVersion = 0;
    std::uint16_t majorVersion = 0;
    std::uint16_t chunkCount = 0;    // 16 bits only; the reader goes by the file size
    std::uint32_t flags = 0;         // 0x1 dirty, 0x2 full, 0x4 no checksums; others ignored
    bool checksumOk = false;
};

// Bytes the reader gets its data from: a file, or memory in tests.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Reads up to `size` bytes at `offset`; returns the count read, fewer
    // only at the end or on an error (then Failed() is true). Called by the
    // decoding threads at once.
    virtual std::size_t ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) = 0;
    virtual bool Failed() const = 0;
};

// Where a chunk stands in the newest-first order: the id of its first
// record (which the chunk header's ids may contradict in stale copies) and
// the last record id its header claims.
struct ChunkSpan {
    std::uint64_t index = 0;
    std::uint64_t firstRecordId = 0;
    std::uint64_t lastRecordId = 0;
};

enum class WalkOrder {
    File,         // chunks and records as they lie in the file
    NewestFirst,  // as Reader::ForEachRecordNewestFirst
    OldestFirst,  // the reverse chunk order, each chunk's records by id ascending
};

// Chunks next to each other in the file and in a walk, read with one read:
// a read of 256 KiB costs less than four of 64 KiB, and still stays in the
// processor's cache while its chunks are decoded.
inline constexpr std::uint32_t kChunksPerRead = 4;
struct ChunkRun {
    std::uint64_t first = 0;  // the lowest file index
    std::uint32_t count = 1;
    bool descending = false;  // the walk visits them from the highest index down

    // The file index of the run's chunk `k` in walk order.
    std::uint64_t At(std::uint32_t k) const { return descending ? first + count - 1 - k : first + k; }
};

// Runs of up to kChunksPerRead of a walk's chunks (file indexes in walk order).
std::vector<ChunkRun> RunsOf(std::span<const std::uint64_t> indexes);

// The records of one chunk, decoded, in the order of a walk, and the counts
// of what the decoding met. Each thread has one and writes its position and
// counts at every record: on a cache line of its own, not shared with the
// next thread's.
struct alignas(64) DecodedChunk {
    std::vector<std::uint8_t> bytes;  // of the run read last
    std::size_t got = 0;
    Chunk chunk;
    std::vector<Record> records;  // storage reused from chunk to chunk
    std::vector<std::size_t> order;
    Stats stats;
};

// Positions 0..records.size()-1 by record id descending, records of equal
// ids in their order: how the walk newest first visits a chunk's records.
void OrderNewestFirst(std::span<const Record> records, std::vector<std::size_t>& order);

class Reader {
public:
    // Called for each record; false stops the walk.
    using Visitor = std::function<bool(const Record&)>;

    // Opens a file and checks its header; nullptr and `error` when it cannot
    // be read or is no .evtx file.
    static std::unique_ptr<Reader> Open(const std::filesystem::path& path, Error& error);
    // The same over bytes in memory, which must outlive the reader.
    static std::unique_ptr<Reader> Open(std::span<const std::uint8_t> bytes, Error& error);
    // The same over any source of bytes (`name` names it in messages).
    static std::unique_ptr<Reader> Open(std::unique_ptr<ByteSource> source, const std::string& name,
                                        Error& error);

    const FileHeader& Header() const { return header_; }

    // Walks after this decode in full only records of these event ids (the
    // low 16 bits); others come with empty texts where their template tells
    // their id and time without expanding it. Callers go on checking ids.
    // Of the insertion strings, only those in `strings` get their texts (the
    // count of strings stays right).
    void KeepOnlyEvents(std::span<const std::uint16_t> eventIds, StringSet strings = kAllStrings);
    // Walks after this compute each chunk's data checksum into the stats.
    void VerifyDataChecksums() { options_.verifyData = true; }

    // Chunks the file's size holds (a last, partial chunk included);
    // the header's count is not trusted.
    std::uint64_t ChunkCount() const { return chunkCount_; }
    std::uint64_t FileSize() const { return source_->Size(); }

    // Loads chunk `index` (file order) into `chunk` for a walk over its
    // records, which count into this reader's stats.
    Chunk::State LoadChunk(std::uint64_t index, Chunk& chunk);

    // Every readable record, chunk by chunk in file order, each chunk's
    // records in their order there. False when `visit` stopped the walk or
    // reading the file failed (ReadError() tells).
    bool ForEachRecord(const Visitor& visit);

    // Every readable record, newest first: chunks in descending order of
    // their first record's id, each chunk's records by id descending. That is
    // record id order whenever chunks hold disjoint id ranges; a chunk that
    // mixes old and new records (damaged shadow copies) stays in one piece.
    bool ForEachRecordNewestFirst(const Visitor& visit);

    // The chunks that walk visits, in its order, from the chunk headers
    // alone: one entry per chunk. Chunks that are no chunk are counted in the
    // stats here and left out. The headers are read on up to `threads`
    // threads: a large log has tens of thousands.
    std::vector<ChunkSpan> ChunksNewestFirst(unsigned threads = 1);
    // The file indexes of the chunks a walk in `order` visits.
    std::vector<std::uint64_t> WalkChunks(WalkOrder order, unsigned threads = 1);

    // Reads the chunks of `run` into out.bytes. Then Decode decodes the
    // run's chunk `k` (in walk order) into `out`, its records ordered for
    // `order`, counting into out.stats. Both are safe on several threads at once.
    void Read(const ChunkRun& run, DecodedChunk& out);
    void Decode(const ChunkRun& run, std::uint32_t k, WalkOrder order, DecodedChunk& out);
    // Adds the counts of chunks decoded on their own.
    void AddStats(const Stats& stats);

    const Stats& GetStats() const { return stats_; }
    bool ReadError() const { return source_->Failed(); }

private:
    explicit Reader(std::unique_ptr<ByteSource> source);
    // Up to `size` bytes from the start of chunk `index` (and the chunks
    // after it); none past the last chunk.
    std::size_t ReadChunks(std::uint64_t index, std::uint8_t* out, std::size_t size) const;
    // Decodes the chunks of a walk on the machine's cores and visits their
    // records on this thread, in order.
    bool Visit(WalkOrder order, const Visitor& visit);
    bool ReadHeader(const std::string& name, Error& error);
    static std::unique_ptr<Reader> Finish(std::unique_ptr<Reader> reader, const std::string& name, Error& error);

    std::unique_ptr<ByteSource> source_;
    FileHeader header_;
    std::uint64_t chunkCount_ = 0;
    Stats stats_;
    ReadOptions options_;
};

}  // namespace tav::evtx

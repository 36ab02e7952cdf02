// A saved .evtx file read the way the legacy event-log interface reads a
// live log: whole EVENTLOGRECORD records, newest first, so that the scan
// and the detail view give the same results for a copied log as for the
// machine's own.
//
//   std::uint32_t code = 0;
//   std::string message;
//   auto reader = tav::evtx::OpenLogFile(pathUtf8, code, message);
//   if (!reader) { /* code: Windows error; message: English, names the file */ }
//   tav::LegacySource source(std::move(reader));
//   tav::RunScan(source, filter, callbacks);
//
// Memory stays bounded: one chunk's records are decoded at a time, and one
// small entry is kept per chunk.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "evtx/log_file.h"
#include "evtx/reader.h"
#include "seclog/record_source.h"

namespace tav::seclog {

// `record` in the legacy EVENTLOGRECORD layout, into `out` (its storage reused).
void LayOut(const evtx::Record& record, std::vector<std::uint8_t>& out);

class LegacySource final : public RecordSource {
public:
    explicit LegacySource(std::unique_ptr<evtx::Reader> reader);
    ~LegacySource() override;
    LegacySource(const LegacySource&) = delete;
    LegacySource& operator=(const LegacySource&) = delete;

    // Records by id descending (chunk by chunk as evtx::Reader's newest-first walk
    // goes); a failed file read: !ok with kErrorReadFault from then on.
    ReadResult ReadNext(std::span<std::uint8_t> buffer) override;
    // The same records, decoded, a chunk per read.
    ReadResult ReadNextDecoded(const DecodedTake& take) override;
    // The record whose id has these low 32 bits, then those after it by id.
    ReadResult ReadRecord(std::uint32_t recordNumber, std::span<std::uint8_t> buffer) override;
    // Records of other ids then mostly come without texts.
    void KeepOnlyEvents(std::span<const std::uint16_t> eventIds, std::uint64_t strings) override
    {
        reader_->KeepOnlyEvents(eventIds, strings);
    }

    // Share of the chunks the sequential read has taken, 0 to 1.
    double Progress() const;
    const evtx::Reader& GetReader() const { return *reader_; }

private:
    class Cursor;
    // Reads the chunk headers for the orders of the chunks, once.
    void KnowChunks();
    Cursor& Sequential();

    std::unique_ptr<evtx::Reader> reader_;
    std::vector<evtx::ChunkSpan> chunks_;  // newest first
    std::vector<std::uint64_t> newestFirst_;  // their file indexes
    std::vector<std::uint64_t> oldestFirst_;
    bool chunksKnown_ = false;
    std::unique_ptr<Cursor> sequential_;
    std::vector<std::uint8_t> pending_;  // the next record of the sequential read, laid out
};

// Opens saved logs: `server` is the file's path (UTF-8); the log name plays
// no part.
class LegacyFileOpener final : public RecordSourceOpener {
public:
    std::unique_ptr<RecordSource> Open(const std::string& server, const std::string& log,
                                               std::uint32_t& error) override;
    // Why the last Open failed (English, names the file); empty after a success.
    const std::string& LastErrorMessage() const { return lastErrorMessage_; }

private:
    std::string lastErrorMessage_;
};

}  // namespace tav::seclog

// Record sources held in memory, for tests and benchmarks: a log of encoded
// records read the way the legacy event-log interface reads one, with
// failures that tests can inject.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "seclog/event_record.h"
#include "seclog/record_source.h"

namespace tav::seclog {

// The records of one log, oldest first.
class MemoryLog {
public:
    void Add(const LegacyRecord& record);
    // Bytes delivered as they are, as if they were one record (damaged
    // records for tests). Their record number is read from offset 8 when
    // there are enough bytes.
    void AddRaw(std::span<const std::uint8_t> bytes);

    std::size_t Count() const { return units_.size(); }
    std::size_t ByteSize() const { return bytes_.size(); }

private:
    friend class MemorySource;
    struct Unit {
        std::size_t offset = 0;
        std::uint32_t size = 0;
        bool numbered = false;
        std::uint32_t recordNumber = 0;
    };
    void AddUnit(std::size_t offset);

    std::vector<std::uint8_t> bytes_;
    std::vector<Unit> units_;
};

// The read with this 1-based number (calls of every read counted together) fails with `error`; 0: no read fails.
struct ReadFailure {
    std::uint32_t readIndex = 0;
    std::uint32_t error = 0;
};

// Reads the records the log held when the source was made. The sequential
// position and seek reads are independent of each other.
class MemorySource : public RecordSource {
public:
    explicit MemorySource(std::shared_ptr<const MemoryLog> log, ReadFailure failure = {},
                          std::shared_ptr<std::size_t> closeCounter = nullptr);
    ~MemorySource() override;
    MemorySource(const MemorySource&) = delete;
    MemorySource& operator=(const MemorySource&) = delete;

    ReadResult ReadNext(std::span<std::uint8_t> buffer) override;
    // Forwards from the record numbered `recordNumber`; kErrorInvalidParameter
    // when the log holds none.
    ReadResult ReadRecord(std::uint32_t recordNumber, std::span<std::uint8_t> buffer) override;
    ReadResult ReadNextOldestFirst(std::span<std::uint8_t> buffer) override;

    std::uint32_t ReadCount() const { return reads_; }

private:
    bool FailsNow(ReadResult& result);
    // The answer when unit `index` alone does not fit the buffer.
    ReadResult TooLarge(std::size_t index) const;
    // Appends unit `index` behind the `written` bytes if it fits.
    bool CopyUnit(std::size_t index, std::span<std::uint8_t> buffer, std::size_t& written) const;

    std::shared_ptr<const MemoryLog> log_;
    ReadFailure failure_;
    std::shared_ptr<std::size_t> closeCounter_;
    std::size_t unread_;  // units not yet read sequentially: the oldest ones
    std::size_t readForwards_ = 0;  // units read oldest first
    std::uint32_t reads_ = 0;
};

// Opens memory sources over one log and counts opens and closes, so tests
// can check that every source opened is closed exactly once.
class MemorySourceOpener : public RecordSourceOpener {
public:
    explicit MemorySourceOpener(std::shared_ptr<const MemoryLog> log);

    // Opening `server` fails with `error`.
    void Refuse(std::string server, std::uint32_t error);
    // Applies to every source opened from now on.
    void FailRead(ReadFailure failure) { failure_ = failure; }

    std::unique_ptr<RecordSource> Open(const std::string& server, const std::string& log,
                                       std::uint32_t& error) override;

    std::size_t Opens() const { return opens_; }
    std::size_t Closes() const { return *closes_; }
    const std::string& LastServer() const { return lastServer_; }
    const std::string& LastLog() const { return lastLog_; }

private:
    struct Refusal {
        std::string server;
        std::uint32_t error = 0;
    };
    std::shared_ptr<const MemoryLog> log_;
    std::vector<Refusal> refusals_;
    ReadFailure failure_;
    std::size_t opens_ = 0;
    std::shared_ptr<std::size_t> closes_ = std::make_shared<std::size_t>(0);
    std::string lastServer_;
    std::string lastLog_;
};

}  // namespace tav::seclog

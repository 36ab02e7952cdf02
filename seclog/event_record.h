// Records as the legacy event-log read (ReadEventLogW) delivers them:
// EVENTLOGRECORD headers packed one after another, little-endian, with the
// insertion strings in UTF-16. Decoding is bounds-checked against the bytes
// read; nothing here ever reads outside the buffer it is given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tav::seclog {

// Offsets of the fields the program uses.
inline constexpr std::size_t kRecordHeaderSize = 56;  // fixed part of EVENTLOGRECORD
inline constexpr std::uint32_t kRecordSignature = 0x654c664c;  // "LfLe"

// A record found in a buffer; views into that buffer.
struct RecordView {
    std::span<const std::uint8_t> bytes;  // the whole record (Length bytes)
    std::uint32_t recordNumber = 0;
    std::uint32_t timeGenerated = 0;  // seconds since 1970-01-01 UTC
    std::uint32_t timeWritten = 0;
    std::uint32_t eventId = 0;        // with qualifiers in the high 16 bits
    std::uint16_t numStrings = 0;
    std::uint32_t stringOffset = 0;
};

enum class WalkStep { Record, End, Malformed };

// Steps through the records of one buffer of `bytesRead` bytes.
class RecordWalker {
public:
    explicit RecordWalker(std::span<const std::uint8_t> bytesRead) : bytes_(bytesRead) {}
    // Record: `out` holds the next record. End: no bytes left. Malformed: a
    // Length below the fixed header or beyond the bytes read; the walk stops
    // there (every further call answers Malformed again).
    WalkStep Next(RecordView& out);

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

// Walks the insertion strings of a record (UTF-16, each zero-terminated).
// A StringOffset inside the fixed header or past the record makes them
// malformed (when NumStrings is not 0).
class StringWalker {
public:
    explicit StringWalker(const RecordView& record);
    // The next string as UTF-8; nullopt when all NumStrings strings were read,
    // or when the strings run past the record (then Malformed() is true).
    std::optional<std::string> Next();
    // The same, as the UTF-16LE bytes in the record (without the terminator),
    // so that callers can look at a string without decoding it.
    std::optional<std::span<const std::uint8_t>> NextUtf16();
    bool Malformed() const { return malformed_; }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
    std::uint16_t remaining_ = 0;
    bool malformed_ = false;
};

// SourceName and ComputerName, the two texts behind the fixed header; each
// empty when it runs past the record.
struct RecordNames {
    std::string source;
    std::string computer;
};
RecordNames ReadRecordNames(const RecordView& record);

// All insertion strings of a record; nullopt when they are malformed.
std::optional<std::vector<std::string>> InsertionStrings(const RecordView& record);

// What a record source needs to lay out one record in the legacy form.
struct LegacyRecord {
    std::uint32_t recordNumber = 0;
    std::uint32_t timeGenerated = 0;
    std::uint32_t timeWritten = 0;
    std::uint32_t eventId = 0;
    std::uint16_t eventType = 0;
    std::uint16_t eventCategory = 0;
    std::string sourceName;    // UTF-8
    std::string computerName;  // UTF-8
    std::vector<std::string> strings;  // UTF-8, written as UTF-16
};

// Appends the legacy layout of `record` (padded to 4 bytes, Length at both
// ends, no SID, no data; at most 65535 strings) to `out`; returns its size.
std::size_t EncodeRecord(const LegacyRecord& record, std::vector<std::uint8_t>& out);

}  // namespace tav::seclog

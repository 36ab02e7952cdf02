#include "seclog/event_record.h"

#include <algorithm>

#include "base/bytes.h"
#include "seclog/utf16le.h"

namespace tav::seclog {
namespace {

// Byte offsets inside EVENTLOGRECORD.
enum Field : std::size_t {
    kLength = 0,
    kReserved = 4,
    kRecordNumber = 8,
    kTimeGenerated = 12,
    kTimeWritten = 16,
    kEventId = 20,
    kEventType = 24,
    kNumStrings = 26,
    kEventCategory = 28,
    kStringOffset = 36,
    kUserSidLength = 40,
    kUserSidOffset = 44,
    kDataLength = 48,
    kDataOffset = 52,
};

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.resize(out.size() + 4);
    StoreU32(out.data() + out.size() - 4, value);
}

void AppendTerminatedUtf16(std::string_view utf8, std::vector<std::uint8_t>& out)
{
    AppendUtf16le(utf8, out);
    out.push_back(0);
    out.push_back(0);
}

}  // namespace

WalkStep RecordWalker::Next(RecordView& out)
{
    const std::size_t left = bytes_.size() - position_;
    if (left == 0)
        return WalkStep::End;
    if (left < kRecordHeaderSize)
        return WalkStep::Malformed;
    const std::uint8_t* p = bytes_.data() + position_;
    const std::uint32_t length = LoadU32(p + kLength);
    if (length < kRecordHeaderSize || length > left)
        return WalkStep::Malformed;
    out.bytes = bytes_.subspan(position_, length);
    out.recordNumber = LoadU32(p + kRecordNumber);
    out.timeGenerated = LoadU32(p + kTimeGenerated);
    out.timeWritten = LoadU32(p + kTimeWritten);
    out.eventId = LoadU32(p + kEventId);
    out.numStrings = LoadU16(p + kNumStrings);
    out.stringOffset = LoadU32(p + kStringOffset);
    position_ += length;
    return WalkStep::Record;
}

StringWalker::StringWalker(const RecordView& record)
    : bytes_(record.bytes), position_(record.stringOffset), remaining_(record.numStrings)
{
    // The strings follow the fixed header; an offset outside the record
    // makes them all unreadable.
    if (remaining_ > 0 && (position_ < kRecordHeaderSize || position_ > bytes_.size()))
        malformed_ = true;
}

std::optional<std::span<const std::uint8_t>> StringWalker::NextUtf16()
{
    if (malformed_ || remaining_ == 0)
        return std::nullopt;
    for (std::size_t end = position_; end + 2 <= bytes_.size(); end += 2) {
        if (bytes_[end] == 0 && bytes_[end + 1] == 0) {
            const auto text = bytes_.subspan(position_, end - position_);
            position_ = end + 2;
            --remaining_;
            return text;
        }
    }
    // No terminator before the record ends (an odd last byte included).
    malformed_ = true;
    return std::nullopt;
}

std::optional<std::string> StringWalker::Next()
{
    const auto text = NextUtf16();
    if (!text)
        return std::nullopt;
    return Utf16leToUtf8(*text);
}

RecordNames ReadRecordNames(const RecordView& record)
{
    RecordNames names;
    std::size_t position = kRecordHeaderSize;
    for (std::string* name : {&names.source, &names.computer}) {
        std::size_t end = position;
        while (end + 2 <= record.bytes.size() && (record.bytes[end] != 0 || record.bytes[end + 1] != 0))
            end += 2;
        if (end + 2 > record.bytes.size())
            break;
        *name = Utf16leToUtf8(record.bytes.subspan(position, end - position));
        position = end + 2;
    }
    return names;
}

std::optional<std::vector<std::string>> InsertionStrings(const RecordView& record)
{
    StringWalker walker(record);
    std::vector<std::string> strings;
    strings.reserve(record.numStrings);
    while (auto text = walker.Next())
        strings.push_back(std::move(*text));
    if (walker.Malformed())
        return std::nullopt;
    return strings;
}

std::size_t EncodeRecord(const LegacyRecord& record, std::vector<std::uint8_t>& out)
{
    const std::size_t start = out.size();
    out.resize(start + kRecordHeaderSize);
    AppendTerminatedUtf16(record.sourceName, out);
    AppendTerminatedUtf16(record.computerName, out);
    // No SID: UserSidOffset points where the strings start.
    const std::size_t stringOffset = out.size() - start;
    const std::size_t count = std::min<std::size_t>(record.strings.size(), 0xFFFF);
    for (std::size_t i = 0; i < count; ++i)
        AppendTerminatedUtf16(record.strings[i], out);
    const std::size_t dataOffset = out.size() - start;  // no data
    out.resize(start + (dataOffset + 3) / 4 * 4);
    PutU32(out, 0);  // the closing Length, written below
    const auto length = static_cast<std::uint32_t>(out.size() - start);

    std::uint8_t* p = out.data() + start;
    StoreU32(p + kLength, length);
    StoreU32(p + kReserved, kRecordSignature);
    StoreU32(p + kRecordNumber, record.recordNumber);
    StoreU32(p + kTimeGenerated, record.timeGenerated);
    StoreU32(p + kTimeWritten, record.timeWritten);
    StoreU32(p + kEventId, record.eventId);
    StoreU16(p + kEventType, record.eventType);
    StoreU16(p + kNumStrings, static_cast<std::uint16_t>(count));
    StoreU16(p + kEventCategory, record.eventCategory);
    StoreU32(p + kStringOffset, static_cast<std::uint32_t>(stringOffset));
    StoreU32(p + kUserSidLength, 0);
    StoreU32(p + kUserSidOffset, static_cast<std::uint32_t>(stringOffset));
    StoreU32(p + kDataLength, 0);
    StoreU32(p + kDataOffset, static_cast<std::uint32_t>(dataOffset));
    StoreU32(p + length - 4, length);
    return length;
}

}  // namespace tav::seclog

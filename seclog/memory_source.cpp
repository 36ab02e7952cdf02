#include "seclog/memory_source.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tav::seclog {
namespace {

ReadResult BytesRead(std::size_t written)
{
    ReadResult result;
    result.ok = true;
    result.bytesRead = static_cast<std::uint32_t>(written);
    return result;
}

}  // namespace

void MemoryLog::Add(const LegacyRecord& record)
{
    const std::size_t offset = bytes_.size();
    EncodeRecord(record, bytes_);
    AddUnit(offset);
}

void MemoryLog::AddRaw(std::span<const std::uint8_t> bytes)
{
    const std::size_t offset = bytes_.size();
    bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
    AddUnit(offset);
}

void MemoryLog::AddUnit(std::size_t offset)
{
    Unit unit;
    unit.offset = offset;
    unit.size = static_cast<std::uint32_t>(bytes_.size() - offset);
    // RecordNumber: the little-endian 32 bits at offset 8.
    if (unit.size >= 12) {
        unit.numbered = true;
        for (int i = 3; i >= 0; --i)
            unit.recordNumber = (unit.recordNumber << 8) | bytes_[offset + 8 + i];
    }
    units_.push_back(unit);
}

MemorySource::MemorySource(std::shared_ptr<const MemoryLog> log, ReadFailure failure,
                           std::shared_ptr<std::size_t> closeCounter)
    : log_(std::move(log)),
      failure_(failure),
      closeCounter_(std::move(closeCounter)),
      unread_(log_->Count())
{
}

MemorySource::~MemorySource()
{
    if (closeCounter_)
        ++*closeCounter_;
}

bool MemorySource::FailsNow(ReadResult& result)
{
    ++reads_;
    if (failure_.readIndex == 0 || reads_ != failure_.readIndex)
        return false;
    result = {};
    result.error = failure_.error;
    return true;
}

ReadResult MemorySource::TooLarge(std::size_t index) const
{
    ReadResult result;
    result.error = kErrorInsufficientBuffer;
    result.bytesNeeded = log_->units_[index].size;
    return result;
}

bool MemorySource::CopyUnit(std::size_t index, std::span<std::uint8_t> buffer,
                            std::size_t& written) const
{
    const MemoryLog::Unit& unit = log_->units_[index];
    if (unit.size > buffer.size() - written)
        return false;
    // An empty unit may come from a log or go to a buffer without storage,
    // and memcpy takes no null pointer, not even for no bytes.
    if (unit.size == 0)
        return true;
    std::memcpy(buffer.data() + written, log_->bytes_.data() + unit.offset, unit.size);
    written += unit.size;
    return true;
}

ReadResult MemorySource::ReadNext(std::span<std::uint8_t> buffer)
{
    ReadResult result;
    if (FailsNow(result))
        return result;
    if (unread_ == 0) {
        result.error = kErrorHandleEof;
        return result;
    }
    std::size_t written = 0;
    if (!CopyUnit(unread_ - 1, buffer, written))
        return TooLarge(unread_ - 1);
    --unread_;
    while (unread_ > 0 && CopyUnit(unread_ - 1, buffer, written))
        --unread_;
    return BytesRead(written);
}

ReadResult MemorySource::ReadNextOldestFirst(std::span<std::uint8_t> buffer)
{
    ReadResult result;
    if (FailsNow(result))
        return result;
    const std::size_t count = log_->Count();
    if (readForwards_ == count) {
        result.error = kErrorHandleEof;
        return result;
    }
    std::size_t written = 0;
    if (!CopyUnit(readForwards_, buffer, written))
        return TooLarge(readForwards_);
    while (++readForwards_ < count && CopyUnit(readForwards_, buffer, written)) {
    }
    return BytesRead(written);
}

ReadResult MemorySource::ReadRecord(std::uint32_t recordNumber, std::span<std::uint8_t> buffer)
{
    ReadResult result;
    if (FailsNow(result))
        return result;
    const auto& units = log_->units_;
    const auto found = std::find_if(units.begin(), units.end(), [&](const MemoryLog::Unit& unit) {
        return unit.numbered && unit.recordNumber == recordNumber;
    });
    if (found == units.end()) {
        result.error = kErrorInvalidParameter;
        return result;
    }
    auto index = static_cast<std::size_t>(found - units.begin());
    std::size_t written = 0;
    if (!CopyUnit(index, buffer, written))
        return TooLarge(index);
    while (++index < units.size() && CopyUnit(index, buffer, written)) {
    }
    return BytesRead(written);
}

MemorySourceOpener::MemorySourceOpener(std::shared_ptr<const MemoryLog> log) : log_(std::move(log))
{
}

void MemorySourceOpener::Refuse(std::string server, std::uint32_t error)
{
    refusals_.push_back({std::move(server), error});
}

std::unique_ptr<RecordSource> MemorySourceOpener::Open(const std::string& server,
                                                       const std::string& log,
                                                       std::uint32_t& error)
{
    lastServer_ = server;
    lastLog_ = log;
    for (const Refusal& refusal : refusals_) {
        if (refusal.server == server) {
            error = refusal.error;
            return nullptr;
        }
    }
    ++opens_;
    return std::make_unique<MemorySource>(log_, failure_, closes_);
}

}  // namespace tav::seclog

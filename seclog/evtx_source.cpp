#include "seclog/evtx_source.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string_view>
#include <system_error>

#include "seclog/event_record.h"

namespace tav::seclog {

using evtx::Chunk;
using evtx::ChunkSpan;
using evtx::OpenLogFile;
using evtx::Reader;
using evtx::Record;

namespace {

std::uint32_t RecordNumber(const Record& record)
{
    return static_cast<std::uint32_t>(record.recordId & 0xFFFFFFFFu);
}

// The legacy layout holds times as unsigned 32-bit seconds since 1970.
std::uint32_t LegacyTime(std::int64_t unixSeconds)
{
    return static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(unixSeconds, 0, std::numeric_limits<std::uint32_t>::max()));
}

// Whether the ids a chunk header claims can include one whose low 32 bits
// are `number`; true when the header contradicts itself.
bool MayHold(const ChunkSpan& span, std::uint32_t number)
{
    if (span.lastRecordId < span.firstRecordId || span.lastRecordId - span.firstRecordId >= 0xFFFFFFFFu)
        return true;
    const auto low = static_cast<std::uint32_t>(span.firstRecordId & 0xFFFFFFFFu);
    const auto high = static_cast<std::uint32_t>(span.lastRecordId & 0xFFFFFFFFu);
    return low <= high ? number >= low && number <= high : number >= low || number <= high;
}

ReadResult Failure(std::uint32_t error, std::uint32_t bytesNeeded = 0)
{
    ReadResult result;
    result.error = error;
    result.bytesNeeded = bytesNeeded;
    return result;
}

// A string of the legacy layout ends at its first NUL, where the decoder
// keeps what follows; the window reads the layout's strings, each at its own
// position, whichever way the source hands them over.
std::string_view UpToNul(const std::string& text)
{
    return std::string_view(text).substr(0, text.find('\0'));
}

bool HoldsNul(const std::string& text)
{
    return text.find('\0') != std::string::npos;
}

// `strings`, or when one holds a NUL, their cut copies in `scratch`.
std::span<const std::string> LegacyStrings(const std::vector<std::string>& strings, std::vector<std::string>& scratch)
{
    if (std::none_of(strings.begin(), strings.end(), HoldsNul))
        return strings;
    scratch.clear();
    for (const std::string& text : strings)
        scratch.emplace_back(UpToNul(text));
    return scratch;
}

}  // namespace

// Walks the records of a run of chunks, one chunk decoded at a time, by id
// descending or ascending, and lays each out in the legacy form.
class LegacySource::Cursor {
public:
    // `chunks` (file indexes in walk order) must outlive the cursor.
    Cursor(Reader& reader, std::span<const std::uint64_t> chunks, bool newestFirst)
        : reader_(reader), chunks_(chunks), newestFirst_(newestFirst)
    {
    }

    // Decodes the first chunk and stands before its first record numbered
    // `number`; false when it holds none.
    bool SeekInFirstChunk(std::uint32_t number)
    {
        if (nextChunk_ != 0 || chunks_.empty())
            return false;
        Decode(chunks_[nextChunk_++]);
        for (std::size_t k = 0; k < order_.size() && !reader_.ReadError(); ++k) {
            if (RecordNumber(records_[order_[k]]) == number) {
                nextRecord_ = k;
                return true;
            }
        }
        return false;
    }

    // As many whole records as fit in `buffer`, `pending` (a record laid
    // out but not yet delivered) first. A record that does not fit stays
    // pending.
    ReadResult Fill(std::vector<std::uint8_t>& pending, std::span<std::uint8_t> buffer)
    {
        std::size_t written = 0;
        for (;;) {
            if (pending.empty() && !LayOutNext(pending))
                break;
            if (pending.size() > buffer.size() - written) {
                if (written == 0)
                    return Failure(kErrorInsufficientBuffer, static_cast<std::uint32_t>(pending.size()));
                break;
            }
            std::memcpy(buffer.data() + written, pending.data(), pending.size());
            written += pending.size();
            pending.clear();
        }
        if (written == 0)
            return Failure(reader_.ReadError() ? kErrorReadFault : kErrorHandleEof);
        ReadResult result;
        result.ok = true;
        result.bytesRead = static_cast<std::uint32_t>(written);
        return result;
    }

    // The records left in the chunk at hand, or else in the next one that
    // holds any, to `take` until it answers false.
    ReadResult Hand(const DecodedTake& take)
    {
        const Record* record = Next();
        if (record == nullptr)
            return Failure(reader_.ReadError() ? kErrorReadFault : kErrorHandleEof);
        for (;;) {
            const DecodedRecord decoded{RecordNumber(*record), LegacyTime(record->timeCreated),
                                                record->eventId, LegacyStrings(record->strings, cutStrings_)};
            if (!take(decoded) || nextRecord_ == order_.size())
                break;
            record = &records_[order_[nextRecord_++]];
        }
        ReadResult result;
        result.ok = true;
        return result;
    }

    std::size_t ChunksTaken() const { return nextChunk_; }
    std::size_t ChunkCount() const { return chunks_.size(); }

private:
    // The next record laid out into `out`; false at the end of the chunks
    // or once a file read has failed.
    bool LayOutNext(std::vector<std::uint8_t>& out)
    {
        const Record* record = Next();
        if (record == nullptr)
            return false;
        LayOut(*record, out);
        return true;
    }

    const Record* Next()
    {
        for (;;) {
            if (reader_.ReadError())
                return nullptr;
            if (nextRecord_ < order_.size())
                return &records_[order_[nextRecord_++]];
            if (nextChunk_ == chunks_.size())
                return nullptr;
            Decode(chunks_[nextChunk_++]);
        }
    }

    void Decode(std::uint64_t index)
    {
        order_.clear();
        nextRecord_ = 0;
        if (reader_.LoadChunk(index, chunk_) != Chunk::State::Ok)
            return;
        std::size_t count = 0;
        for (;;) {
            if (count == records_.size())
                records_.emplace_back();
            if (!chunk_.NextRecord(records_[count]))
                break;
            ++count;
        }
        OrderNewestFirst(std::span(records_).first(count), order_);
        if (!newestFirst_)
            std::reverse(order_.begin(), order_.end());
    }

    Reader& reader_;
    std::span<const std::uint64_t> chunks_;
    bool newestFirst_;
    std::size_t nextChunk_ = 0;
    Chunk chunk_;
    std::vector<Record> records_;  // storage reused from chunk to chunk
    std::vector<std::size_t> order_;
    std::size_t nextRecord_ = 0;
    std::vector<std::string> cutStrings_;  // the strings handed over when one held a NUL
};

void LayOut(const Record& record, std::vector<std::uint8_t>& out)
{
    LegacyRecord legacy;
    legacy.recordNumber = RecordNumber(record);
    legacy.timeGenerated = LegacyTime(record.timeCreated);
    legacy.timeWritten = LegacyTime(record.timeWritten);
    legacy.eventId = record.eventId;
    legacy.sourceName = record.provider;
    legacy.computerName = record.computer;
    legacy.strings.reserve(record.strings.size());
    for (const std::string& text : record.strings)
        legacy.strings.emplace_back(UpToNul(text));
    out.clear();
    EncodeRecord(legacy, out);
}

LegacySource::LegacySource(std::unique_ptr<Reader> reader) : reader_(std::move(reader)) {}

LegacySource::~LegacySource() = default;

void LegacySource::KnowChunks()
{
    if (chunksKnown_)
        return;
    chunks_ = reader_->ChunksNewestFirst();
    for (const ChunkSpan& span : chunks_)
        newestFirst_.push_back(span.index);
    oldestFirst_.assign(newestFirst_.rbegin(), newestFirst_.rend());
    chunksKnown_ = true;
}

LegacySource::Cursor& LegacySource::Sequential()
{
    KnowChunks();
    if (!sequential_)
        sequential_ = std::make_unique<Cursor>(*reader_, newestFirst_, true);
    return *sequential_;
}

ReadResult LegacySource::ReadNext(std::span<std::uint8_t> buffer)
{
    return Sequential().Fill(pending_, buffer);
}

ReadResult LegacySource::ReadNextDecoded(const DecodedTake& take)
{
    return Sequential().Hand(take);
}

ReadResult LegacySource::ReadRecord(std::uint32_t recordNumber, std::span<std::uint8_t> buffer)
{
    KnowChunks();
    // The chunks whose headers claim the number first; then the others, as
    // headers of damaged or stale copies can be wrong.
    for (const bool pass : {true, false}) {
        for (std::size_t p = 0; p < oldestFirst_.size(); ++p) {
            if (MayHold(chunks_[chunks_.size() - 1 - p], recordNumber) != pass)
                continue;
            Cursor cursor(*reader_, std::span(oldestFirst_).subspan(p), false);
            if (cursor.SeekInFirstChunk(recordNumber)) {
                std::vector<std::uint8_t> pending;
                return cursor.Fill(pending, buffer);
            }
            if (reader_->ReadError())
                return Failure(kErrorReadFault);
        }
    }
    return Failure(reader_->ReadError() ? kErrorReadFault : kErrorInvalidParameter);
}

double LegacySource::Progress() const
{
    if (!sequential_)
        return 0.0;
    if (sequential_->ChunkCount() == 0)
        return 1.0;
    return static_cast<double>(sequential_->ChunksTaken()) / static_cast<double>(sequential_->ChunkCount());
}

std::unique_ptr<RecordSource> LegacyFileOpener::Open(const std::string& server, const std::string&,
                                                             std::uint32_t& error)
{
    std::unique_ptr<Reader> reader = OpenLogFile(server, error, lastErrorMessage_);
    if (!reader)
        return nullptr;
    return std::make_unique<LegacySource>(std::move(reader));
}

}  // namespace tav::seclog

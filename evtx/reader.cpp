#include "evtx/reader.h"

#include <algorithm>
#include <cstring>
#include <functional>
#include <numeric>
#include <thread>
#include <vector>

#include "base/bytes.h"
#include "evtx/crc32.h"
#include "evtx/file_source.h"

namespace tav::evtx {
namespace {

constexpr std::uint8_t kFileMagic[8] = {'E', 'l', 'f', 'F', 'i', 'l', 'e', 0};
constexpr std::size_t kFileHeaderUsed = 128;

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    bool Failed() const override { return false; }

    std::size_t ReadAt(std::uint64_t offset, std::uint8_t* out, std::size_t size) override
    {
        if (offset >= bytes_.size())
            return 0;
        size = static_cast<std::size_t>(std::min<std::uint64_t>(size, bytes_.size() - offset));
        std::memcpy(out, bytes_.data() + offset, size);
        return size;
    }

private:
    std::span<const std::uint8_t> bytes_;
};

constexpr std::uint32_t kRecordMagic = 0x00002a2a;

}  // namespace

Reader::Reader(std::unique_ptr<ByteSource> source) : source_(std::move(source)) {}

std::unique_ptr<Reader> Reader::Open(const std::filesystem::path& path, Error& error)
{
    std::unique_ptr<ByteSource> source = OpenFileSource(path);
    const std::u8string fileName = path.filename().u8string();
    const std::string name(fileName.begin(), fileName.end());
    if (!source) {
        error = {ErrorCode::CannotOpen, "Cannot open " + name + "."};
        return nullptr;
    }
    return Finish(std::unique_ptr<Reader>(new Reader(std::move(source))), name, error);
}

std::unique_ptr<Reader> Reader::Open(std::span<const std::uint8_t> bytes, Error& error)
{
    return Finish(std::unique_ptr<Reader>(new Reader(std::make_unique<MemorySource>(bytes))), "data", error);
}

std::unique_ptr<Reader> Reader::Open(std::unique_ptr<ByteSource> source, const std::string& name, Error& error)
{
    return Finish(std::unique_ptr<Reader>(new Reader(std::move(source))), name, error);
}

std::unique_ptr<Reader> Reader::Finish(std::unique_ptr<Reader> reader, const std::string& name, Error& error)
{
    if (!reader->ReadHeader(name, error))
        return nullptr;
    error = {};
    return reader;
}

bool Reader::ReadHeader(const std::string& name, Error& error)
{
    std::uint8_t bytes[kFileHeaderUsed];
    const std::size_t got = source_->ReadAt(0, bytes, sizeof bytes);
    if (source_->Failed() && got < source_->Size()) {
        error = {ErrorCode::ReadFailed, "Cannot read " + name + "."};
        return false;
    }
    if (got < sizeof bytes) {
        error = {ErrorCode::TooShort, name + " is too short to be an event log file (.evtx)."};
        return false;
    }
    if (std::memcmp(bytes, kFileMagic, sizeof kFileMagic) != 0) {
        error = {ErrorCode::NotEvtx, name + " is not an event log file (.evtx)."};
        return false;
    }
    header_.firstChunk = LoadU64(bytes + 8);
    header_.lastChunk = LoadU64(bytes + 16);
    header_.nextRecordId = LoadU64(bytes + 24);
    header_.minorVersion = LoadU16(bytes + 36);
    header_.majorVersion = LoadU16(bytes + 38);
    header_.chunkCount = LoadU16(bytes + 42);
    header_.flags = LoadU32(bytes + 120);
    header_.checksumOk = Crc32({bytes, 120}) == LoadU32(bytes + 124);
    // Version 3.2 may say that it writes no checksums; older flags can be garbage.
    options_.noChecksums = header_.minorVersion >= 2 && (header_.flags & 0x4) != 0;
    if (header_.majorVersion != 3) {
        error = {ErrorCode::UnsupportedVersion,
                 name + " is an event log file of version " + std::to_string(header_.majorVersion) + "." +
                     std::to_string(header_.minorVersion) + ", which this program cannot read."};
        return false;
    }
    const std::uint64_t size = source_->Size();
    chunkCount_ = size > kFileHeaderSize ? (size - kFileHeaderSize + kChunkSize - 1) / kChunkSize : 0;
    return true;
}

void Reader::KeepOnlyEvents(std::span<const std::uint16_t> eventIds, StringSet strings)
{
    options_.keepStrings = strings;
    auto keep = std::make_shared<EventIdSet>();
    for (const std::uint16_t id : eventIds)
        keep->set(id);
    options_.keepEvents = std::move(keep);
}

std::size_t Reader::ReadChunks(std::uint64_t index, std::uint8_t* out, std::size_t size) const
{
    return index < chunkCount_ ? source_->ReadAt(kFileHeaderSize + index * kChunkSize, out, size) : 0;
}

Chunk::State Reader::LoadChunk(std::uint64_t index, Chunk& chunk)
{
    return chunk.Parse(chunk.Buffer(), ReadChunks(index, chunk.Buffer(), kChunkSize), &stats_, options_);
}

bool Reader::ForEachRecord(const Visitor& visit)
{
    return Visit(WalkOrder::File, visit);
}

std::vector<ChunkSpan> Reader::ChunksNewestFirst(unsigned threads)
{
    // Each thread reads the headers of a stretch of the file; chunks that are
    // no chunk are set aside and go through LoadChunk, to be counted, after.
    struct Stretch {
        std::vector<ChunkSpan> spans;
        std::vector<std::uint64_t> others;
    };
    const auto scan = [this](std::uint64_t begin, std::uint64_t end, Stretch& out) {
        for (std::uint64_t i = begin; i < end; ++i) {
            std::uint8_t head[kChunkHeaderSize + 16];
            const bool whole = ReadChunks(i, head, sizeof head) == sizeof head;
            if (!whole || !HasChunkMagic(head)) {
                out.others.push_back(i);
                continue;
            }
            const ChunkHeader header = ParseChunkHeader(head);
            const std::uint8_t* first = head + kChunkHeaderSize;
            out.spans.push_back({i, LoadU32(first) == kRecordMagic ? LoadU64(first + 8) : header.firstRecordId,
                                 header.lastRecordId});
        }
    };
    // A thread costs more than the reads of a small log.
    constexpr std::uint64_t kChunksOnOneThread = 1024;
    const std::uint64_t parts = chunkCount_ < kChunksOnOneThread ? 1 : std::max(threads, 1u);
    const auto bound = [&](std::uint64_t part) { return chunkCount_ * part / parts; };
    std::vector<Stretch> stretches(parts);
    {
        std::vector<std::jthread> helpers;
        for (std::uint64_t p = 1; p < parts; ++p)
            helpers.emplace_back(scan, bound(p), bound(p + 1), std::ref(stretches[p]));
        scan(0, bound(1), stretches[0]);
    }
    std::vector<ChunkSpan> order;
    Chunk chunk;
    for (const Stretch& stretch : stretches) {
        order.insert(order.end(), stretch.spans.begin(), stretch.spans.end());
        for (const std::uint64_t i : stretch.others)
            LoadChunk(i, chunk);
    }
    std::sort(order.begin(), order.end(), [](const ChunkSpan& a, const ChunkSpan& b) {
        if (a.firstRecordId != b.firstRecordId)
            return a.firstRecordId > b.firstRecordId;
        return a.index > b.index;
    });
    return order;
}

bool Reader::ForEachRecordNewestFirst(const Visitor& visit)
{
    return Visit(WalkOrder::NewestFirst, visit);
}

std::vector<std::uint64_t> Reader::WalkChunks(WalkOrder order, unsigned threads)
{
    std::vector<std::uint64_t> indexes;
    if (order == WalkOrder::File) {
        indexes.resize(chunkCount_);
        std::iota(indexes.begin(), indexes.end(), std::uint64_t{0});
        return indexes;
    }
    for (const ChunkSpan& span : ChunksNewestFirst(threads))
        indexes.push_back(span.index);
    if (order == WalkOrder::OldestFirst)
        std::reverse(indexes.begin(), indexes.end());
    return indexes;
}

void OrderNewestFirst(std::span<const Record> records, std::vector<std::size_t>& order)
{
    order.resize(records.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return records[a].recordId > records[b].recordId; });
}

}  // namespace tav::evtx

// The chunk-by-chunk walk behind Reader::ForEachRecord*: decoding on the
// machine's cores, visiting in order on the caller's thread.
#include <algorithm>
#include <numeric>
#include <thread>

#include "evtx/ordered_run.h"
#include "evtx/reader.h"

namespace tav::evtx {

void Reader::AddStats(const Stats& part)
{
    stats_.recordsRead += part.recordsRead;
    stats_.recordsUnreadable += part.recordsUnreadable;
    stats_.chunksRead += part.chunksRead;
    stats_.chunksEmpty += part.chunksEmpty;
    stats_.chunksBadMagic += part.chunksBadMagic;
    stats_.chunkHeaderChecksumErrors += part.chunkHeaderChecksumErrors;
    stats_.chunkDataChecksumErrors += part.chunkDataChecksumErrors;
}

std::vector<ChunkRun> RunsOf(std::span<const std::uint64_t> indexes)
{
    std::vector<ChunkRun> runs;
    for (const std::uint64_t index : indexes) {
        ChunkRun* run = runs.empty() || runs.back().count == kChunksPerRead ? nullptr : &runs.back();
        if (run && !run->descending && index == run->first + run->count) {
            ++run->count;
        } else if (run && (run->descending || run->count == 1) && index + 1 == run->first) {
            run->first = index;
            ++run->count;
            run->descending = true;
        } else {
            runs.push_back({index, 1, false});
        }
    }
    return runs;
}

void Reader::Read(const ChunkRun& run, DecodedChunk& out)
{
    const std::size_t size = run.count * kChunkSize;
    if (out.bytes.size() < size)
        out.bytes.resize(size);
    out.got = ReadChunks(run.first, out.bytes.data(), size);
}

void Reader::Decode(const ChunkRun& run, std::uint32_t k, WalkOrder order, DecodedChunk& out)
{
    out.order.clear();
    const std::size_t at = (run.At(k) - run.first) * kChunkSize;
    const std::size_t available = out.got > at ? std::min(out.got - at, kChunkSize) : 0;
    if (out.chunk.Parse(out.bytes.data() + at, available, &out.stats, options_) != Chunk::State::Ok)
        return;
    std::size_t count = 0;
    for (;;) {
        if (count == out.records.size())
            out.records.emplace_back();
        if (!out.chunk.NextRecord(out.records[count]))
            break;
        ++count;
    }
    const std::span<const Record> records = std::span(out.records).first(count);
    switch (order) {
    case WalkOrder::File:
        out.order.resize(count);
        std::iota(out.order.begin(), out.order.end(), std::size_t{0});
        break;
    case WalkOrder::NewestFirst:
        OrderNewestFirst(records, out.order);
        break;
    case WalkOrder::OldestFirst:
        out.order.resize(count);
        std::iota(out.order.begin(), out.order.end(), std::size_t{0});
        std::stable_sort(out.order.begin(), out.order.end(),
                         [&](std::size_t a, std::size_t b) { return records[a].recordId < records[b].recordId; });
        break;
    }
}

bool Reader::Visit(WalkOrder order, const Visitor& visit)
{
    struct Job {
        ChunkRun chunk;
        DecodedChunk decoded;
    };
    const unsigned threads = std::min(2u, std::max(1u, std::thread::hardware_concurrency()));
    const std::vector<std::uint64_t> indexes = WalkChunks(order, threads);
    std::size_t taken = 0;
    bool go = true;
    RunOrdered<Job>(
        threads,
        [&](Job& job) {
            if (taken == indexes.size())
                return false;
            job.chunk = {indexes[taken++]};
            return true;
        },
        [&](Job& job, unsigned) {
            Read(job.chunk, job.decoded);
            Decode(job.chunk, 0, order, job.decoded);
        },
        [&](Job& job) {
            AddStats(job.decoded.stats);
            job.decoded.stats = {};
            for (const std::size_t k : job.decoded.order)
                if (!visit(job.decoded.records[k]))
                    return go = false;
            return true;
        });
    return go && !ReadError();
}

}  // namespace tav::evtx

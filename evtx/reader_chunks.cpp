// The chunk-by-chunk walk behind Reader::ForEachRecord*: decoding on two
// cores, visiting in order on the caller's thread.
#include <algorithm>
#include <condition_variable>
#include <numeric>
#include <thread>

#include "evtx/reader.h"

namespace tav::evtx {

// One chunk and its decoded records.
struct Reader::Batch {
    Chunk chunk;
    std::vector<Record> records;  // storage reused from chunk to chunk
    std::vector<std::size_t> order;
    Stats stats;
};

namespace {

void AddStats(Stats& total, const Stats& part)
{
    total.recordsRead += part.recordsRead;
    total.recordsUnreadable += part.recordsUnreadable;
    total.chunksRead += part.chunksRead;
    total.chunksEmpty += part.chunksEmpty;
    total.chunksBadMagic += part.chunksBadMagic;
    total.chunkHeaderChecksumErrors += part.chunkHeaderChecksumErrors;
    total.chunkDataChecksumErrors += part.chunkDataChecksumErrors;
}

}  // namespace

void Reader::DecodeBatch(std::uint64_t index, bool newestFirst, Batch& batch)
{
    batch.order.clear();
    if (batch.chunk.Parse(ReadChunkBytes(index, batch.chunk), &batch.stats, options_) != Chunk::State::Ok)
        return;
    std::size_t count = 0;
    for (;;) {
        if (count == batch.records.size())
            batch.records.emplace_back();
        if (!batch.chunk.NextRecord(batch.records[count]))
            break;
        ++count;
    }
    if (newestFirst) {
        OrderNewestFirst(std::span(batch.records).first(count), batch.order);
        return;
    }
    batch.order.resize(count);
    std::iota(batch.order.begin(), batch.order.end(), std::size_t{0});
}

bool Reader::VisitBatch(Batch& batch, const Visitor& visit)
{
    AddStats(stats_, batch.stats);
    batch.stats = {};
    for (const std::size_t k : batch.order)
        if (!visit(batch.records[k]))
            return false;
    return true;
}

bool Reader::VisitChunks(const std::vector<std::uint64_t>& indexes, bool newestFirst, const Visitor& visit)
{
    Batch own;
    Batch other;  // filled by the worker: the chunks at odd positions
    const bool parallel = indexes.size() > 1 && std::thread::hardware_concurrency() > 1;
    std::mutex mutex;
    std::condition_variable changed;
    bool otherReady = false;
    bool stop = false;
    std::thread worker;
    if (parallel) {
        worker = std::thread([&] {
            for (std::size_t p = 1; p < indexes.size(); p += 2) {
                {
                    std::unique_lock<std::mutex> lock(mutex);
                    changed.wait(lock, [&] { return stop || !otherReady; });
                    if (stop)
                        return;
                }
                DecodeBatch(indexes[p], newestFirst, other);
                {
                    const std::lock_guard<std::mutex> lock(mutex);
                    otherReady = true;
                }
                changed.notify_all();
            }
        });
    }
    bool go = true;
    for (std::size_t p = 0; p < indexes.size() && go; ++p) {
        if (!parallel || p % 2 == 0) {
            DecodeBatch(indexes[p], newestFirst, own);
            go = VisitBatch(own, visit);
            continue;
        }
        {
            std::unique_lock<std::mutex> lock(mutex);
            changed.wait(lock, [&] { return otherReady; });
        }
        go = VisitBatch(other, visit);
        {
            const std::lock_guard<std::mutex> lock(mutex);
            otherReady = false;
        }
        changed.notify_all();
    }
    if (parallel) {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            stop = true;
        }
        changed.notify_all();
        worker.join();
    }
    return go && !ReadError();
}

}  // namespace tav::evtx

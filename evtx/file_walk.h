// The records of many .evtx files, decoded on several threads and handed to
// the caller's thread file by file, in the order of a walk.
//
//   tav::evtx::FileWalk<Row> walk;
//   walk.threads = 4;
//   walk.order = tav::evtx::WalkOrder::NewestFirst;
//   walk.transform = [](const Record& r, ItemList<Row>& out) { ... };  // on any thread
//   walk.items = [](std::size_t file, std::span<Row> rows, const ChunkRecords& records, double progress) { ... };
//   ... failed, opened, ended
//   tav::evtx::WalkFiles(paths, walk);
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "evtx/item_list.h"
#include "evtx/log_file.h"
#include "evtx/ordered_run.h"
#include "evtx/reader.h"

namespace tav::evtx {

// A record decoded in full (one that names its computer) and where the
// items a transform made of it lie, so that the caller can pass over a
// record it has read before by dropping them.
struct RecordMark {
    std::uint64_t id = 0;  // System/EventRecordID, which copies keep; else the header's
    std::int64_t time = 0;
    std::uint16_t eventId = 0;
    std::uint32_t source = 0;  // in ChunkRecords::sources
    std::uint32_t itemsBegin = 0;
    std::uint32_t itemsEnd = 0;
};

// The marks of a chunk's records (or a live log's), in walk order.
struct ChunkRecords {
    std::vector<RecordMark> marks;
    std::vector<std::string> sources;  // each "computer\nchannel" as the records write them

    void Clear()
    {
        marks.clear();
        sources.clear();
    }
    // Marks `record`, whose items are [begin, end); one not decoded in full
    // (no computer) is left unmarked.
    void Mark(const Record& record, std::size_t begin, std::size_t end)
    {
        if (record.computer.empty())
            return;
        std::string source = record.computer + '\n' + record.channel;
        if (sources.empty() || sources.back() != source)
            sources.push_back(std::move(source));
        marks.push_back({record.eventRecordId != 0 ? record.eventRecordId : record.recordId, record.timeCreated,
                         static_cast<std::uint16_t>(record.eventId & 0xFFFF),
                         static_cast<std::uint32_t>(sources.size() - 1), static_cast<std::uint32_t>(begin),
                         static_cast<std::uint32_t>(end)});
    }
};

// A walk over the records of several files on several threads. The
// callbacks but `transform` run on the caller's thread, file by file in
// the order of the paths, each file's items in the walk's order.
template <class Item>
struct FileWalk {
    unsigned threads = 1;
    WalkOrder order = WalkOrder::File;
    // The event ids the transform wants (Reader::KeepOnlyEvents); empty: all.
    std::span<const std::uint16_t> events;
    // Of those events' insertion strings, the ones the transform reads.
    StringSet strings = kAllStrings;
    // On any of the threads: a record's items added to `out` (none to leave it out).
    std::function<void(const Record&, ItemList<Item>& out)> transform;
    // A file could not be opened (a Windows error and an English message).
    std::function<void(std::size_t file, std::uint32_t error, const std::string& message)> failed;
    // A file is open; its items follow.
    std::function<void(std::size_t file)> opened;
    // Items of one chunk, with the marks of its records; `progress` the
    // share of the file's chunks done.
    std::function<void(std::size_t file, std::span<Item> items, const ChunkRecords& records, double progress)> items;
    // The end of an opened file, read to its end unless reader.ReadError().
    std::function<void(std::size_t file, const Reader& reader)> ended;
};

template <class Item>
void WalkFiles(const std::vector<std::string>& paths, const FileWalk<Item>& walk)
{
    struct Job {
        enum class Kind { Failed, Opened, Chunk, Ended } kind = Kind::Failed;
        std::size_t file = 0;
        std::shared_ptr<Reader> reader;
        std::uint64_t chunk = 0;
        double progress = 0;
        std::uint32_t error = 0;
        std::string message;
        Stats stats;  // of the chunk's decoding
        ItemList<Item> items;
        ChunkRecords records;
    };
    // Where the walk stands: files are opened (their chunk headers read) as
    // their turn comes, so only the files in flight are open.
    std::size_t file = 0;
    std::shared_ptr<Reader> reader;
    std::vector<std::uint64_t> chunks;
    std::size_t position = 0;
    bool ending = false;
    const std::function<bool(Job&)> next = [&](Job& job) {
        job.file = file;
        job.reader = reader;
        if (reader && position < chunks.size()) {
            job.kind = Job::Kind::Chunk;
            job.chunk = chunks[position++];
            job.progress = static_cast<double>(position) / static_cast<double>(chunks.size());
            return true;
        }
        if (ending) {
            job.kind = Job::Kind::Ended;
            ending = false;
            reader.reset();
            ++file;
            return true;
        }
        if (file == paths.size())
            return false;
        job.file = file;
        std::unique_ptr<Reader> opened = OpenLogFile(paths[file], job.error, job.message);
        if (!opened) {
            job.kind = Job::Kind::Failed;
            job.reader.reset();
            ++file;
            return true;
        }
        job.kind = Job::Kind::Opened;
        // Every chunk's data checksum: damage and edits are told, not hidden.
        opened->VerifyDataChecksums();
        if (!walk.events.empty())
            opened->KeepOnlyEvents(walk.events, walk.strings);
        reader = std::move(opened);
        job.reader = reader;
        chunks = reader->WalkChunks(walk.order);
        position = 0;
        ending = true;
        return true;
    };
    // Each thread decodes into storage of its own, reused from chunk to
    // chunk: the records' strings then never move between the threads'
    // heaps, which costs more than decoding them.
    std::vector<DecodedChunk> decodedOn(std::max(walk.threads, 1u));
    const std::function<void(Job&, unsigned)> work = [&](Job& job, unsigned thread) {
        job.items.Clear();
        job.records.Clear();
        if (job.kind != Job::Kind::Chunk)
            return;
        DecodedChunk& decoded = decodedOn[thread];
        job.reader->Decode(job.chunk, walk.order, decoded);
        for (const std::size_t k : decoded.order) {
            const std::size_t begin = job.items.Size();
            walk.transform(decoded.records[k], job.items);
            job.records.Mark(decoded.records[k], begin, job.items.Size());
        }
        job.stats = decoded.stats;
        decoded.stats = {};
    };
    const std::function<bool(Job&)> consume = [&](Job& job) {
        switch (job.kind) {
        case Job::Kind::Failed:
            walk.failed(job.file, job.error, job.message);
            break;
        case Job::Kind::Opened:
            walk.opened(job.file);
            break;
        case Job::Kind::Chunk:
            job.reader->AddStats(job.stats);
            walk.items(job.file, job.items.Items(), job.records, job.progress);
            break;
        case Job::Kind::Ended:
            walk.ended(job.file, *job.reader);
            break;
        }
        job.reader.reset();  // a file closes once its last job is consumed
        return true;
    };
    RunOrdered<Job>(walk.threads, next, work, consume);
}

}  // namespace tav::evtx

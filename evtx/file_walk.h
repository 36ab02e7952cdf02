// The records of many .evtx files, decoded on several threads and handed to
// the caller's thread file by file, in the order of a walk.
//
//   tav::evtx::FileWalk<Row> walk;
//   walk.threads = 4;
//   walk.order = tav::evtx::WalkOrder::NewestFirst;
//   walk.transform = [](const Record& r, ItemList<Row>& out) { ... };  // on any thread
//   walk.items = [](std::size_t file, std::span<Row> rows, double progress) { ... };
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
#include "evtx/legacy_source.h"
#include "evtx/ordered_run.h"
#include "evtx/reader.h"

namespace tav::evtx {

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
    // Items of one chunk; `progress` the share of the file's chunks done.
    std::function<void(std::size_t file, std::span<Item> items, double progress)> items;
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
        if (job.kind != Job::Kind::Chunk)
            return;
        DecodedChunk& decoded = decodedOn[thread];
        job.reader->Decode(job.chunk, walk.order, decoded);
        for (const std::size_t k : decoded.order)
            walk.transform(decoded.records[k], job.items);
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
            walk.items(job.file, job.items.Items(), job.progress);
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

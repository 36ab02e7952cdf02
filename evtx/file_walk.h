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
#include <mutex>
#include <span>
#include <string>
#include <string_view>
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

// What the marks of one source hold: the spans of their ids and times, and
// their event ids, sorted. A caller that finds nothing it knows inside
// these needs no record's own mark.
struct MarkSpan {
    std::uint64_t low = 0, high = 0;
    std::int64_t earliest = 0, latest = 0;
    std::vector<std::uint16_t> events;
};

// The marks of a chunk's records (or a live log's), in walk order.
struct ChunkRecords {
    std::vector<RecordMark> marks;
    std::vector<std::string> sources;  // each "computer\nchannel" as the records write them
    std::vector<MarkSpan> spans;       // of each source's marks

    void Clear()
    {
        marks.clear();
        sources.clear();
        spans.clear();
    }
    // Marks `record`, whose items are [begin, end); one not decoded in full
    // (no computer) is left unmarked.
    void Mark(const Record& record, std::size_t begin, std::size_t end)
    {
        if (record.computer.empty())
            return;
        const std::uint64_t id = record.eventRecordId != 0 ? record.eventRecordId : record.recordId;
        const auto eventId = static_cast<std::uint16_t>(record.eventId & 0xFFFF);
        // Most records are of the source of the one before: no string built for them.
        const std::string_view last = sources.empty() ? std::string_view() : std::string_view(sources.back());
        if (last.size() != record.computer.size() + 1 + record.channel.size() || !last.starts_with(record.computer) ||
            last[record.computer.size()] != '\n' || !last.ends_with(record.channel)) {
            sources.push_back(record.computer + '\n' + record.channel);
            spans.push_back({id, id, record.timeCreated, record.timeCreated, {}});
        }
        MarkSpan& span = spans.back();
        span.low = std::min(span.low, id);
        span.high = std::max(span.high, id);
        span.earliest = std::min(span.earliest, record.timeCreated);
        span.latest = std::max(span.latest, record.timeCreated);
        if (const auto at = std::lower_bound(span.events.begin(), span.events.end(), eventId);
            at == span.events.end() || *at != eventId)
            span.events.insert(at, eventId);
        marks.push_back({id, record.timeCreated, eventId, static_cast<std::uint32_t>(sources.size() - 1),
                         static_cast<std::uint32_t>(begin), static_cast<std::uint32_t>(end)});
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

// The state of one WalkFiles: where it stands in the files, and what each
// thread decodes into.
template <class Item>
class FileWalker {
public:
    struct Job {
        enum class Kind { Failed, Opened, Chunk, Ended } kind = Kind::Failed;
        std::size_t file = 0;
        std::shared_ptr<Reader> reader;
        ChunkRun chunks;
        double progress = 0;
        std::uint32_t error = 0;
        std::string message;
        Stats stats;  // of the chunks' decoding
        // What the transform made of the chunks: on memory the thread that
        // works the job filled before.
        struct Made {
            ItemList<Item> items;
            ChunkRecords records;
        } made;
        unsigned thread = 0;  // that made it
    };

    FileWalker(const std::vector<std::string>& paths, const FileWalk<Item>& walk)
        : paths_(paths), walk_(walk), decodedOn_(std::max(walk.threads, 1u)), spareOf_(decodedOn_.size())
    {
    }

    // The next job, under the run's lock: a chunk of the open file, its end,
    // or the next file opened (its chunk headers read) as its turn comes, so
    // that only the files in flight are open.
    bool Next(Job& job)
    {
        job.file = file_;
        job.reader = reader_;
        if (reader_ && position_ < chunks_.size()) {
            job.kind = Job::Kind::Chunk;
            job.chunks = chunks_[position_++];
            job.progress = static_cast<double>(position_) / static_cast<double>(chunks_.size());
            return true;
        }
        if (ending_) {
            job.kind = Job::Kind::Ended;
            ending_ = false;
            reader_.reset();
            ++file_;
            return true;
        }
        if (file_ == paths_.size())
            return false;
        std::unique_ptr<Reader> opened = OpenLogFile(paths_[file_], job.error, job.message);
        if (!opened) {
            job.kind = Job::Kind::Failed;
            job.reader.reset();
            ++file_;
            return true;
        }
        job.kind = Job::Kind::Opened;
        // Every chunk's data checksum: damage and edits are told, not hidden.
        opened->VerifyDataChecksums();
        if (!walk_.events.empty())
            opened->KeepOnlyEvents(walk_.events, walk_.strings);
        reader_ = std::move(opened);
        job.reader = reader_;
        chunks_ = RunsOf(reader_->WalkChunks(walk_.order, walk_.threads));
        position_ = 0;
        ending_ = true;
        return true;
    }

    // On any thread: a run of chunks decoded, their records through the transform.
    void Work(Job& job, unsigned thread)
    {
        if (job.kind != Job::Kind::Chunk)
            return;
        {
            const std::lock_guard<std::mutex> lock(spareLock_);
            std::vector<typename Job::Made>& spare = spareOf_[thread];
            if (!spare.empty()) {
                job.made = std::move(spare.back());
                spare.pop_back();
            }
        }
        ItemList<Item>& items = job.made.items;
        ChunkRecords& records = job.made.records;
        items.Clear();
        items.input = job.file;
        records.Clear();
        job.thread = thread;
        DecodedChunk& decoded = decodedOn_[thread];
        job.reader->Read(job.chunks, decoded);
        for (std::uint32_t chunk = 0; chunk < job.chunks.count; ++chunk) {
            job.reader->Decode(job.chunks, chunk, walk_.order, decoded);
            for (const std::size_t k : decoded.order) {
                const std::size_t begin = items.Size();
                walk_.transform(decoded.records[k], items);
                records.Mark(decoded.records[k], begin, items.Size());
            }
        }
        job.stats = decoded.stats;
        decoded.stats = {};
    }

    // On the caller's thread, in order.
    bool Consume(Job& job)
    {
        switch (job.kind) {
        case Job::Kind::Failed:
            walk_.failed(job.file, job.error, job.message);
            break;
        case Job::Kind::Opened:
            walk_.opened(job.file);
            break;
        case Job::Kind::Chunk: {
            job.reader->AddStats(job.stats);
            walk_.items(job.file, job.made.items.Items(), job.made.records, job.progress);
            const std::lock_guard<std::mutex> lock(spareLock_);
            spareOf_[job.thread].push_back(std::move(job.made));
            break;
        }
        case Job::Kind::Ended:
            walk_.ended(job.file, *job.reader);
            break;
        }
        job.reader.reset();  // a file closes once its last job is consumed
        return true;
    }

private:
    const std::vector<std::string>& paths_;
    const FileWalk<Item>& walk_;
    std::size_t file_ = 0;
    std::shared_ptr<Reader> reader_;
    std::vector<ChunkRun> chunks_;
    std::size_t position_ = 0;
    bool ending_ = false;
    // Each thread decodes into storage of its own, reused from chunk to
    // chunk: the records' strings then never move between the threads'
    // heaps, which costs more than decoding them.
    std::vector<DecodedChunk> decodedOn_;
    // What each thread made, back for it to fill again once consumed:
    // memory written by one core and then by the other moves between their
    // caches, which doubles what the transform costs.
    std::mutex spareLock_;
    std::vector<std::vector<typename Job::Made>> spareOf_;
};

template <class Item>
void WalkFiles(const std::vector<std::string>& paths, const FileWalk<Item>& walk)
{
    using Job = typename FileWalker<Item>::Job;
    FileWalker<Item> walker(paths, walk);
    RunOrdered<Job>(
        walk.threads, [&](Job& job) { return walker.Next(job); },
        [&](Job& job, unsigned thread) { walker.Work(job, thread); }, [&](Job& job) { return walker.Consume(job); });
}

}  // namespace tav::evtx

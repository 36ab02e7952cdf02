#include "cli/record_merge.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>

#include "base/terminal_events.h"
#include "cli/commands.h"
#include "cli/files.h"
#include "sessions/security_events.h"

namespace tav::cli {
namespace {

// A record as a scratch file holds it: numbers, texts, and of its strings
// the count and those with text, by position (the rules take only some).
void Append(std::string& out, const evtx::Record& r)
{
    AppendNumber(out, r.recordId);
    AppendNumber(out, r.eventRecordId);
    AppendNumber(out, static_cast<std::uint64_t>(r.timeCreated));
    AppendNumber(out, static_cast<std::uint64_t>(r.timeWritten));
    AppendNumber(out, r.createdTicks);
    AppendNumber(out, r.worked);
    AppendNumber(out, r.eventId);
    AppendText(out, r.provider);
    AppendText(out, r.channel);
    AppendText(out, r.computer);
    AppendNumber(out, r.strings.size());
    const auto filled = static_cast<std::uint64_t>(
        std::count_if(r.strings.begin(), r.strings.end(), [](const std::string& text) { return !text.empty(); }));
    AppendNumber(out, filled);
    for (std::size_t i = 0; i < r.strings.size(); ++i) {
        if (r.strings[i].empty())
            continue;
        AppendNumber(out, i);
        AppendText(out, r.strings[i]);
    }
}

bool Read(ScratchReader& in, evtx::Record& r)
{
    std::uint64_t created = 0, written = 0, eventId = 0, count = 0, filled = 0;
    if (!in.U64(r.recordId) || !in.U64(r.eventRecordId) || !in.U64(created) || !in.U64(written) ||
        !in.U64(r.createdTicks) || !in.U64(r.worked) || !in.U64(eventId) || !in.Text(r.provider) ||
        !in.Text(r.channel) || !in.Text(r.computer) || !in.U64(count) || !in.U64(filled) || filled > count)
        return false;
    r.timeCreated = static_cast<std::int64_t>(created);
    r.timeWritten = static_cast<std::int64_t>(written);
    r.eventId = static_cast<std::uint32_t>(eventId);
    r.strings.resize(static_cast<std::size_t>(count));
    for (std::string& text : r.strings)
        text.clear();
    for (std::uint64_t i = 0; i < filled; ++i) {
        std::uint64_t at = 0;
        if (!in.U64(at) || at >= count || !in.Text(r.strings[static_cast<std::size_t>(at)]))
            return false;
    }
    return true;
}

}  // namespace

int ChannelRank(const std::string& channel)
{
    static const char* const kOrder[] = {terminal::kSystemChannel, "Security", terminal::kConnectionChannel,
                                         terminal::kSessionChannel};
    for (int rank = 0; rank < 4; ++rank)
        if (channel == kOrder[rank])
            return rank;
    return 4;
}

struct RecordMerge::Input {
    std::string name;
    std::unique_ptr<ScratchFile> file;  // the records before those held
    std::uint64_t spilled = 0;
    std::string held;  // the records after them, as the file holds them
    std::uint64_t heldCount = 0;
};

// The key of the computer that an input's records name, kept while they
// name the same one (the names of one input's records mostly are).
struct RecordMerge::ComputerKeys {
    std::string name;
    std::string key;
    bool made = false;

    const std::string& Of(const std::string& computer)
    {
        if (!made || computer != name) {
            name = computer;
            key = sessions::ComputerKey(computer);
            made = true;
        }
        return key;
    }
};

// What orders a record among those of its time beyond the record itself,
// worked out once a record: its channel's rank, its input, and its
// computer's key when it comes to that.
struct RecordMerge::Place {
    int rank = 0;
    std::size_t input = 0;
    ComputerKeys* keys;

    Place(const evtx::Record& record, std::size_t of, ComputerKeys& computerKeys)
        : rank(ChannelRank(record.channel)), input(of), keys(&computerKeys)
    {
    }
    const std::string& Key(const evtx::Record& record) const { return keys->Of(record.computer); }
};

// An input's next record: first those in its file, then those held.
struct RecordMerge::Stream {
    Input* input;
    std::size_t number;  // its input's
    std::unique_ptr<ScratchReader> reader;   // of the file
    std::unique_ptr<ScratchReader> memory;   // of the records held
    std::uint64_t read = 0;
    evtx::Record head;
    std::optional<Place> place;  // of head
    std::unique_ptr<ComputerKeys> keys = std::make_unique<ComputerKeys>();
    bool failed = false;  // a record could not be read back
};

// The streams' records in merged order, made on a thread of its own and
// handed over in batches through a short queue, each batch's storage
// reused: reading back and ordering leave the thread of the rules. Only
// that thread touches the streams and the heap while it runs.
class RecordMerge::Ahead {
public:
    explicit Ahead(RecordMerge& merge)
        : merge_(merge), spare_(kBatches), keys_(merge.inputs_.size()), thread_([this] { Produce(); })
    {
    }
    ~Ahead()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }
    Ahead(const Ahead&) = delete;
    Ahead& operator=(const Ahead&) = delete;

    // As RecordMerge::Peek; `failed` when a record could not be read back.
    bool Peek(const evtx::Record*& record, const Place*& place, bool& failed)
    {
        while (at_ == current_.count) {
            if (current_.last) {
                failed = current_.failed;
                return false;
            }
            std::unique_lock<std::mutex> lock(mutex_);
            spare_.push_back(std::move(current_));
            changed_.notify_all();
            changed_.wait(lock, [this] { return !full_.empty(); });
            current_ = std::move(full_.front());
            full_.pop_front();
            at_ = 0;
            place_.reset();
        }
        record = &current_.records[at_];
        if (!place_)
            place_.emplace(*record, current_.inputs[at_], keys_[current_.inputs[at_]]);
        place = &*place_;
        return true;
    }
    void Next()
    {
        ++at_;
        place_.reset();
    }

private:
    static constexpr std::size_t kBatches = 4;
    static constexpr std::size_t kBatchRecords = 256;
    struct Batch {
        std::vector<evtx::Record> records;
        std::vector<std::size_t> inputs;  // each record's
        std::size_t count = 0;
        bool last = false;    // no batch follows
        bool failed = false;  // the record after these could not be read back
    };

    void Produce()
    {
        std::vector<std::size_t>& heap = merge_.heap_;
        const auto later = merge_.HeapOrder();
        for (bool last = false; !last;) {
            Batch batch;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock, [this] { return stop_ || !spare_.empty(); });
                if (stop_)
                    return;
                batch = std::move(spare_.back());
                spare_.pop_back();
            }
            batch.count = 0;
            while (batch.count < kBatchRecords && !heap.empty() && !batch.failed) {
                std::pop_heap(heap.begin(), heap.end(), later);
                Stream& stream = merge_.streams_[heap.back()];
                if (batch.records.size() == batch.count) {
                    batch.records.emplace_back();
                    batch.inputs.emplace_back();
                }
                // The head goes in the batch; the batch's record, with its storage, takes the next.
                std::swap(batch.records[batch.count], stream.head);
                batch.inputs[batch.count++] = stream.number;
                if (Advance(stream)) {
                    std::push_heap(heap.begin(), heap.end(), later);
                } else {
                    batch.failed = stream.failed;
                    heap.pop_back();
                }
            }
            last = batch.last = heap.empty() || batch.failed;
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                full_.push_back(std::move(batch));
            }
            changed_.notify_all();
        }
    }

    RecordMerge& merge_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Batch> full_;     // made, in order
    std::vector<Batch> spare_;   // for the thread to fill
    bool stop_ = false;
    Batch current_;              // being visited
    std::size_t at_ = 0;
    std::optional<Place> place_;     // of current_'s record at_
    std::vector<ComputerKeys> keys_;  // by input, for the places made here
    std::thread thread_;             // last: starts once the rest is made
};

RecordMerge::RecordMerge(Visit visit, bool ahead, std::size_t memoryBudget)
    : visit_(std::move(visit)), ahead_(ahead), budget_(memoryBudget), lastKeys_(std::make_unique<ComputerKeys>())
{
}

RecordMerge::~RecordMerge() = default;

void RecordMerge::BeginInput(const std::string& name, bool last)
{
    inputs_.push_back(std::make_unique<Input>());
    inputs_.back()->name = name;
    streaming_ = last;
}

bool RecordMerge::Add(evtx::Record&& record, std::string& error)
{
    if (failed_)
        return false;
    if (streaming_) {
        if (!opened_ && !OpenStreams(error))
            return false;
        // Once the other inputs are all visited, a record costs no comparison.
        if (!drained_ && !VisitBefore(&record, error))
            return false;
        visit_(record);
        return true;
    }
    Input& input = *inputs_.back();
    // The memory the bytes take, room to grow included.
    const std::size_t before = input.held.capacity();
    Append(input.held, record);
    ++input.heldCount;
    held_ += input.held.capacity() - before;
    return held_ <= budget_ || Spill(error);
}

bool RecordMerge::Spill(std::string& error)
{
    for (const std::unique_ptr<Input>& input : inputs_) {
        if (input->held.empty())
            continue;
        if (!input->file) {
            input->file = ScratchFile::Create(error);
            if (!input->file)
                return false;
        }
        if (!input->file->Write(input->held.data(), input->held.size())) {
            error = "cannot write a temporary file: the disk may be full";
            return false;
        }
        input->spilled += input->heldCount;
        input->heldCount = 0;
        // Its storage goes too: kept, each input's would add up over many inputs.
        std::string().swap(input->held);
    }
    held_ = 0;
    return true;
}

bool RecordMerge::OpenStreams(std::string& error)
{
    opened_ = true;
    // The last input, when it goes on as it comes, has no stream.
    const std::size_t count = inputs_.size() - (streaming_ ? 1 : 0);
    for (std::size_t i = 0; i < count; ++i) {
        Input* input = inputs_[i].get();
        Stream& stream = streams_.emplace_back(Stream{input, i, nullptr});
        if (input->file) {
            if (!input->file->Rewind()) {
                error = "cannot read back a temporary file";
                return !(failed_ = true);
            }
            stream.reader = std::make_unique<ScratchReader>(*input->file);
        }
        stream.memory = std::make_unique<ScratchReader>(input->held);
        if (Advance(stream))
            heap_.push_back(i);
        failed_ = failed_ || stream.failed;
    }
    if (failed_) {
        error = "cannot read back a temporary file";
        return false;
    }
    std::make_heap(heap_.begin(), heap_.end(), HeapOrder());
    if (ahead_ && !heap_.empty())
        merged_ = std::make_unique<Ahead>(*this);
    return true;
}

bool RecordMerge::Advance(Stream& s)
{
    if (s.read == s.input->spilled + s.input->heldCount)
        return false;
    ScratchReader& in = s.read < s.input->spilled ? *s.reader : *s.memory;
    ++s.read;
    if (!Read(in, s.head)) {
        s.failed = true;
        return false;
    }
    s.place.emplace(s.head, s.number, *s.keys);
    return true;
}

bool RecordMerge::After(const evtx::Record& x, const Place& px, const evtx::Record& y, const Place& py) const
{
    if (x.createdTicks != y.createdTicks)
        return x.createdTicks > y.createdTicks;
    if (px.rank != py.rank)
        return px.rank > py.rank;
    if (x.recordId != y.recordId)
        return x.recordId > y.recordId;
    if (const std::string &keyX = px.Key(x), &keyY = py.Key(y); keyX != keyY)
        return keyX > keyY;
    if (const std::string &nameX = inputs_[px.input]->name, &nameY = inputs_[py.input]->name; nameX != nameY)
        return nameX > nameY;
    return px.input > py.input;
}

bool RecordMerge::Later(std::size_t a, std::size_t b) const
{
    return After(streams_[a].head, *streams_[a].place, streams_[b].head, *streams_[b].place);
}

bool RecordMerge::Peek(const evtx::Record*& record, const Place*& place)
{
    if (merged_) {
        bool failed = false;
        const bool more = merged_->Peek(record, place, failed);
        failed_ = failed_ || failed;
        return more;
    }
    if (heap_.empty())
        return false;
    const Stream& stream = streams_[heap_.front()];
    record = &stream.head;
    place = &*stream.place;
    return true;
}

void RecordMerge::Next()
{
    if (merged_) {
        merged_->Next();
        return;
    }
    const auto later = HeapOrder();
    std::pop_heap(heap_.begin(), heap_.end(), later);
    Stream& stream = streams_[heap_.back()];
    if (Advance(stream)) {
        std::push_heap(heap_.begin(), heap_.end(), later);
    } else {
        failed_ = failed_ || stream.failed;
        heap_.pop_back();
    }
}

bool RecordMerge::VisitBefore(const evtx::Record* record, std::string& error)
{
    const std::optional<Place> place =
        record ? std::optional<Place>(std::in_place, *record, inputs_.size() - 1, *lastKeys_) : std::nullopt;
    const evtx::Record* head = nullptr;
    const Place* at = nullptr;
    while (!failed_) {
        if (!Peek(head, at)) {
            drained_ = true;
            break;
        }
        if (record != nullptr && After(*head, *at, *record, *place))
            break;
        visit_(*head);
        Next();
    }
    if (failed_)
        error = "cannot read back a temporary file";
    return !failed_;
}

bool RecordMerge::Finish(std::string& error)
{
    if (failed_)
        return false;
    if (!opened_ && !OpenStreams(error))
        return false;
    const bool visited = VisitBefore(nullptr, error);
    merged_.reset();
    inputs_.clear();
    streams_.clear();
    return visited;
}

void RuleFeed::Files(std::size_t count)
{
    files_ = count;
    if (count > 1)
        merge_ = std::make_unique<RecordMerge>(rules_, threads_ > 1);
}

void RuleFeed::BeginInput(const std::string& name)
{
    if (merge_)
        merge_->BeginInput(name, ++begun_ == files_);
}

void RuleFeed::Add(evtx::Record&& record)
{
    if (!merge_)
        rules_(record);
    else if (error_.empty())
        merge_->Add(std::move(record), error_);
}

bool RuleFeed::Finish(const Run& run)
{
    if (merge_ && error_.empty())
        merge_->Finish(error_);
    merge_.reset();
    if (!error_.empty())
        run.Error(error_);
    return error_.empty();
}

}  // namespace tav::cli

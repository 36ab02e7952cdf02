// The records of several logs as one stream: the next record is the
// earliest of each log's next (ties: System, Security,
// RemoteConnectionManager, LocalSessionManager, then the lower record
// number), so that the records of one computer's logs meet in time while
// each log keeps its own order, clock jumps and all. Memory stays bounded:
// beyond a budget, the records wait in scratch files. With `ahead`, the
// records that waited are read back and merged on a thread of their own,
// ahead of the visits.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "evtx/record.h"

namespace tav::cli {

class ScratchFile;
struct Run;

class RecordMerge {
public:
    using Visit = std::function<void(const evtx::Record&)>;
    explicit RecordMerge(Visit visit, bool ahead = false, std::size_t memoryBudget = std::size_t{16} << 20);
    ~RecordMerge();
    RecordMerge(const RecordMerge&) = delete;
    RecordMerge& operator=(const RecordMerge&) = delete;

    // The records of a new input follow, in its order; `name` breaks the
    // ties of records alike in all else, whatever the order of the inputs.
    // The records of the `last` input go on as they come, each after the
    // records of the inputs before that come first: when the largest log
    // is read last they never wait.
    void BeginInput(const std::string& name, bool last);
    // False and `error` when a scratch file cannot be written or read back.
    bool Add(evtx::Record&& record, std::string& error);
    // Visits the records that wait; false and `error` when a scratch file
    // cannot be read back.
    bool Finish(std::string& error);

private:
    struct Input;
    struct ComputerKeys;
    struct Place;
    struct Stream;
    class Ahead;
    bool Spill(std::string& error);
    // The inputs' records from here on come through their streams (merged
    // ahead, when the merge does that).
    bool OpenStreams(std::string& error);
    // False at the stream's end, or when it cannot be read back.
    static bool Advance(Stream& stream);
    // Whether record x, standing at px, comes after y at py.
    bool After(const evtx::Record& x, const Place& px, const evtx::Record& y, const Place& py) const;
    // Whether stream a's head comes after stream b's.
    bool Later(std::size_t a, std::size_t b) const;
    // Later as the heap's order.
    auto HeapOrder() const
    {
        return [this](std::size_t a, std::size_t b) { return Later(a, b); };
    }
    // The earliest record waiting and its place, visited then passed with
    // Next; false when none is left (or one could not be read back).
    bool Peek(const evtx::Record*& record, const Place*& place);
    void Next();
    // Visits the records that wait and come before `record` of the last
    // input; all of them when `record` is null.
    bool VisitBefore(const evtx::Record* record, std::string& error);

    Visit visit_;
    bool ahead_;
    std::size_t budget_;
    std::size_t held_ = 0;  // bytes of the records in memory, roughly
    std::vector<std::unique_ptr<Input>> inputs_;
    std::vector<Stream> streams_;
    std::vector<std::size_t> heap_;  // of streams_, the earliest head on top
    std::unique_ptr<Ahead> merged_;  // the streams merged on their own thread
    std::unique_ptr<ComputerKeys> lastKeys_;  // of the last input's records, as they come
    bool streaming_ = false;         // the last input's records go on as they come
    bool opened_ = false;            // the streams are open
    bool drained_ = false;           // and all their records visited
    bool failed_ = false;
};

// The records for rules that must see a computer's logs in time order:
// with one file as they come, with several after the merge.
class RuleFeed {
public:
    using Rules = std::function<void(const evtx::Record&)>;
    // `threads`: of the run; with more than one, the merge reads ahead.
    RuleFeed(Rules rules, unsigned threads) : rules_(std::move(rules)), threads_(threads) {}

    // How many files will be read.
    void Files(std::size_t count);
    // A file opened; they open in the order of the files.
    void BeginInput(const std::string& name);
    // Its storage may be taken.
    void Add(evtx::Record&& record);
    // What waits for the merge, to the rules; false, said on standard
    // error, when a scratch file failed.
    bool Finish(const Run& run);

private:
    Rules rules_;
    unsigned threads_;
    std::unique_ptr<RecordMerge> merge_;
    std::size_t files_ = 0;
    std::size_t begun_ = 0;
    std::string error_;
};

// Where a record's channel stands among records of the same time.
int ChannelRank(const std::string& channel);

}  // namespace tav::cli

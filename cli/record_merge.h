// The records of several logs as one stream: the next record is the
// earliest of each log's next (ties: System, Security,
// RemoteConnectionManager, LocalSessionManager, then the lower record
// number), so that the records of one computer's logs meet in time while
// each log keeps its own order, clock jumps and all. Memory stays bounded:
// beyond a budget, the records wait in scratch files.
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
class ScratchWriter;
struct Run;

class RecordMerge {
public:
    explicit RecordMerge(std::size_t memoryBudget = std::size_t{16} << 20);
    ~RecordMerge();
    RecordMerge(const RecordMerge&) = delete;
    RecordMerge& operator=(const RecordMerge&) = delete;

    // The records of a new input follow, in its order; `name` breaks the
    // ties of records alike in all else, whatever the order of the inputs.
    void BeginInput(const std::string& name);
    // False and `error` when a scratch file cannot be written.
    bool Add(evtx::Record&& record, std::string& error);
    // Every record, merged; false and `error` when a scratch file cannot be
    // read back.
    bool ForEach(const std::function<void(const evtx::Record&)>& visit, std::string& error);

private:
    struct Input;
    bool Spill(std::string& error);

    std::size_t budget_;
    std::size_t held_ = 0;  // bytes of the records in memory, roughly
    std::vector<std::unique_ptr<Input>> inputs_;
};

// The records for rules that must see a computer's logs in time order:
// with one file as they come, with several after the merge.
class RuleFeed {
public:
    using Rules = std::function<void(const evtx::Record&)>;
    explicit RuleFeed(Rules rules) : rules_(std::move(rules)) {}

    // How many files will be read.
    void Files(std::size_t count);
    void BeginInput(const std::string& name);
    // Its storage may be taken.
    void Add(evtx::Record&& record);
    // What waits for the merge, to the rules; false, said on standard
    // error, when a scratch file failed.
    bool Finish(const Run& run);

private:
    Rules rules_;
    std::unique_ptr<RecordMerge> merge_;
    std::string error_;
};

// Where a record's channel stands among records of the same time.
int ChannelRank(const std::string& channel);

}  // namespace tav::cli

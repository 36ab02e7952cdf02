// The rows of a command held for output in an order of their own, in
// bounded memory: up to a budget in memory, beyond it in sorted runs in
// scratch files that are merged when the rows are written. So a log of any
// size lists its sessions newest first without holding them all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tav::cli {

// Rows come out by group ascending, then time descending, then tie
// ascending, then record descending; equal keys in the order they went in.
struct SpoolKey {
    std::uint64_t group = 0;
    std::int64_t time = 0;
    std::uint64_t record = 0;
    std::string tie;
};

class ScratchFile;

class RowSpool {
public:
    explicit RowSpool(std::size_t memoryBudget = std::size_t{16} << 20);
    ~RowSpool();
    RowSpool(const RowSpool&) = delete;
    RowSpool& operator=(const RowSpool&) = delete;

    // False and `error` when a temporary file cannot be written.
    bool Add(const SpoolKey& key, std::vector<std::string> cells, std::string& error);
    std::size_t Count() const { return count_; }
    // The widest text of each column so far, in characters.
    const std::vector<std::size_t>& Widths() const { return widths_; }

    // Every row in order; false and `error` when a temporary file cannot be read.
    bool ForEach(const std::function<void(const std::vector<std::string>&)>& visit, std::string& error);

private:
    struct Row {
        SpoolKey key;
        std::uint64_t sequence = 0;  // keeps equal keys in their order
        std::vector<std::string> cells;
    };
    bool Spill(std::string& error);

    std::size_t budget_;
    std::size_t held_ = 0;  // bytes of the rows in memory, roughly
    std::size_t count_ = 0;
    std::vector<Row> rows_;
    std::vector<std::unique_ptr<ScratchFile>> runs_;
    std::vector<std::size_t> widths_;
};

}  // namespace tav::cli

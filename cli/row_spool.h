// The rows of a command held for output in an order of their own, in
// bounded memory: up to a budget in memory, beyond it in sorted runs in
// scratch files that are merged when the rows are written. So a log of any
// size lists its sessions newest first without holding them all.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
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
    bool Add(const SpoolKey& key, const std::vector<std::string>& cells, std::string& error);
    std::size_t Count() const { return count_; }
    // The widest text of each column so far, in characters.
    const std::vector<std::size_t>& Widths() const { return widths_; }

    // After the last Add, the rows in order, one a call, each appended to
    // `cells` as a scratch file holds it (its count of cells, then each
    // text; ReadRowCells reads them back): false after the last, or with
    // `error` when a temporary file cannot be read. A row is only copied
    // here, so that the caller can read its cells on other threads.
    bool Next(std::string& cells, std::string& error);

private:
    // A row in memory: its key but the tie, and where its tie and cells lie
    // in held_, as a scratch file holds them (one string for all the rows:
    // few allocations, and a spill writes them as they are).
    struct Row {
        std::uint64_t group = 0;
        std::int64_t time = 0;
        std::uint64_t record = 0;
        std::uint64_t sequence = 0;  // keeps equal keys in their order
        std::size_t at = 0;
        std::size_t size = 0;
        std::uint32_t tieAt = 0;  // from `at`
        std::uint32_t tieSize = 0;
    };
    struct Run;
    std::string_view Bytes(const Row& row) const { return std::string_view(held_).substr(row.at, row.size); }
    std::string_view Tie(const Row& row) const { return std::string_view(held_).substr(row.at + row.tieAt, row.tieSize); }
    // A row's cells, which follow its tie.
    static std::string_view Cells(std::string_view bytes, const Row& row)
    {
        return bytes.substr(row.tieAt + row.tieSize, row.size - row.tieAt - row.tieSize);
    }
    bool Before(const Row& a, std::string_view tieA, const Row& b, std::string_view tieB) const;
    void SortHeld();
    bool Spill(std::string& error);
    bool StartReading(std::string& error);
    // A run's next row, false after its last.
    bool ReadHead(Run& run);
    // Whether run a's next row comes after run b's.
    bool Later(std::size_t a, std::size_t b) const;

    std::size_t budget_;
    std::size_t count_ = 0;
    std::string held_;
    std::vector<Row> rows_;
    std::vector<Run> runs_;
    std::vector<std::size_t> widths_;
    // Reading: the runs' merge, the rows held among them.
    bool reading_ = false;
    std::size_t next_ = 0;            // the next row of rows_ to read
    std::vector<std::size_t> heap_;   // of the runs, by their next row
    std::size_t read_ = 0;            // rows read back from the runs
};

class ScratchReader;

// The next row's cells as RowSpool::Next appends them, as views of the
// reader's bytes (held in memory); false when they do not read back.
bool ReadRowCells(ScratchReader& in, std::vector<std::string_view>& cells);

}  // namespace tav::cli

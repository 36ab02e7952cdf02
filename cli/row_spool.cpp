#include "cli/row_spool.h"

#include <algorithm>
#include <queue>

#include "base/codepage.h"
#include "cli/files.h"

namespace tav::cli {
namespace {

// What a row costs in memory beyond its texts.
constexpr std::size_t kRowOverhead = 96;
constexpr std::size_t kCellOverhead = 32;

struct Before {
    template <typename Row>
    bool operator()(const Row& a, const Row& b) const
    {
        if (a.key.group != b.key.group)
            return a.key.group < b.key.group;
        if (a.key.time != b.key.time)
            return a.key.time > b.key.time;
        if (a.key.tie != b.key.tie)
            return a.key.tie < b.key.tie;
        if (a.key.record != b.key.record)
            return a.key.record > b.key.record;
        return a.sequence < b.sequence;
    }
};

}  // namespace

RowSpool::RowSpool(std::size_t memoryBudget) : budget_(memoryBudget) {}

RowSpool::~RowSpool() = default;

bool RowSpool::Add(const SpoolKey& key, std::vector<std::string> cells, std::string& error)
{
    if (widths_.size() < cells.size())
        widths_.resize(cells.size());
    std::size_t bytes = kRowOverhead + key.tie.size();
    for (std::size_t c = 0; c < cells.size(); ++c) {
        widths_[c] = std::max(widths_[c], Utf8Length(cells[c]));
        bytes += cells[c].size() + kCellOverhead;
    }
    rows_.push_back({key, count_++, std::move(cells)});
    held_ += bytes;
    return held_ <= budget_ || Spill(error);
}

bool RowSpool::Spill(std::string& error)
{
    std::stable_sort(rows_.begin(), rows_.end(), Before{});
    std::unique_ptr<ScratchFile> file = ScratchFile::Create(error);
    if (!file)
        return false;
    ScratchWriter out(*file);
    for (const Row& row : rows_) {
        out.U64(row.key.group);
        out.U64(static_cast<std::uint64_t>(row.key.time));
        out.U64(row.key.record);
        out.U64(row.sequence);
        out.Text(row.key.tie);
        out.U64(row.cells.size());
        for (const std::string& cell : row.cells)
            out.Text(cell);
    }
    if (!out.Flush()) {
        error = "cannot write a temporary file: the disk may be full";
        return false;
    }
    runs_.push_back(std::move(file));
    rows_.clear();
    held_ = 0;
    return true;
}

bool RowSpool::ForEach(const std::function<void(const std::vector<std::string>&)>& visit, std::string& error)
{
    if (runs_.empty()) {
        std::stable_sort(rows_.begin(), rows_.end(), Before{});
        for (const Row& row : rows_)
            visit(row.cells);
        return true;
    }
    if (!rows_.empty() && !Spill(error))
        return false;
    // Each run's next row; the merge takes the first of them in turn.
    std::vector<ScratchReader> inputs;
    std::vector<Row> heads(runs_.size());
    const auto readRow = [&](std::size_t run) {
        ScratchReader& in = inputs[run];
        Row& row = heads[run];
        std::uint64_t time = 0;
        std::uint64_t cells = 0;
        if (!in.U64(row.key.group) || !in.U64(time) || !in.U64(row.key.record) || !in.U64(row.sequence) || !in.Text(row.key.tie) ||
            !in.U64(cells))
            return false;
        row.key.time = static_cast<std::int64_t>(time);
        row.cells.resize(cells);
        for (std::string& cell : row.cells)
            if (!in.Text(cell))
                return false;
        return true;
    };
    const auto later = [&](std::size_t a, std::size_t b) { return Before{}(heads[b], heads[a]); };
    std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> next(later);
    for (std::size_t run = 0; run < runs_.size(); ++run) {
        if (!runs_[run]->Rewind()) {
            error = "cannot read back a temporary file";
            return false;
        }
        inputs.emplace_back(*runs_[run]);
    }
    for (std::size_t run = 0; run < runs_.size(); ++run)
        if (readRow(run))
            next.push(run);
    std::size_t visited = 0;
    while (!next.empty()) {
        const std::size_t run = next.top();
        next.pop();
        visit(heads[run].cells);
        ++visited;
        if (readRow(run))
            next.push(run);
    }
    if (visited != count_) {
        error = "cannot read back the temporary files";
        return false;
    }
    return true;
}

}  // namespace tav::cli

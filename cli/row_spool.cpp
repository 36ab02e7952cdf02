#include "cli/row_spool.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>

#include "base/codepage.h"
#include "cli/files.h"

namespace tav::cli {

bool ReadRowCells(ScratchReader& in, std::vector<std::string_view>& cells)
{
    std::uint64_t count = 0;
    if (!in.U64(count) || count > std::numeric_limits<std::uint32_t>::max())
        return false;
    cells.resize(static_cast<std::size_t>(count));
    for (std::string_view& cell : cells)
        if (!in.View(cell))
            return false;
    return true;
}

// A sorted run in a scratch file, or the rows still held in memory, and,
// while the runs are merged, its next row.
struct RowSpool::Run {
    std::unique_ptr<ScratchFile> file;  // none: the rows held
    std::optional<ScratchReader> in;
    Row head;
    std::string_view bytes;  // of the head
    std::string read;        // the head's bytes, read from the file

    std::string_view Tie() const { return bytes.substr(head.tieAt, head.tieSize); }
};

RowSpool::RowSpool(std::size_t memoryBudget) : budget_(memoryBudget) {}

RowSpool::~RowSpool() = default;

bool RowSpool::Before(const Row& a, std::string_view tieA, const Row& b, std::string_view tieB) const
{
    if (a.group != b.group)
        return a.group < b.group;
    if (a.time != b.time)
        return a.time > b.time;
    if (tieA != tieB)
        return tieA < tieB;
    if (a.record != b.record)
        return a.record > b.record;
    return a.sequence < b.sequence;
}

bool RowSpool::Add(const SpoolKey& key, const std::vector<std::string>& cells, std::string& error)
{
    if (widths_.size() < cells.size())
        widths_.resize(cells.size());
    // The budget's room at the first row: growing by copies would touch
    // every page again at each doubling; unused room is never touched.
    if (rows_.capacity() == 0) {
        held_.reserve(budget_ / 4 * 3);
        rows_.reserve(budget_ / 4 / sizeof(Row));
    }
    Row row{key.group, key.time, key.record, count_++, held_.size(), 0, 0, static_cast<std::uint32_t>(key.tie.size())};
    AppendText(held_, key.tie);
    row.tieAt = static_cast<std::uint32_t>(held_.size() - row.at - key.tie.size());
    AppendNumber(held_, cells.size());
    for (std::size_t c = 0; c < cells.size(); ++c) {
        widths_[c] = std::max(widths_[c], Utf8Length(cells[c]));
        AppendText(held_, cells[c]);
    }
    row.size = held_.size() - row.at;
    rows_.push_back(row);
    return held_.size() + rows_.size() * sizeof(Row) <= budget_ || Spill(error);
}

void RowSpool::SortHeld()
{
    const auto before = [&](const Row& a, const Row& b) { return Before(a, Tie(a), b, Tie(b)); };
    // Rows that come in their order (a list in the order of the log) stay as they are.
    if (!std::is_sorted(rows_.begin(), rows_.end(), before))
        std::sort(rows_.begin(), rows_.end(), before);
}

bool RowSpool::Spill(std::string& error)
{
    SortHeld();
    std::unique_ptr<ScratchFile> file = ScratchFile::Create(error);
    if (!file)
        return false;
    Run& run = runs_.emplace_back();
    run.file = std::move(file);
    ScratchWriter out(*run.file);
    for (const Row& row : rows_) {
        out.U64(row.group);
        out.U64(static_cast<std::uint64_t>(row.time));
        out.U64(row.record);
        out.U64(row.sequence);
        out.U64(row.tieAt);
        out.U64(row.tieSize);
        out.U64(row.size);
        out.Bytes(Bytes(row));
    }
    if (!out.Flush()) {
        error = "cannot write a temporary file: the disk may be full";
        return false;
    }
    rows_.clear();
    held_.clear();
    return true;
}

bool RowSpool::StartReading(std::string& error)
{
    reading_ = true;
    // The rows held are merged from memory, as a run of their own (with no
    // run spilled, the only one).
    SortHeld();
    runs_.emplace_back();
    for (Run& run : runs_) {
        if (run.file && !run.file->Rewind()) {
            error = "cannot read back a temporary file";
            return false;
        }
        if (run.file)
            run.in.emplace(*run.file);
    }
    for (std::size_t r = 0; r < runs_.size(); ++r)
        if (ReadHead(runs_[r]))
            heap_.push_back(r);
    std::make_heap(heap_.begin(), heap_.end(), [&](std::size_t a, std::size_t b) { return Later(a, b); });
    return true;
}

bool RowSpool::Next(std::string& cells, std::string& error)
{
    if (!reading_ && !StartReading(error))
        return false;
    const auto later = [&](std::size_t a, std::size_t b) { return Later(a, b); };
    if (heap_.empty()) {
        if (read_ != count_)
            error = "cannot read back the temporary files";
        return false;
    }
    std::pop_heap(heap_.begin(), heap_.end(), later);
    Run& run = runs_[heap_.back()];
    cells.append(Cells(run.bytes, run.head));
    ++read_;
    if (ReadHead(run))
        std::push_heap(heap_.begin(), heap_.end(), later);
    else
        heap_.pop_back();
    return true;
}

bool RowSpool::ReadHead(Run& run)
{
    if (!run.file) {
        if (next_ == rows_.size())
            return false;
        run.head = rows_[next_++];
        run.bytes = Bytes(run.head);
        return true;
    }
    Row& head = run.head;
    std::uint64_t time = 0;
    std::uint64_t tieAt = 0;
    std::uint64_t tieSize = 0;
    std::uint64_t size = 0;
    if (!run.in->U64(head.group) || !run.in->U64(time) || !run.in->U64(head.record) || !run.in->U64(head.sequence) ||
        !run.in->U64(tieAt) || !run.in->U64(tieSize) || !run.in->U64(size) || tieAt + tieSize > size ||
        size > std::uint64_t{1} << 32)
        return false;
    head.time = static_cast<std::int64_t>(time);
    head.tieAt = static_cast<std::uint32_t>(tieAt);
    head.tieSize = static_cast<std::uint32_t>(tieSize);
    head.size = static_cast<std::size_t>(size);
    run.read.resize(head.size);
    run.bytes = run.read;
    return run.in->Bytes(run.read.data(), run.read.size());
}

bool RowSpool::Later(std::size_t a, std::size_t b) const
{
    return Before(runs_[b].head, runs_[b].Tie(), runs_[a].head, runs_[a].Tie());
}

}  // namespace tav::cli

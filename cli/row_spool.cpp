#include "cli/row_spool.h"

#include <algorithm>
#include <fstream>
#include <queue>
#include <random>

#include "base/codepage.h"

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
        if (a.key.record != b.key.record)
            return a.key.record > b.key.record;
        return a.sequence < b.sequence;
    }
};

void PutU64(std::ostream& out, std::uint64_t value)
{
    char bytes[8];
    for (int i = 0; i < 8; ++i)
        bytes[i] = static_cast<char>(value >> (8 * i));
    out.write(bytes, 8);
}

bool GetU64(std::istream& in, std::uint64_t& value)
{
    unsigned char bytes[8];
    if (!in.read(reinterpret_cast<char*>(bytes), 8))
        return false;
    value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | bytes[i];
    return true;
}

// A file no other process uses, readable by this user alone.
std::filesystem::path FreshRunPath()
{
    static std::random_device random;
    std::error_code error;
    const std::filesystem::path folder = std::filesystem::temp_directory_path(error);
    for (;;) {
        const std::uint64_t name = (std::uint64_t{random()} << 32) ^ random();
        std::filesystem::path path = folder / ("tavelin-" + std::to_string(name) + ".rows");
        if (!std::filesystem::exists(path, error))
            return path;
    }
}

}  // namespace

RowSpool::RowSpool(std::size_t memoryBudget) : budget_(memoryBudget) {}

RowSpool::~RowSpool()
{
    for (const std::filesystem::path& run : runs_) {
        std::error_code ignored;
        std::filesystem::remove(run, ignored);
    }
}

bool RowSpool::Add(const SpoolKey& key, std::vector<std::string> cells, std::string& error)
{
    if (widths_.size() < cells.size())
        widths_.resize(cells.size());
    std::size_t bytes = kRowOverhead;
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
    const std::filesystem::path path = FreshRunPath();
    std::ofstream out(path, std::ios::binary);
    std::error_code ignored;
    std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write,
                                 ignored);
    runs_.push_back(path);
    for (const Row& row : rows_) {
        PutU64(out, row.key.group);
        PutU64(out, static_cast<std::uint64_t>(row.key.time));
        PutU64(out, row.key.record);
        PutU64(out, row.sequence);
        PutU64(out, row.cells.size());
        for (const std::string& cell : row.cells) {
            PutU64(out, cell.size());
            out.write(cell.data(), static_cast<std::streamsize>(cell.size()));
        }
    }
    out.close();
    if (!out) {
        error = "cannot write the temporary file " + path.string();
        return false;
    }
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
    std::vector<std::ifstream> inputs;
    std::vector<Row> heads(runs_.size());
    const auto readRow = [&](std::size_t run) {
        std::istream& in = inputs[run];
        Row& row = heads[run];
        std::uint64_t time = 0;
        std::uint64_t cells = 0;
        if (!GetU64(in, row.key.group) || !GetU64(in, time) || !GetU64(in, row.key.record) ||
            !GetU64(in, row.sequence) || !GetU64(in, cells))
            return false;
        row.key.time = static_cast<std::int64_t>(time);
        row.cells.resize(cells);
        for (std::string& cell : row.cells) {
            std::uint64_t size = 0;
            if (!GetU64(in, size))
                return false;
            cell.resize(size);
            if (!in.read(cell.data(), static_cast<std::streamsize>(size)))
                return false;
        }
        return true;
    };
    const auto later = [&](std::size_t a, std::size_t b) { return Before{}(heads[b], heads[a]); };
    std::priority_queue<std::size_t, std::vector<std::size_t>, decltype(later)> next(later);
    for (std::size_t run = 0; run < runs_.size(); ++run) {
        inputs.emplace_back(runs_[run], std::ios::binary);
        if (readRow(run))
            next.push(run);
    }
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
        error = "cannot read back the temporary files in " + runs_.front().parent_path().string();
        return false;
    }
    return true;
}

}  // namespace tav::cli

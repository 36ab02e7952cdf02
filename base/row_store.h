// Rows of a result list: a caption (first column) and the texts of the
// further columns, all held as UTF-8 text by the program. The list control
// only shows them (owner-data), so filling, sorting and repainting large
// lists costs no per-row window work.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tav {

struct ResultRow {
    std::string caption;
    std::vector<std::string> subItems;

    // Column 0 is the caption, column k the sub-item k - 1; a column the row
    // does not have reads as empty text.
    const std::string& Text(std::size_t column) const;
};

class RowStore {
public:
    // Storage grows by at least this many rows at a time.
    static constexpr std::size_t kReserveStep = 1000;

    void Append(ResultRow row);
    void Clear();
    std::size_t Count() const { return rows_.size(); }
    const ResultRow& Row(std::size_t index) const { return rows_.at(index); }
    void SetCaption(std::size_t index, std::string caption);

    // In-place access for code that re-orders the rows (column sort).
    std::vector<ResultRow>& Rows() { return rows_; }
    const std::vector<ResultRow>& Rows() const { return rows_; }

private:
    std::vector<ResultRow> rows_;
};

}  // namespace tav

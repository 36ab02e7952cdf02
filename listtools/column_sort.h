// A click on a column header of a result list: sort by that column,
// ascending on the first click, descending on the second, and so on.
#pragma once

#include "listtools/sort_rows.h"

#include <array>

namespace tav {

inline constexpr std::size_t kSortableColumns = 9;

// One per list, so a click on one list leaves the other list's directions.
struct ListSortState {
    // Per column index: the next click on it sorts descending.
    std::array<bool, kSortableColumns> SortDescending{};
};

// Sorts the rows by the column (0 = caption, as ResultRow::Text), then flips
// the column's direction, even when there is nothing to re-order. A column
// at or beyond kSortableColumns is ignored.
void SortOnColumnClick(ListSortState& state, std::vector<ResultRow>& rows, std::size_t column,
                       SortKind kind, const TextCompare& compareText, const DateParser& parse);

}  // namespace tav

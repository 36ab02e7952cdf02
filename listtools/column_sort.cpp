#include "listtools/column_sort.h"

namespace tav {

void SortOnColumnClick(ListSortState& state, std::vector<ResultRow>& rows, std::size_t column,
                       SortKind kind, const TextCompare& compareText, const DateParser& parse)
{
    if (column >= kSortableColumns)
        return;
    bool& descending = state.SortDescending[column];
    SortRows(rows, column, kind, descending, compareText, parse);
    descending = !descending;
}

}  // namespace tav

// The column sort the program uses on its result lists.
#pragma once

#include "listtools/list_compare.h"

namespace tav {

// Sorts the rows by a column (0 = caption, as ResultRow::Text) into exactly
// the order of SortRowsByComparison: stable, rows that compare equal keep
// their order in either direction. Each date text is read once per sort, not
// once per comparison, and the rows are moved into place, their texts never
// copied.
void SortRows(std::vector<ResultRow>& rows, std::size_t column, SortKind kind, bool descending,
              const TextCompare& compareText, const DateParser& parse);

}  // namespace tav

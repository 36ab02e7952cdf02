#include "base/row_store.h"

#include <algorithm>
#include <utility>

namespace tav {

const std::string& ResultRow::Text(std::size_t column) const
{
    static const std::string empty;
    if (column == 0)
        return caption;
    return column - 1 < subItems.size() ? subItems[column - 1] : empty;
}

void RowStore::Append(ResultRow row)
{
    // At least a step of rows at a time, doubling beyond, so that appending
    // stays linear for 100,000 rows.
    if (rows_.size() == rows_.capacity())
        rows_.reserve(std::max(kReserveStep, rows_.size() * 2));
    rows_.push_back(std::move(row));
}

void RowStore::Clear()
{
    rows_.clear();
    rows_.shrink_to_fit();
}

void RowStore::SetCaption(std::size_t index, std::string caption)
{
    rows_.at(index).caption = std::move(caption);
}

}  // namespace tav

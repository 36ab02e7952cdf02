#include "listtools/sort_rows.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace tav {
namespace {

template <typename Key>
struct KeyedRow {
    Key key;
    std::size_t index;
};

template <typename Key>
std::vector<KeyedRow<Key>> KeysOf(const std::vector<ResultRow>& rows, std::size_t column,
                                  const auto& keyOfText)
{
    std::vector<KeyedRow<Key>> keyed;
    keyed.reserve(rows.size());
    for (std::size_t i = 0; i < rows.size(); ++i)
        keyed.push_back({keyOfText(rows[i].Text(column)), i});
    return keyed;
}

// The same test as the reference order's "CompareListItems < 0", whose
// descending result is the negated comparison.
template <typename Key>
void SortKeys(std::vector<KeyedRow<Key>>& keyed, bool descending, const auto& compare)
{
    std::stable_sort(keyed.begin(), keyed.end(),
                     [&](const KeyedRow<Key>& a, const KeyedRow<Key>& b) {
                         const int result = compare(a.key, b.key);
                         return descending ? result > 0 : result < 0;
                     });
}

template <typename Key>
void MoveIntoOrder(std::vector<ResultRow>& rows, const std::vector<KeyedRow<Key>>& keyed)
{
    std::vector<ResultRow> sorted;
    sorted.reserve(rows.size());
    for (const KeyedRow<Key>& entry : keyed)
        sorted.push_back(std::move(rows[entry.index]));
    rows = std::move(sorted);
}

}  // namespace

void SortRows(std::vector<ResultRow>& rows, std::size_t column, SortKind kind, bool descending,
              const TextCompare& compareText, const DateParser& parse)
{
    if (rows.size() < 2)
        return;
    if (kind == SortKind::DateTime) {
        auto keyed = KeysOf<ParsedDateTime>(
            rows, column, [&](std::string_view text) { return ParseDateTimeText(text, parse); });
        SortKeys(keyed, descending, CompareParsedDateTimes);
        MoveIntoOrder(rows, keyed);
    } else {
        // The views point into the rows, which stay in place until the move.
        auto keyed = KeysOf<std::string_view>(rows, column,
                                              [](std::string_view text) { return text; });
        SortKeys(keyed, descending, compareText);
        MoveIntoOrder(rows, keyed);
    }
}

}  // namespace tav

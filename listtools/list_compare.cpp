#include "listtools/list_compare.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <string>

namespace tav {
namespace {

const std::string& TextAtPosition(const ResultRow& row, int position)
{
    static const std::string empty;
    if (position < -1)
        return empty;
    return row.Text(static_cast<std::size_t>(position + 1));
}

// Only the sign counts, so negating never overflows.
int SignOf(int value)
{
    return (value > 0) - (value < 0);
}

// Columns beyond any row's width all read as empty text, so clamping keeps
// the order while the position stays an int.
int PositionOfColumn(std::size_t column)
{
    return static_cast<int>(std::min<std::size_t>(column, INT_MAX)) - 1;
}

}  // namespace

ParsedDateTime ParseDateTimeText(std::string_view text, const DateParser& parse)
{
    const std::optional<DateTime> value = parse(text);
    if (!value || !std::isfinite(*value))
        return {};
    return {*value, DateTimeToUnixMilliseconds(*value), true};
}

int CompareListItems(const ResultRow& a, const ResultRow& b, int position, SortKind kind,
                     bool descending, const TextCompare& compareText, const DateParser& parse)
{
    const std::string& textA = TextAtPosition(a, position);
    const std::string& textB = TextAtPosition(b, position);
    const int result = kind == SortKind::DateTime
        ? CompareParsedDateTimes(ParseDateTimeText(textA, parse), ParseDateTimeText(textB, parse))
        : SignOf(compareText(textA, textB));
    return descending ? -result : result;
}

void SortRowsByComparison(std::vector<ResultRow>& rows, std::size_t column, SortKind kind,
                          bool descending, const TextCompare& compareText,
                          const DateParser& parse)
{
    const int position = PositionOfColumn(column);
    std::stable_sort(rows.begin(), rows.end(), [&](const ResultRow& a, const ResultRow& b) {
        return CompareListItems(a, b, position, kind, descending, compareText, parse) < 0;
    });
}

}  // namespace tav

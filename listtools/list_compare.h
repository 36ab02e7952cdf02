// How two rows of a result list compare on one column: as text or as
// date-times. The comparison of texts and the reading of dates come from the
// caller, so this code stays portable: the Win32 side passes the user
// locale's word sort and the regional date parser.
#pragma once

#include "base/datetime.h"
#include "base/row_store.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

namespace tav {

// The enumerator reads as the column's kind; being scoped, it cannot clash
// with the DateTime type, which GCC's -Wshadow still reports.
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
#endif
enum class SortKind { Text, DateTime };
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif

// Below zero, zero or above zero as the first text sorts before, with or
// after the second.
using TextCompare = std::function<int(std::string_view, std::string_view)>;
// nullopt when the text is not a date-time.
using DateParser = std::function<std::optional<DateTime>(std::string_view)>;

// A date text as read for sorting; a text that is no date reads as 0.
// Values before day 0 do not order as doubles (-1.25, 06:00, is earlier than
// -1.75, 18:00), so the key is the instant in milliseconds.
struct ParsedDateTime {
    DateTime value = 0;
    std::int64_t instant = DateTimeToUnixMilliseconds(0);
    bool parsed = false;
};

// A parser's non-finite result counts as no date, so that every key orders.
ParsedDateTime ParseDateTimeText(std::string_view text, const DateParser& parse);

// Two dates that both failed to parse are equal; otherwise the instants
// compare, an unparsed one counting as 0: 1 when a is later than b, 0 when
// equal, -1 otherwise. Inline: the sort's inner loop.
constexpr int CompareParsedDateTimes(const ParsedDateTime& a, const ParsedDateTime& b)
{
    if (!a.parsed && !b.parsed)
        return 0;
    return (a.instant > b.instant) - (a.instant < b.instant);
}

// The comparison behind a column sort. position -1 is the caption, otherwise
// the sub-item index; a position the row does not have reads as empty text.
// Returns -1, 0 or 1, negated when descending.
int CompareListItems(const ResultRow& a, const ResultRow& b, int position, SortKind kind,
                     bool descending, const TextCompare& compareText, const DateParser& parse);

// Stable sort of the rows by a column (0 = caption, as ResultRow::Text)
// through CompareListItems, reading both dates again in every comparison.
// The plain reference order that SortRows reproduces faster.
void SortRowsByComparison(std::vector<ResultRow>& rows, std::size_t column, SortKind kind,
                          bool descending, const TextCompare& compareText,
                          const DateParser& parse);

}  // namespace tav

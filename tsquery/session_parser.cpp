#include "tsquery/session_parser.h"

#include <array>
#include <cstddef>
#include <string_view>

#include "tsquery/line_columns.h"

namespace tav::tsquery {
namespace {

constexpr std::size_t kNotFound = std::string_view::npos;

// The working values a marker line sets; they stay until the next such line.
enum Field : std::size_t { kDate, kUser, kAddress, kFieldCount };

struct Marker {
    std::string_view text;
    std::size_t valueColumn;  // where the copy starts
    std::size_t extraCount;   // added to (line length - marker column)
    Field field;
    bool addsRow;
};

// Checked in this order on every line; a line may hold several. All but the
// first end in a colon.
constexpr std::array<Marker, 5> kMarkers = {{
    {"TimeCreated", 14, 1, kDate, false},
    {"User:", 21, 0, kUser, false},
    {"Пользователь:", 29, 0, kUser, false},
    {"Source Network Address:", 39, 0, kAddress, true},
    {"Адрес сети источника:", 37, 0, kAddress, true},
}};
constexpr std::size_t kFirstColonMarker = 1;

using MarkerOffsets = std::array<std::size_t, kMarkers.size()>;

// The byte offset of each marker's first occurrence in `line`, or kNotFound.
// The markers that end in a colon are tried only where the line has a colon:
// one pass over few places instead of a search per marker through every
// blank and every Cyrillic letter. For markers of fixed length the first
// colon that ends one is also where its first occurrence begins.
void FindMarkers(std::string_view line, MarkerOffsets& offsets)
{
    offsets.fill(kNotFound);
    offsets[0] = line.find(kMarkers[0].text);
    std::size_t missing = kMarkers.size() - kFirstColonMarker;
    for (std::size_t colon = line.find(':'); colon != kNotFound && missing != 0;
         colon = line.find(':', colon + 1)) {
        const std::size_t end = colon + 1;
        for (std::size_t m = kFirstColonMarker; m < kMarkers.size(); ++m) {
            const std::string_view text = kMarkers[m].text;
            if (offsets[m] != kNotFound || end < text.size())
                continue;
            if (line.substr(end - text.size(), text.size()) == text) {
                offsets[m] = end - text.size();
                --missing;
            }
        }
    }
}

using WorkingValues = std::array<std::string, kFieldCount>;

ResultRow MakeRow(const WorkingValues& values)
{
    ResultRow row;
    row.caption = values[kDate];
    row.subItems.reserve(2);
    row.subItems.push_back(values[kUser]);
    row.subItems.push_back(values[kAddress]);
    return row;
}

}  // namespace

int ParseSessionOutput(const RawOutputBuffer& buffer, const RowSink& addRow,
                       const ErrorSink& onError)
{
    int rows = 0;
    try {
        WorkingValues values;
        LineColumns columns;
        MarkerOffsets offsets;
        for (std::size_t i = 0; i < buffer.Count(); ++i) {
            const std::string_view line = buffer.Line(i);
            FindMarkers(line, offsets);
            bool measured = false;
            for (std::size_t m = 0; m < kMarkers.size(); ++m) {
                if (offsets[m] == kNotFound)
                    continue;
                if (!measured) {
                    columns.Reset(line);
                    measured = true;
                }
                const Marker& marker = kMarkers[m];
                const std::size_t count =
                    columns.Length() - columns.ColumnAt(offsets[m]) + marker.extraCount;
                values[marker.field].assign(columns.Copy(marker.valueColumn, count));
                if (marker.addsRow) {
                    addRow(MakeRow(values));
                    ++rows;
                }
            }
        }
    } catch (...) {
        onError(kParseErrorText);
    }
    return rows;
}

}  // namespace tav::tsquery

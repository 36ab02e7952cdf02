#include "tsquery/session_parser.h"

#include <array>
#include <cstddef>
#include <string_view>
#include <utility>

#include "tsquery/line_columns.h"

namespace tav::tsquery {
namespace {

// The working values a marker line sets; they stay until the next such line.
enum Field : std::size_t { kDate, kUser, kAddress, kFieldCount };

struct Marker {
    std::string_view text;
    std::size_t valueColumn;  // where the copy starts
    std::size_t extraCount;   // added to (line length - marker column)
    Field field;
    bool addsRow;
};

// Checked in this order on every line; a line may hold several.
constexpr std::array<Marker, 5> kMarkers = {{
    {"TimeCreated", 14, 1, kDate, false},
    {"User:", 21, 0, kUser, false},
    {"Пользователь:", 29, 0, kUser, false},
    {"Source Network Address:", 39, 0, kAddress, true},
    {"Адрес сети источника:", 37, 0, kAddress, true},
}};

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
        for (std::size_t i = 0; i < buffer.Count(); ++i) {
            const std::string_view line = buffer.Line(i);
            bool measured = false;
            for (const Marker& marker : kMarkers) {
                const std::size_t at = line.find(marker.text);
                if (at == std::string_view::npos)
                    continue;
                if (!measured) {
                    columns.Reset(line);
                    measured = true;
                }
                const std::size_t count = columns.Length() - columns.ColumnAt(at) + marker.extraCount;
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

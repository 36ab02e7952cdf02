#include "cli/row_output.h"

#include <algorithm>

#include "base/codepage.h"
#include "listtools/csv_export.h"

namespace tav::cli {
namespace {

std::vector<std::size_t> Columns(std::span<const std::size_t> columns)
{
    return {columns.begin(), columns.end()};
}

void AppendPadded(std::string& out, const std::string& text, std::size_t width)
{
    out += text;
    out.append(width - std::min(width, Utf8Length(text)), ' ');
}

}  // namespace

const ListShape& LogonList()
{
    static const ListShape shape{{"ID", "Date", "User Name", "Logon From", "Connection Type"},
                                 Columns(kWorkstationCsvColumns),
                                 {"id", "date", "user", "from", "type"},
                                 true};
    return shape;
}

const ListShape& SessionList()
{
    static const ListShape shape{
        {"Date", "User Name", "Login From"}, Columns(kTerminalServerCsvColumns), {"date", "user", "address"}, false};
    return shape;
}

const ListShape& StringList()
{
    static const ListShape shape{{"Index", "String"}, {1}, {"index", "string"}, true};
    return shape;
}

void AppendTableLine(std::string& out, const std::vector<std::string>& cells, const std::vector<std::size_t>& widths)
{
    const std::size_t start = out.size();
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c + 1 < cells.size()) {
            AppendPadded(out, cells[c], widths[c]);
            out += "  ";
        } else {
            out += cells[c];
        }
    }
    // No blanks at the end of a line whose last columns are empty.
    const std::size_t end = out.find_last_not_of(' ');
    out.resize(end == std::string::npos || end < start ? start : end + 1);
    out += '\n';
}

std::string TableText(const ListShape& shape, const std::vector<ResultRow>& rows)
{
    const std::size_t columns = shape.captions.size();
    std::vector<std::size_t> widths(columns);
    for (std::size_t c = 0; c < columns; ++c) {
        widths[c] = Utf8Length(shape.captions[c]);
        for (const ResultRow& row : rows)
            widths[c] = std::max(widths[c], Utf8Length(row.Text(c)));
    }
    std::string text;
    AppendTableLine(text, shape.captions, widths);
    std::vector<std::string> cells(columns);
    for (const ResultRow& row : rows) {
        for (std::size_t c = 0; c < columns; ++c)
            cells[c] = row.Text(c);
        AppendTableLine(text, cells, widths);
    }
    return text;
}

std::string CsvText(const ListShape& shape, const std::vector<ResultRow>& rows)
{
    std::vector<std::string> header;
    for (const std::size_t column : shape.csvColumns)
        header.push_back(shape.captions[column]);
    return BuildCsv(header, rows, shape.csvColumns, rows.size());
}

std::string JsonLines(const ListShape& shape, const std::vector<ResultRow>& rows)
{
    std::string text;
    for (const ResultRow& row : rows) {
        text += '{';
        for (std::size_t c = 0; c < shape.jsonKeys.size(); ++c) {
            if (c > 0)
                text += ',';
            AppendJsonString(text, shape.jsonKeys[c]);
            text += ':';
            const std::string& value = row.Text(c);
            const bool number = c == 0 && shape.numericCaption && !value.empty() &&
                                std::all_of(value.begin(), value.end(), [](char ch) { return ch >= '0' && ch <= '9'; });
            if (number)
                text += value;
            else
                AppendJsonString(text, value);
        }
        text += "}\n";
    }
    return text;
}

}  // namespace tav::cli

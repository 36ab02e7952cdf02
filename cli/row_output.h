// The tool's three output forms of a list of rows: an aligned table, the
// program's CSV export, and JSON Lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/json_string.h"
#include "base/row_store.h"

namespace tav::cli {

// How one list is written.
struct ListShape {
    std::vector<std::string> captions;    // every column's, the row caption's first
    std::vector<std::size_t> csvColumns;  // the columns the program exports
    std::vector<std::string> jsonKeys;    // one per column
    bool numericCaption = false;          // the row caption is a number in JSON
};

// The workstation list (ID, Date, User Name, Logon From, Connection Type).
const ListShape& LogonList();
// The terminal-server list (Date, User Name, Login From).
const ListShape& SessionList();
// One record's strings: caption the 1-based index, then the string.
const ListShape& StringList();

// A header line and one line per row, columns two blanks apart and as wide
// as their longest text in characters; the last column is not padded.
std::string TableText(const ListShape& shape, const std::vector<ResultRow>& rows);

// Appends one line of such a table: `cells` padded to `widths` (a column's
// caption included) but for the last, no blanks at the end.
void AppendTableLine(std::string& out, const std::vector<std::string>& cells, const std::vector<std::size_t>& widths);

// Exactly what the program's export writes for these rows, in UTF-8.
std::string CsvText(const ListShape& shape, const std::vector<ResultRow>& rows);

// One JSON object per row and line, keys in column order.
std::string JsonLines(const ListShape& shape, const std::vector<ResultRow>& rows);

}  // namespace tav::cli

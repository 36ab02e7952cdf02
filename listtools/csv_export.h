// The text of a result list's export file: semicolon-separated lines.
#pragma once

#include "base/row_store.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

// The columns each list exports (numbers as for ResultRow::Text); the
// workstation list leaves out its record number.
inline constexpr std::size_t kTerminalServerCsvColumns[] = {0, 1, 2};
inline constexpr std::size_t kWorkstationCsvColumns[] = {1, 2, 3, 4};

// A header line, then one line per row 0..rowCount-1 (at most rows.size())
// with the row's texts of `columns`; fields joined by ";", every line ending
// in CR LF, the last one too. A field holding ";", a double quote, CR or LF
// is put between double quotes with its double quotes doubled; any other
// text is written as it is. Before that, a field starting with "=", "+",
// "-", "@", tab or CR gets a leading "'" so that no spreadsheet reads it as
// a formula; a field that is just "-" or a whole number ("-16926393",
// "-1.5", "+3": a sign, digits, optionally a point and digits) stays as it
// is. UTF-8 like the rows; the caller converts it to the ANSI code page when
// writing.
//
// header[i] is the caption of columns[i] in the list's stored (design)
// column order, fetched by stored column index: where the user has dragged
// the headers on screen changes neither the header nor the fields.
std::string BuildCsv(const std::vector<std::string>& header, const std::vector<ResultRow>& rows,
                     std::span<const std::size_t> columns, std::size_t rowCount);

// Appends one line of those fields, as BuildCsv writes each line.
void AppendCsvLine(std::string& out, std::span<const std::string_view> fields);

}  // namespace tav

#include "listtools/csv_export.h"

#include <algorithm>
#include <string_view>

namespace tav {
namespace {

constexpr std::string_view kLineEnd = "\r\n";

bool NeedsQuotes(std::string_view field)
{
    // A loop of comparisons: find_first_of looks each character up in the set with a call.
    return std::any_of(field.begin(), field.end(), [](char c) { return c == ';' || c == '"' || c == '\r' || c == '\n'; });
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Digits from `pos` on; where they end.
std::size_t SkipDigits(std::string_view text, std::size_t pos)
{
    while (pos < text.size() && IsDigit(text[pos]))
        ++pos;
    return pos;
}

// An optional sign, digits, and optionally a point and digits: a cell that
// a spreadsheet reads as that number whatever its first character.
bool IsPlainNumber(std::string_view field)
{
    std::size_t pos = !field.empty() && (field[0] == '+' || field[0] == '-') ? 1 : 0;
    const std::size_t digits = SkipDigits(field, pos);
    if (digits == pos)
        return false;
    if (digits == field.size())
        return true;
    pos = digits + 1;
    return field[digits] == '.' && SkipDigits(field, pos) == field.size() && field.size() > pos;
}

// Excel and LibreOffice read a cell starting with one of these as a formula,
// and log texts (workstation and user names) are chosen by whoever logs on.
// The log's own "none" is a lone "-", and a signed number such as a status
// code stays a number: no spreadsheet evaluates either.
bool CouldStartFormula(std::string_view field)
{
    return !field.empty() && field != "-" &&
           std::string_view("=+-@\t\r").find(field.front()) != std::string_view::npos && !IsPlainNumber(field);
}

void AppendField(std::string& out, std::string_view field)
{
    const std::string_view guard = CouldStartFormula(field) ? "'" : "";
    if (!NeedsQuotes(field)) {
        out += guard;
        out += field;
        return;
    }
    out += '"';
    out += guard;
    for (char c : field) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

template <typename TextOf>
void AppendLine(std::string& out, std::size_t fieldCount, const TextOf& textOf)
{
    for (std::size_t i = 0; i < fieldCount; ++i) {
        if (i > 0)
            out += ';';
        AppendField(out, textOf(i));
    }
    out += kLineEnd;
}

}  // namespace

std::string BuildCsv(const std::vector<std::string>& header, const std::vector<ResultRow>& rows,
                     std::span<const std::size_t> columns, std::size_t rowCount)
{
    rowCount = std::min(rowCount, rows.size());
    std::string out;
    AppendLine(out, header.size(), [&](std::size_t i) -> const std::string& { return header[i]; });
    for (std::size_t r = 0; r < rowCount; ++r) {
        const ResultRow& row = rows[r];
        AppendLine(out, columns.size(),
                   [&](std::size_t i) -> const std::string& { return row.Text(columns[i]); });
    }
    return out;
}

void AppendCsvLine(std::string& out, std::span<const std::string_view> fields)
{
    AppendLine(out, fields.size(), [&](std::size_t i) { return fields[i]; });
}

}  // namespace tav

#include "cli/output.h"

#include <algorithm>

#include "base/codepage.h"
#include "base/visible_text.h"
#include "cli/tool.h"
#include "listtools/csv_export.h"
#include "sessions/security_events.h"

namespace tav::cli {
namespace {

constexpr std::size_t kWriteBlock = std::size_t{1} << 20;

void AppendPadded(std::string& out, const std::string& text, std::size_t width)
{
    out += text;
    out.append(width - std::min(width, Utf8Length(text)), ' ');
}

// One line of an aligned table: columns two blanks apart, padded up to the
// last cell that holds text, which is written as it is.
void AppendTableLine(std::string& out, const std::vector<std::string>& cells, const std::vector<std::size_t>& widths)
{
    std::size_t last = cells.size();
    while (last > 0 && cells[last - 1].empty())
        --last;
    for (std::size_t c = 0; c < last; ++c) {
        if (c + 1 < last) {
            AppendPadded(out, cells[c], widths[c]);
            out += "  ";
        } else {
            out += cells[c];
        }
    }
    out += '\n';
}

}  // namespace

Row& Row::Cell(std::string text)
{
    cells_.push_back(std::move(text));
    return *this;
}

Row& Row::Text(const char* key, std::string_view value)
{
    json_.Key(key).Text(value);
    return *this;
}

Row& Row::Number(const char* key, long long value)
{
    json_.Key(key).Number(value);
    return *this;
}

Row& Row::Null(const char* key)
{
    json_.Key(key).Null();
    return *this;
}

Row& Row::Texts(const char* key, const std::vector<std::string>& values)
{
    json_.Key(key).BeginArray();
    for (const std::string& value : values)
        json_.Text(value);
    json_.EndArray();
    return *this;
}

Output::Output(const Run& run, ListForm form)
    : run_(run), form_(std::move(form)), computerColumn_(form_.perComputer && run.options.computerColumn)
{
}

void Output::Add(const SpoolKey& key, const std::string& computer, Row&& row)
{
    if (!error_.empty())
        return;
    const std::string computerKey = sessions::ComputerKey(computer);
    if (spool_.Count() == 0)
        firstComputer_ = computerKey;
    computerColumn_ = computerColumn_ || (form_.perComputer && computerKey != firstComputer_);
    std::vector<std::string>& cells = row.cells_;
    if (row.format_ == OutputFormat::Json)
        cells = {row.json_.EndObject().Take()};
    cells.insert(cells.begin(), computer);
    // A table is read on a terminal: what could steer it is shown escaped,
    // and the columns are as wide as what is shown.
    if (run_.options.format == OutputFormat::Table)
        for (std::string& cell : cells)
            cell = VisibleText(cell);
    spool_.Add(key, std::move(cells), error_);
}

void Output::AppendCsv(std::string& text, const std::vector<std::string>& cells,
                       const std::vector<std::string>& captions, std::size_t row)
{
    const unsigned codePage = run_.options.codePage.value_or(run_.platform.defaultCodePage);
    std::vector<std::string> encoded(cells.size());
    for (std::size_t c = 0; c < cells.size(); ++c) {
        std::size_t lost = 0;
        encoded[c] = run_.platform.encode(cells[c], codePage, lost).value_or("");
        if (lost == 0 || row == 0)
            continue;
        if (lostFields_++ == 0)
            firstLoss_ = "row " + std::to_string(row) + ", " + (c < captions.size() ? captions[c] : "");
        lostCharacters_ += lost;
    }
    AppendCsvLine(text, encoded);
}

int Output::Finish(bool allRead)
{
    const OutputFormat format = run_.options.format;
    if (!error_.empty()) {
        run_.Error(error_);
        return run_.Finish(false);
    }
    const std::size_t first = format == OutputFormat::Json || !computerColumn_ ? 1 : 0;  // cell 0 is the computer
    std::vector<std::string> header = format == OutputFormat::Csv ? form_.csv : form_.table;
    if (first == 0)
        header.insert(header.begin(), "Computer");
    std::vector<std::size_t> widths(header.size());
    const std::vector<std::size_t>& cellWidths = spool_.Widths();
    for (std::size_t c = 0; c < header.size(); ++c)
        widths[c] = std::max(Utf8Length(header[c]), first + c < cellWidths.size() ? cellWidths[first + c] : 0);
    std::string text;
    bool writing = true;
    const auto flush = [&](std::size_t atLeast) {
        if (writing && text.size() >= atLeast) {
            writing = run_.WriteOut(text);
            text.clear();
        }
    };
    // Row 0 is the header; the rows count from 1 whether or not it is written.
    const auto line = [&](const std::vector<std::string>& cells, std::size_t row) {
        switch (format) {
        case OutputFormat::Json: text += cells.front() + '\n'; break;
        case OutputFormat::Csv: AppendCsv(text, cells, header, row); break;
        case OutputFormat::Table: AppendTableLine(text, cells, widths); break;
        }
        flush(kWriteBlock);
    };
    if (format != OutputFormat::Json && !header.empty())
        line(header, 0);
    std::size_t row = 0;
    std::vector<std::string> shown;
    const bool read = spool_.ForEach(
        [&](const std::vector<std::string>& cells) {
            if (!writing)
                return;
            shown.assign(cells.begin() + static_cast<std::ptrdiff_t>(first), cells.end());
            line(shown, ++row);
        },
        error_);
    flush(0);
    if (!read)
        run_.Error(error_);
    if (lostFields_ > 0)
        run_.Notice(std::to_string(lostCharacters_) + " characters in " + std::to_string(lostFields_) +
                    " fields could not be written in code page " +
                    std::to_string(run_.options.codePage.value_or(run_.platform.defaultCodePage)) + " (first: " +
                    firstLoss_ + "); use --encoding utf-8");
    return run_.Finish(allRead && read);
}

}  // namespace tav::cli

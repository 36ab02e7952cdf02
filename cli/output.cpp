#include "cli/output.h"

#include <algorithm>
#include <span>

#include "base/codepage.h"
#include "base/visible_text.h"
#include "cli/files.h"
#include "cli/tool.h"
#include "evtx/ordered_run.h"
#include "listtools/csv_export.h"
#include "sessions/security_events.h"

namespace tav::cli {
namespace {

// Rows formatted as one piece of work: enough to outweigh handing it over.
constexpr std::size_t kBlockRows = 512;

void AppendPadded(std::string& out, std::string_view text, std::size_t width)
{
    out += text;
    out.append(width - std::min(width, Utf8Length(text)), ' ');
}

// One line of an aligned table: columns two blanks apart, padded up to the
// last cell that holds text, which is written as it is.
void AppendTableLine(std::string& out, std::span<const std::string_view> cells, const std::vector<std::size_t>& widths)
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

// What the code page could not hold: characters, fields, and the first
// ("row 4, User").
struct CodePageLoss {
    std::size_t characters = 0;
    std::size_t fields = 0;
    std::string first;

    void Add(const CodePageLoss& more)
    {
        if (fields == 0)
            first = more.first;
        characters += more.characters;
        fields += more.fields;
    }
};

// Rows written as one piece: the first's number (the header is row 0),
// their cells, and their text once formatted.
struct RowBlock {
    std::size_t first = 0;
    std::size_t count = 0;
    std::string rows;  // as RowSpool::Next appends them
    bool unreadable = false;
    std::vector<std::string_view> cells;  // of the row being formatted
    std::string text;
    CodePageLoss loss;
    std::vector<std::string> encoded;  // a CSV line's cells, reused from line to line
    std::vector<std::string_view> fields;
};

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
    if (spool_.Count() == 0)
        firstComputer_ = sessions::ComputerKey(computer);
    // Most rows are of the computer of the row before.
    if (!computerColumn_ && form_.perComputer && computer != lastComputer_) {
        lastComputer_ = computer;
        computerColumn_ = sessions::ComputerKey(computer) != firstComputer_;
    }
    std::vector<std::string>& cells = row.cells_;
    if (row.format_ == OutputFormat::Json)
        cells = {row.json_.EndObject().Take()};
    cells.insert(cells.begin(), computer);
    // A table is read on a terminal: what could steer it is shown escaped,
    // and the columns are as wide as what is shown.
    if (run_.options.format == OutputFormat::Table)
        for (std::string& cell : cells)
            if (std::any_of(cell.begin(), cell.end(), [](unsigned char c) { return c < 0x20 || c >= 0x7F; }))
                cell = VisibleText(cell);
    spool_.Add(key, cells, error_);
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
    const unsigned codePage = run_.options.codePage.value_or(run_.platform.defaultCodePage);
    // One line, on any thread; a CSV's cells in the output's code page.
    const auto line = [&](RowBlock& block, std::span<const std::string_view> cells, std::size_t row) {
        std::string& text = block.text;
        switch (format) {
        case OutputFormat::Json: text.append(cells.front()) += '\n'; return;
        case OutputFormat::Table: AppendTableLine(text, cells, widths); return;
        case OutputFormat::Csv: break;
        }
        block.encoded.resize(cells.size());
        block.fields.resize(cells.size());
        for (std::size_t c = 0; c < cells.size(); ++c) {
            // ASCII is itself in every code page the output may be in.
            block.fields[c] = cells[c];
            if (std::all_of(cells[c].begin(), cells[c].end(), [](unsigned char b) { return b < 0x80; }))
                continue;
            std::size_t lost = 0;
            block.fields[c] = block.encoded[c] = run_.platform.encode(cells[c], codePage, lost).value_or("");
            if (lost == 0 || row == 0)
                continue;
            if (block.loss.fields++ == 0)
                block.loss.first = "row " + std::to_string(row) + ", " + (c < header.size() ? header[c] : "");
            block.loss.characters += lost;
        }
        AppendCsvLine(text, block.fields);
    };
    CodePageLoss loss;
    RowBlock head;
    if (format != OutputFormat::Json && !header.empty())
        line(head, std::vector<std::string_view>(header.begin(), header.end()), 0);
    std::string& text = head.text;
    bool writing = run_.WriteOut(text);
    // The rows are formatted on the run's threads, a block at a time, and
    // written in order.
    std::size_t taken = 0;
    bool read = true;
    evtx::RunOrdered<RowBlock>(
        run_.Jobs(),
        [&](RowBlock& block) {
            block.first = taken + 1;
            block.count = 0;
            block.rows.clear();
            while (read && block.count < kBlockRows && spool_.Next(block.rows, error_))
                ++block.count;
            read = read && error_.empty();
            taken += block.count;
            return block.count > 0;
        },
        [&](RowBlock& block, unsigned) {
            block.text.clear();
            block.loss = {};
            ScratchReader in(block.rows);
            for (std::size_t r = 0; r < block.count; ++r) {
                block.unreadable = !ReadRowCells(in, block.cells) || block.cells.size() < first;
                if (block.unreadable)
                    return;
                line(block, std::span<const std::string_view>(block.cells).subspan(first), block.first + r);
            }
        },
        [&](RowBlock& block) {
            if (block.unreadable) {
                error_ = "cannot read back the temporary files";
                read = false;
                return false;
            }
            loss.Add(block.loss);
            writing = writing && run_.WriteOut(block.text);
            return writing;
        });
    if (!read)
        run_.Error(error_);
    if (loss.fields > 0)
        run_.Notice(std::to_string(loss.characters) + " characters in " + std::to_string(loss.fields) +
                    " fields could not be written in code page " + std::to_string(codePage) + " (first: " +
                    loss.first + "); use --encoding utf-8");
    return run_.Finish(allRead && read);
}

}  // namespace tav::cli

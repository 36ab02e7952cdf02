#include "cli/list_out.h"

#include <algorithm>

#include "base/codepage.h"
#include "cli/row_output.h"
#include "cli/tool.h"
#include "listtools/csv_export.h"
#include "sessions/security_events.h"

namespace tav::cli {

JsonLine& JsonLine::Text(const char* key, std::string_view value)
{
    AppendJsonString(Key(key), value);
    return *this;
}

JsonLine& JsonLine::Number(const char* key, long long value)
{
    Key(key) += std::to_string(value);
    return *this;
}

JsonLine& JsonLine::Null(const char* key)
{
    Key(key) += "null";
    return *this;
}

JsonLine& JsonLine::Texts(const char* key, const std::vector<std::string>& values)
{
    std::string& out = Key(key);
    out += '[';
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            out += ',';
        AppendJsonString(out, values[i]);
    }
    out += ']';
    return *this;
}

std::string& JsonLine::Key(const char* key)
{
    if (out_.back() != '{')
        out_ += ',';
    AppendJsonString(out_, key);
    out_ += ':';
    return out_;
}

ListOut::ListOut(const Run& run, std::vector<std::string> captions, bool perComputer)
    : run_(run), captions_(std::move(captions)), computerColumn_(perComputer && run.options.computerColumn)
{
}

void ListOut::Add(const SpoolKey& key, const std::string& computer, std::vector<std::string> cells)
{
    if (!error_.empty())
        return;
    const std::string computerKey = sessions::ComputerKey(computer);
    if (spool_.Count() == 0)
        firstComputer_ = computerKey;
    computerColumn_ = computerColumn_ || computerKey != firstComputer_;
    cells.insert(cells.begin(), computer);
    spool_.Add(key, std::move(cells), error_);
}

int ListOut::Write()
{
    const bool csv = run_.options.format == OutputFormat::Csv;
    const unsigned codePage = run_.options.codePage.value_or(run_.platform.defaultCodePage);
    if (csv && !run_.platform.encode("", codePage)) {
        run_.err << "tavelin: code page " << codePage << " cannot be written here\n";
        return kExitUsage;
    }
    if (!error_.empty()) {
        run_.err << "tavelin: " << error_ << '\n';
        return kExitInputFailed;
    }
    const bool json = run_.options.format == OutputFormat::Json;
    const std::size_t first = json || !computerColumn_ ? 1 : 0;  // cell 0 is the computer
    std::vector<std::string> header = captions_;
    if (first == 0)
        header.insert(header.begin(), "Computer");
    std::vector<std::size_t> widths(header.size());
    for (std::size_t c = 0; c < header.size(); ++c)
        widths[c] =
            std::max(Utf8Length(header[c]), first + c < spool_.Widths().size() ? spool_.Widths()[first + c] : 0);
    std::string text;
    const auto flush = [&](std::size_t atLeast) {
        if (text.size() < atLeast)
            return;
        run_.WriteText(csv ? run_.platform.encode(text, codePage).value_or("") : text);
        text.clear();
    };
    const auto line = [&](const std::vector<std::string>& cells) {
        if (json)
            text += cells.back();
        else if (csv)
            AppendCsvLine(text, cells);
        else
            AppendTableLine(text, cells, widths);
        flush(std::size_t{1} << 20);
    };
    if (!json)
        line(header);
    std::vector<std::string> shown;
    const bool read = spool_.ForEach(
        [&](const std::vector<std::string>& cells) {
            shown.assign(cells.begin() + static_cast<std::ptrdiff_t>(first), cells.end());
            line(shown);
        },
        error_);
    flush(0);
    if (!read) {
        run_.err << "tavelin: " << error_ << '\n';
        return kExitInputFailed;
    }
    return kExitOk;
}

}  // namespace tav::cli

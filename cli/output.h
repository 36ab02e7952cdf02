// The one way a command's rows leave the tool. A command describes its list
// once (ListForm) and fills each row in the form the command line chose
// (Row); the writer does the rest: the rows' order, the Computer column, the
// table's alignment and its escaped control characters, the CSV's code page
// and the count of characters it cannot hold, checked writes, and the exit
// status.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "base/json_writer.h"
#include "cli/commands.h"
#include "cli/row_spool.h"

namespace tav::cli {

struct ListForm {
    std::vector<std::string> table;  // the table's captions; none: no header line
    std::vector<std::string> csv;    // the CSV's captions
    bool perComputer = true;         // a Computer column comes first when the rows are of several computers
};

// One row in the chosen form: the cells of a table or CSV line, or the
// fields of a JSON object in the order they are added.
class Row {
public:
    explicit Row(OutputFormat format) : format_(format)
    {
        if (format_ == OutputFormat::Json)
            json_.BeginObject();
    }
    OutputFormat Format() const { return format_; }

    Row& Cell(std::string text);
    Row& Text(const char* key, std::string_view value);
    Row& Number(const char* key, long long value);
    Row& Null(const char* key);
    // A logon type: a number, or null for none (-1).
    Row& Type(const char* key, int type) { return type < 0 ? Null(key) : Number(key, type); }
    Row& Texts(const char* key, const std::vector<std::string>& values);

private:
    friend class Output;

    OutputFormat format_;
    std::vector<std::string> cells_;  // table and CSV
    JsonWriter json_;
};

class Output {
public:
    Output(const Run& run, ListForm form);

    Row NewRow() const { return Row(run_.options.format); }
    void Add(const SpoolKey& key, const std::string& computer, Row&& row);

    // Writes the rows and ends the run: its exit status, `allRead` whether
    // every input was read.
    int Finish(bool allRead);

private:
    const Run& run_;
    ListForm form_;
    bool computerColumn_;
    RowSpool spool_;
    std::string firstComputer_;  // its ComputerKey
    std::string lastComputer_;   // as the row before wrote it
    std::string error_;
};

}  // namespace tav::cli

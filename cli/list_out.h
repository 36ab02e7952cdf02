// A list of rows on its way out in the chosen form (table, csv, json): its
// rows spooled in their order, the computers they come from noted, so that
// a Computer column comes first when there is more than one (or always with
// --computer-column).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "cli/row_spool.h"

namespace tav::cli {

// One JSON object on a line, fields in the order they are added.
class JsonLine {
public:
    explicit JsonLine(std::string& out) : out_(out) { out_ += '{'; }
    ~JsonLine() { out_ += "}\n"; }
    JsonLine(const JsonLine&) = delete;
    JsonLine& operator=(const JsonLine&) = delete;

    JsonLine& Text(const char* key, std::string_view value);
    JsonLine& Number(const char* key, long long value);
    JsonLine& Null(const char* key);
    // A logon type: a number, or null for none (-1).
    JsonLine& Type(const char* key, int type) { return type < 0 ? Null(key) : Number(key, type); }
    JsonLine& Texts(const char* key, const std::vector<std::string>& values);

private:
    std::string& Key(const char* key);

    std::string& out_;
};

class ListOut {
public:
    // `captions` of the table or CSV columns; `perComputer`: whether the
    // rows can take a Computer column.
    ListOut(const Run& run, std::vector<std::string> captions, bool perComputer = true);

    // `cells` of a table or CSV row, or the one JSON line.
    void Add(const SpoolKey& key, const std::string& computer, std::vector<std::string> cells);

    // The exit status of the list's writing: kExitOk, or an error reported.
    int Write();

private:
    const Run& run_;
    std::vector<std::string> captions_;
    bool computerColumn_;
    RowSpool spool_;
    std::string firstComputer_;
    std::string error_;
};

}  // namespace tav::cli

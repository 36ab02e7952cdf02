// The tool's command line: a command, its inputs and the options, anywhere
// among them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/datetime.h"

namespace tav::cli {

enum class Command { Help, Version, Logons, Sessions, Record, Last, Lastb, Report, Rdp };
enum class OutputFormat { Table, Csv, Json };

struct Options {
    Command command = Command::Help;
    std::vector<std::string> files;      // the row commands: one or more; record: one
    std::uint32_t recordNumber = 0;      // record
    OutputFormat format = OutputFormat::Table;
    std::optional<unsigned> codePage;    // --encoding; the platform's default when none
    // The time range in the displayed zone: from `since`, before `until`.
    std::optional<DateTime> since;
    std::optional<DateTime> until;
    bool utc = false;
    // The live Security logs of these computers ("" the local one), and
    // those named in the file `computersFile`: neither, the files are read.
    std::vector<std::string> computers;
    std::optional<std::string> computersFile;
    bool computerColumn = false;         // a Computer column even when the rows are of one computer
    std::optional<unsigned> jobs;        // threads; the machine's cores when none
    // last, lastb and report: the logon types to list (empty: every type); none
    // given: the command's own choice.
    std::optional<std::vector<int>> types;
    bool allAccounts = false;            // last, report: computer accounts and service SIDs too
    std::optional<std::string> user;     // only rows of this user (name or DOMAIN\name, any case)
    std::optional<std::string> from;     // only rows from this address or workstation (any case)
    bool summary = false;                // lastb: one row per source
    bool connections = false;            // rdp: one row per connection
    std::string output;                  // report: the page's file
    bool english = false;                // report: the page in English, not Russian
};

inline bool ReadsLiveLogs(const Options& options)
{
    return !options.computers.empty() || options.computersFile.has_value();
}

// Most threads --jobs takes.
inline constexpr unsigned kMaxJobs = 256;

struct ParsedArguments {
    Options options;
    std::string error;  // a usage error when not empty
};

// `liveLogs`: whether --computer and --local are available (Windows).
ParsedArguments ParseArguments(const std::vector<std::string>& arguments, bool liveLogs);

// What --help prints.
std::string HelpText(bool liveLogs);

// The manual page (roff) of the same options and commands.
std::string ManualPage(std::string_view version);

}  // namespace tav::cli

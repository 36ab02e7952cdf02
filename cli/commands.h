// The tool's commands, over one parsed command line.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "base/row_store.h"
#include "cli/arguments.h"
#include "cli/platform.h"
#include "cli/row_output.h"
#include "evtx/reader.h"

namespace tav::cli {

struct Run {
    const Options& options;
    const Platform& platform;
    std::ostream& out;
    std::ostream& err;

    // UTC to the displayed time zone: local time, or UTC with --utc.
    DateTime ToDisplayed(DateTime utc) const { return options.utc ? utc : platform.utcToLocal(utc); }
    // An instant in the displayed zone, in the program's date format.
    std::string DisplayedText(std::int64_t utcSeconds) const;
    // An instant as ISO 8601 in the displayed zone, with its offset.
    std::string IsoTime(std::int64_t utcSeconds) const;
    // Whether an instant lies in --since/--until (displayed time).
    bool InRange(std::int64_t utcSeconds) const;
    // "tavelin: <input>: <reason>" on standard error.
    void Report(const std::string& input, const std::string& reason) const;
    // Threads to read with: --jobs, else the machine's cores.
    unsigned Jobs() const;
    // Opens an .evtx input; nullptr, reported, when it cannot be read.
    std::unique_ptr<evtx::Reader> OpenInput(const std::string& file) const;
    // Writes `rows` in the chosen form; false when the code page cannot be written.
    bool Write(const ListShape& shape, const std::vector<ResultRow>& rows) const;
    // Writes text that is already in its output form.
    bool WriteText(const std::string& text) const;
};

// Each returns the exit status.
int RunLogons(const Run& run);
int RunSessions(const Run& run);
int RunRecord(const Run& run);
int RunLast(const Run& run);
int RunLastb(const Run& run);
int RunReport(const Run& run);

// How a computer whose live log is read is named in messages.
std::string ComputerName(const std::string& computer);

}  // namespace tav::cli

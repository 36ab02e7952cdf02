// The tool's commands, over one parsed command line.
#pragma once

#include <array>
#include <climits>
#include <cstdint>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/time_zone.h"
#include "cli/arguments.h"
#include "cli/platform.h"
#include "evtx/reader.h"

namespace tav::cli {

// What a run learns on its way and says at its end: lines for standard
// error (damaged, duplicated or wrong-kind inputs, lost characters), and
// whether writing the output failed.
struct RunState {
    std::vector<std::string> notices;  // without "tavelin: "
    std::vector<std::pair<std::string, std::string>> unread;  // inputs not read, and why
    std::size_t inputsRead = 0;        // inputs opened and walked
    bool writeFailed = false;
    bool pipeClosed = false;  // the reader of the output has gone: the rest is not written
    // The local offsets of the quarter hours asked for last, each in the
    // slot of its quarter (a row's start and end, the page's parts made on
    // two threads): rows come mostly in time order, and changes of offset
    // fall on quarter hours.
    struct QuarterOffset {
        std::int64_t quarter = INT64_MIN;
        LocalOffset offset;
    };
    std::mutex offsetLock;
    std::array<QuarterOffset, 8> offsets;
};

struct Run {
    const Options& options;
    const Platform& platform;
    std::ostream& out;
    std::ostream& err;
    RunState& state;

    // UTC to the displayed time zone: local time, or UTC with --utc.
    DateTime ToDisplayed(DateTime utc) const { return options.utc ? utc : platform.utcToLocal(utc); }
    // An instant in the displayed zone, in the program's date format.
    std::string DisplayedText(std::int64_t utcSeconds) const;
    // The same for a person to read (tables, the page): a local time that a
    // fall-back of daylight saving repeats carries its offset.
    std::string ShownText(std::int64_t utcSeconds) const;
    // The same, given the instant's DisplayedText.
    std::string ShownText(std::int64_t utcSeconds, std::string displayed) const;
    // An instant as ISO 8601 in the displayed zone, with its offset.
    std::string IsoTime(std::int64_t utcSeconds) const;
    // Whether an instant lies in --since/--until (displayed time).
    bool InRange(std::int64_t utcSeconds) const;
    // "tavelin: <input>: <reason>" on standard error.
    void Report(const std::string& input, const std::string& reason) const;
    // The same for an input that could not be read (or not to its end).
    void Unread(const std::string& input, const std::string& reason) const;
    // "tavelin: <line>" on standard error.
    void Error(const std::string& line) const;
    // A line for standard error at the end of the run.
    void Notice(std::string line) const { state.notices.push_back(std::move(line)); }
    // Threads to read with: --jobs, else the machine's cores.
    unsigned Jobs() const;
    // Opens an .evtx input; nullptr, reported, when it cannot be read.
    std::unique_ptr<evtx::Reader> OpenInput(const std::string& file) const;
    // Writes text to standard output; false when that failed (said once on
    // standard error, or not at all when a reader closed the pipe).
    bool WriteOut(std::string_view text) const;
    // Ends the run: the notices on standard error, and the exit status.
    int Finish(bool allRead) const;
};

// Each returns the exit status.
int RunLogons(const Run& run);
int RunSessions(const Run& run);
int RunRecord(const Run& run);
int RunLast(const Run& run);
int RunLastb(const Run& run);
int RunReport(const Run& run);
int RunRdp(const Run& run);

// How a computer whose live log is read is named in messages.
std::string ComputerName(const std::string& computer);

}  // namespace tav::cli

// The inputs of a row command, read on up to --jobs threads: the files the
// command line names (folders and patterns expanded), their chunks decoded
// side by side, or the live logs of its computers, several at once. Each
// record goes through the command's transform on one of the threads; the
// items come back to the caller's thread input by input, in the order of the inputs
// and of the walk, where the rules that depend on order run. So the output
// is the same bytes whatever the thread count.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/commands.h"
#include "evtx/item_list.h"
#include "evtx/reader.h"

namespace tav::cli {

template <class Item>
struct EventInputs {
    evtx::WalkOrder order = evtx::WalkOrder::NewestFirst;
    // The event ids the transform wants; records of others may come without texts.
    std::span<const std::uint16_t> events;
    // Of those events' insertion strings, the ones the transform reads; the
    // others may come empty.
    evtx::StringSet strings = evtx::kAllStrings;
    // For the hint when an input holds none of those events: the channels
    // the command reads, and what the events are, in words.
    std::vector<std::string_view> channels = {"Security"};
    // Whether the largest of several files is read last, the others in
    // their order: for rules that see the records merged by time, whose
    // rows do not depend on the order of the inputs. Then its records go to
    // the rules as they are read instead of waiting for the others.
    bool largestLast = false;
    const char* what = "Security logon events";
    // On any of the threads: a record's items added to `out` (none to leave it out).
    std::function<void(const evtx::Record&, evtx::ItemList<Item>& out)> transform;
    // On the caller's thread, before the first input: how many files will be
    // read (not called for live logs).
    std::function<void(std::size_t files)> files;
    // On the caller's thread, for each input that could be opened: `begin`
    // (with its name in messages), the items, then `end`.
    std::function<void(const std::string& input)> begin;
    std::function<void(std::span<Item> items)> items;
    std::function<void()> end;
    // On the caller's thread, when set: the earliest and latest time of the
    // records that name their computer, a chunk (or live log) at a time.
    // Those passed over as read twice are among them: a record read twice
    // has the time it had when read first.
    std::function<void(std::int64_t earliest, std::int64_t latest)> times;
};

// The files to read, reporting the inputs that name none; false when one
// names none.
bool InputFiles(const Run& run, std::vector<std::string>& files);

// The largest of `files` (the last of equals) moved to the end; one that
// cannot be sized counts as empty.
void MoveLargestLast(std::vector<std::string>& files);

// The computers to read: --computer's, then those of --computers FILE;
// false (reported) when the file cannot be read.
bool InputComputers(const Run& run, std::vector<std::string>& computers);

// What a read found wrong with an .evtx file that it still read: cut short,
// chunks that failed a checksum or are no chunk, records it could not
// decode; empty for a sound file.
std::string DamageText(const evtx::Reader& reader);

// The line that says how many records were passed over as read before,
// and `where` ("3 in a.evtx, 2 in b.evtx").
std::string PassedOverText(std::uint64_t count, const std::string& where);

// The channel of the first record of the .evtx file at `path` that names
// one; empty when none does (or it cannot be read).
std::string FirstChannel(const std::string& path);

// The hint for an input that holds none of the events a command reads:
// what kind of log it is and which command reads that. Empty when it is of
// the command's kind.
std::string WrongKindText(const std::string& input, const std::string& channel,
                          std::span<const std::string_view> wantedChannels, const char* what);

// Reads every input; false when one could not be read to its end (each
// reported on a line of its own, the others still read). A record an
// earlier input held is passed over; damaged inputs, records passed over
// and inputs of the wrong kind are said at the end of the run.
template <class Item>
bool ReadEventInputs(const Run& run, const EventInputs<Item>& inputs);

}  // namespace tav::cli

#include "cli/event_inputs_impl.h"

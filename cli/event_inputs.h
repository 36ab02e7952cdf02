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
    // On any of the threads: a record's items added to `out` (none to leave it out).
    std::function<void(const evtx::Record&, evtx::ItemList<Item>& out)> transform;
    // On the caller's thread, for each input that could be opened: `begin`
    // (with its name in messages), the items, then `end`.
    std::function<void(const std::string& input)> begin;
    std::function<void(std::span<Item> items)> items;
    std::function<void()> end;
};

// The files to read, reporting the inputs that name none; false when one
// names none.
bool InputFiles(const Run& run, std::vector<std::string>& files);

// The computers to read: --computer's, then those of --computers FILE;
// false (reported) when the file cannot be read.
bool InputComputers(const Run& run, std::vector<std::string>& computers);

// Reads every input; false when one could not be read to its end (each
// reported on a line of its own, the others still read).
template <class Item>
bool ReadEventInputs(const Run& run, const EventInputs<Item>& inputs);

}  // namespace tav::cli

#include "cli/event_inputs_impl.h"

// The template part of event_inputs.h.
#pragma once

#include <memory>
#include <optional>

#include "cli/duplicates.h"
#include "cli/live_log.h"
#include "cli/progress_bar.h"
#include "evtx/file_walk.h"
#include "evtx/log_file.h"
#include "evtx/ordered_run.h"

namespace tav::cli {

// The run's reading of inputs one after the other: records read twice
// passed over, and what each input was said at the end.
template <class Item>
class InputReader {
public:
    InputReader(const Run& run, const EventInputs<Item>& inputs) : run_(run), inputs_(inputs) {}

    void Begin(const std::string& name)
    {
        ++run_.state.inputsRead;
        name_ = name;
        wanted_ = false;
        channel_.clear();
        inputs_.begin(name);
    }
    void Items(std::span<Item> items, const evtx::ChunkRecords& records)
    {
        // The chunk's spans, not its marks: the marks stay in the cache of
        // the thread that made them.
        for (const evtx::MarkSpan& span : records.spans)
            wanted_ = wanted_ || std::any_of(span.events.begin(), span.events.end(),
                                             [&](std::uint16_t event) { return Wanted(event); });
        if (inputs_.times && !records.spans.empty()) {
            std::int64_t earliest = records.spans.front().earliest;
            std::int64_t latest = records.spans.front().latest;
            for (const evtx::MarkSpan& span : records.spans) {
                earliest = std::min(earliest, span.earliest);
                latest = std::max(latest, span.latest);
            }
            inputs_.times(earliest, latest);
        }
        if (channel_.empty() && !records.sources.empty())
            channel_ = records.sources.front().substr(records.sources.front().find('\n') + 1);
        const std::vector<bool> twice = seen_.Twice(records);
        inputs_.items(seen_.Without(items, records, twice));
    }
    // The input's end; `file`: a saved log, whose kind is told when it holds
    // none of the events wanted.
    void End(const evtx::Reader* file)
    {
        inputs_.end();
        if (const std::uint64_t passedOver = seen_.EndInput(); passedOver > 0) {
            passedOver_ += passedOver;
            passedOverIn_ += (passedOverIn_.empty() ? "" : ", ") + std::to_string(passedOver) + " in " + name_;
        }
        if (file == nullptr)
            return;
        if (const std::string damage = DamageText(*file); !damage.empty())
            run_.Notice(name_ + ": " + damage);
        if (wanted_)
            return;
        const std::string channel = channel_.empty() ? FirstChannel(name_) : channel_;
        if (const std::string hint = WrongKindText(name_, channel, inputs_.channels, inputs_.what); !hint.empty())
            run_.Notice(hint);
    }
    // After the last input.
    void Finish()
    {
        if (passedOver_ > 0)
            run_.Notice(PassedOverText(passedOver_, passedOverIn_));
    }

private:
    bool Wanted(std::uint16_t eventId) const
    {
        return inputs_.events.empty() ||
               std::find(inputs_.events.begin(), inputs_.events.end(), eventId) != inputs_.events.end();
    }

    const Run& run_;
    const EventInputs<Item>& inputs_;
    SeenRecords seen_;
    std::string name_;
    bool wanted_ = false;   // a record of the events wanted in this input
    std::string channel_;  // of its first record decoded in full
    std::uint64_t passedOver_ = 0;
    std::string passedOverIn_;
};

template <class Item>
bool ReadLiveInputs(const Run& run, const EventInputs<Item>& inputs)
{
    struct Job {
        std::string computer;
        evtx::ItemList<Item> items;
        evtx::ChunkRecords records;
        bool opened = false;
        std::uint32_t error = 0;
    };
    std::vector<std::string> computers;
    bool allRead = InputComputers(run, computers);
    std::size_t taken = 0;
    InputReader<Item> reader(run, inputs);
    evtx::RunOrdered<Job>(
        run.Jobs(),
        [&](Job& job) {
            if (taken == computers.size())
                return false;
            job.computer = computers[taken];
            job.items.Clear();
            job.items.input = taken++;
            job.records.Clear();
            return true;
        },
        [&](Job& job, unsigned) {
            const std::unique_ptr<seclog::RecordSource> source =
                run.platform.liveLogs->Open(job.computer, "security", job.error);
            job.opened = source != nullptr;
            if (source)
                job.error = ReadLiveLog(*source, inputs.order, [&](const evtx::Record& record) {
                    const std::size_t begin = job.items.Size();
                    inputs.transform(record, job.items);
                    job.records.Mark(record, begin, job.items.Size());
                });
        },
        [&](Job& job) {
            const std::string name = ComputerName(job.computer);
            if (job.opened) {
                reader.Begin(name);
                reader.Items(job.items.Items(), job.records);
            }
            if (job.error != 0) {
                run.Unread(name, run.platform.errorText(job.error));
                allRead = false;
            }
            if (job.opened)
                reader.End(nullptr);
            job.items.Release();
            job.records = {};
            return true;
        });
    reader.Finish();
    return allRead;
}

template <class Item>
bool ReadEventInputs(const Run& run, const EventInputs<Item>& inputs)
{
    if (ReadsLiveLogs(run.options))
        return ReadLiveInputs(run, inputs);
    std::vector<std::string> files;
    bool allRead = InputFiles(run, files);
    if (inputs.largestLast)
        MoveLargestLast(files);
    if (inputs.files)
        inputs.files(files.size());
    std::optional<ProgressBar> bar;
    InputReader<Item> reader(run, inputs);
    evtx::FileWalk<Item> walk;
    walk.threads = run.Jobs();
    walk.order = inputs.order;
    walk.events = inputs.events;
    walk.strings = inputs.strings;
    walk.transform = inputs.transform;
    walk.failed = [&](std::size_t file, std::uint32_t, const std::string& message) {
        run.Unread(files[file], message);
        allRead = false;
    };
    walk.opened = [&](std::size_t file) {
        bar.emplace(run.err, run.platform.stderrIsTerminal, files[file]);
        reader.Begin(files[file]);
    };
    walk.items = [&](std::size_t, std::span<Item> items, const evtx::ChunkRecords& records, double progress) {
        reader.Items(items, records);
        bar->Update(progress);
    };
    walk.ended = [&](std::size_t file, const evtx::Reader& log) {
        bar->Finish();
        bar.reset();
        if (log.ReadError()) {
            run.Unread(files[file], run.platform.errorText(kErrorReadFault));
            allRead = false;
        }
        reader.End(&log);
    };
    evtx::WalkFiles(files, walk);
    reader.Finish();
    return allRead;
}

}  // namespace tav::cli

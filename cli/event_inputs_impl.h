// The template part of event_inputs.h.
#pragma once

#include <memory>
#include <optional>

#include "cli/live_log.h"
#include "cli/progress_bar.h"
#include "evtx/file_walk.h"
#include "evtx/ordered_run.h"
#include "evtx/legacy_source.h"

namespace tav::cli {

template <class Item>
bool ReadLiveInputs(const Run& run, const EventInputs<Item>& inputs)
{
    struct Job {
        std::string computer;
        evtx::ItemList<Item> items;
        bool opened = false;
        std::uint32_t error = 0;
    };
    std::vector<std::string> computers;
    bool allRead = InputComputers(run, computers);
    std::size_t taken = 0;
    evtx::RunOrdered<Job>(
        run.Jobs(),
        [&](Job& job) {
            if (taken == computers.size())
                return false;
            job.computer = computers[taken++];
            job.items.Clear();
            return true;
        },
        [&](Job& job, unsigned) {
            const std::unique_ptr<seclog::RecordSource> source =
                run.platform.liveLogs->Open(job.computer, "security", job.error);
            job.opened = source != nullptr;
            if (source)
                job.error = ReadLiveLog(*source, inputs.order,
                                        [&](const evtx::Record& record) { inputs.transform(record, job.items); });
        },
        [&](Job& job) {
            const std::string name = ComputerName(job.computer);
            if (job.opened) {
                ++run.state.inputsRead;
                inputs.begin(name);
                inputs.items(job.items.Items());
            }
            if (job.error != 0) {
                run.Unread(name, run.platform.errorText(job.error));
                allRead = false;
            }
            if (job.opened)
                inputs.end();
            job.items.Release();
            return true;
        });
    return allRead;
}

template <class Item>
bool ReadEventInputs(const Run& run, const EventInputs<Item>& inputs)
{
    if (ReadsLiveLogs(run.options))
        return ReadLiveInputs(run, inputs);
    std::vector<std::string> files;
    bool allRead = InputFiles(run, files);
    std::optional<ProgressBar> bar;
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
        ++run.state.inputsRead;
        bar.emplace(run.err, run.platform.stderrIsTerminal, files[file]);
        inputs.begin(files[file]);
    };
    walk.items = [&](std::size_t, std::span<Item> items, double progress) {
        inputs.items(items);
        bar->Update(progress);
    };
    walk.ended = [&](std::size_t file, const evtx::Reader& reader) {
        bar->Finish();
        bar.reset();
        if (reader.ReadError()) {
            run.Unread(files[file], run.platform.errorText(evtx::kErrorReadFault));
            allRead = false;
        }
        inputs.end();
    };
    evtx::WalkFiles(files, walk);
    return allRead;
}

}  // namespace tav::cli

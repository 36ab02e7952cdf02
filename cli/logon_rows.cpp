#include "cli/logon_rows.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "cli/live_log.h"
#include "cli/progress_bar.h"
#include "cli/tool.h"
#include "evtx/legacy_source.h"
#include "sessions/failed_logons.h"
#include "sessions/security_events.h"
#include "sessions/session_tracker.h"

namespace tav::cli {
namespace {

using EventVisitor = std::function<void(const evtx::Record&)>;

// Where the events come from: the live log of a computer, or a file.
struct Input {
    std::string name;
    bool live = false;
};

std::string Utf8(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

// The inputs in the order given; a folder stands for its .evtx files, by
// name. False when a folder holds none or cannot be listed (reported).
bool Inputs(const Run& run, std::vector<Input>& inputs)
{
    if (run.options.computer) {
        inputs.push_back({ComputerName(*run.options.computer), true});
        return true;
    }
    bool listed = true;
    for (const std::string& name : run.options.files) {
        const std::filesystem::path path(std::u8string(name.begin(), name.end()));
        std::error_code error;
        if (!std::filesystem::is_directory(path, error)) {
            inputs.push_back({name, false});
            continue;
        }
        std::vector<std::string> files;
        for (std::filesystem::directory_iterator it(path, error), end; !error && it != end; it.increment(error)) {
            std::string extension = Utf8(it->path().extension());
            std::transform(extension.begin(), extension.end(), extension.begin(),
                           [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
            if (extension == ".evtx" && !it->is_directory())
                files.push_back(Utf8(it->path()));
        }
        std::sort(files.begin(), files.end());
        if (error || files.empty()) {
            run.Report(name, error ? error.message() : "no .evtx files in this folder");
            listed = false;
        }
        for (std::string& file : files)
            inputs.push_back({std::move(file), false});
    }
    return listed;
}

// A file's records by id ascending: chunks in the reverse of the
// newest-first order, each chunk's records sorted.
bool ReadFile(const Run& run, const std::string& file, const EventVisitor& visit)
{
    std::unique_ptr<evtx::Reader> reader = run.OpenInput(file);
    if (!reader)
        return false;
    std::vector<evtx::ChunkSpan> chunks = reader->ChunksNewestFirst();
    std::reverse(chunks.begin(), chunks.end());
    ProgressBar bar(run.err, run.platform.stderrIsTerminal, file);
    evtx::Chunk chunk;
    std::vector<evtx::Record> records;
    std::size_t done = 0;
    for (const evtx::ChunkSpan& span : chunks) {
        bar.Update(static_cast<double>(done++) / static_cast<double>(chunks.size()));
        if (reader->LoadChunk(span.index, chunk) != evtx::Chunk::State::Ok)
            continue;
        std::size_t count = 0;
        for (;; ++count) {
            if (count == records.size())
                records.emplace_back();
            if (!chunk.NextRecord(records[count]))
                break;
        }
        std::stable_sort(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(count),
                         [](const evtx::Record& a, const evtx::Record& b) { return a.recordId < b.recordId; });
        std::for_each(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(count), visit);
    }
    bar.Finish();
    if (reader->ReadError()) {
        run.Report(file, run.platform.errorText(evtx::kErrorReadFault));
        return false;
    }
    return true;
}

bool ReadLive(const Run& run, const Input& input, const EventVisitor& visit)
{
    std::uint32_t error = 0;
    const std::unique_ptr<seclog::RecordSource> source =
        run.platform.liveLogs->Open(*run.options.computer, "security", error);
    if (source)
        error = ReadOldestFirst(*source, visit);
    if (error != 0)
        run.Report(input.name, run.platform.errorText(error));
    return error == 0;
}

bool Selected(const Run& run, std::int64_t time, const std::string& user, const std::string& domain,
              const std::string& ip, const std::string& workstation, const std::string& from)
{
    return run.InRange(time) && (!run.options.user || sessions::MatchesUser(*run.options.user, user, domain)) &&
           (!run.options.from || sessions::MatchesFrom(*run.options.from, ip, workstation, from));
}

}  // namespace

bool ReadLogonRows(const Run& run, const LogonRowsWanted& wanted)
{
    sessions::SessionRules rules;
    if (run.options.types)
        rules.types = *run.options.types;
    rules.allAccounts = run.options.allAccounts;
    const std::vector<int> failureTypes = run.options.types.value_or(std::vector<int>{});

    std::vector<Input> inputs;
    bool allRead = Inputs(run, inputs);
    std::uint32_t inputNumber = 0;
    for (const Input& input : inputs) {
        ++inputNumber;
        // Each input on its own: a session does not end in another file.
        std::unique_ptr<sessions::SessionTracker> tracker;
        if (wanted.session)
            tracker = std::make_unique<sessions::SessionTracker>(rules, [&](sessions::Session&& s) {
                if (Selected(run, s.start, s.user, s.domain, s.ip, s.workstation, s.from))
                    wanted.session(inputNumber, s);
            });
        std::uint64_t tooFew = 0;
        sessions::FailedLogon row;
        const EventVisitor visit = [&](const evtx::Record& record) {
            if (wanted.record)
                wanted.record(record);
            if (tracker)
                tracker->Offer(record);
            if (!wanted.failure)
                return;
            switch (sessions::ReadFailedLogon(record, row)) {
            case sessions::FailedLogonRead::TooFewFields:
                ++tooFew;
                break;
            case sessions::FailedLogonRead::Row:
                if ((failureTypes.empty() ||
                     std::find(failureTypes.begin(), failureTypes.end(), row.logonType) != failureTypes.end()) &&
                    Selected(run, row.time, row.user, row.domain, row.ip, row.workstation, row.from))
                    wanted.failure(inputNumber, row);
                break;
            case sessions::FailedLogonRead::NotFailed:
                break;
            }
        };
        allRead = (input.live ? ReadLive(run, input, visit) : ReadFile(run, input.name, visit)) && allRead;
        if (tracker) {
            tracker->Finish();
            tooFew += tracker->TooFewFields();
        }
        if (tooFew > 0)
            run.Report(input.name, std::to_string(tooFew) + " records skipped: too few fields");
    }
    return allRead;
}

}  // namespace tav::cli

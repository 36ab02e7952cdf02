// tavelin record: every insertion string of one record, read by its number
// as the detail view reads it.
#include "cli/commands.h"
#include "cli/event_inputs.h"
#include "cli/tool.h"
#include "evtx/legacy_source.h"
#include "seclog/event_record.h"
#include "seclog/logon_scan.h"

namespace tav::cli {
namespace {

// The record numbered `number` and those after it, in a buffer grown for a
// large record as the detail view grows it, keeping the error on a failure.
seclog::ReadResult SeekRead(seclog::RecordSource& source, std::uint32_t number, std::vector<std::uint8_t>& buffer)
{
    buffer.resize(seclog::EventLogBufferSize);
    seclog::ReadResult read = source.ReadRecord(number, buffer);
    if (!read.ok && read.error == seclog::kErrorInsufficientBuffer && read.bytesNeeded > buffer.size() &&
        read.bytesNeeded <= seclog::kMaxReadBufferSize) {
        buffer.resize(read.bytesNeeded);
        read = source.ReadRecord(number, buffer);
    }
    return read;
}

int WriteStrings(const Run& run, const std::vector<std::string>& strings)
{
    if (run.options.format == OutputFormat::Table) {
        for (const std::string& text : strings)
            run.out << text << '\n';
        run.out.flush();
        return kExitOk;
    }
    std::vector<ResultRow> rows;
    for (std::size_t i = 0; i < strings.size(); ++i)
        rows.push_back(ResultRow{std::to_string(i + 1), {strings[i]}});
    return run.Write(StringList(), rows) ? kExitOk : kExitUsage;
}

}  // namespace

int RunRecord(const Run& run)
{
    const std::uint32_t number = run.options.recordNumber;
    std::unique_ptr<seclog::RecordSource> source;
    std::string input;
    if (ReadsLiveLogs(run.options)) {
        input = ComputerName(run.options.computers.front());
        std::uint32_t error = 0;
        source = run.platform.liveLogs->Open(run.options.computers.front(), "security", error);
        if (!source) {
            run.Report(input, run.platform.errorText(error));
            return kExitInputFailed;
        }
    } else {
        std::vector<std::string> files;
        if (!InputFiles(run, files))
            return kExitInputFailed;
        if (files.size() != 1) {
            run.Report(run.options.files.front(), "names " + std::to_string(files.size()) +
                                                      " event log files; record reads one");
            return kExitInputFailed;
        }
        input = files.front();
        std::unique_ptr<evtx::Reader> reader = run.OpenInput(input);
        if (!reader)
            return kExitInputFailed;
        source = std::make_unique<evtx::LegacySource>(std::move(reader));
    }
    std::vector<std::uint8_t> buffer;
    const seclog::ReadResult read = SeekRead(*source, number, buffer);
    if (!read.ok) {
        run.Report(input, read.error == seclog::kErrorInvalidParameter
                              ? "there is no record number " + std::to_string(number)
                              : run.platform.errorText(read.error));
        return kExitInputFailed;
    }
    const std::size_t size = std::min<std::size_t>(read.bytesRead, buffer.size());
    seclog::RecordWalker walker(std::span<const std::uint8_t>(buffer).first(size));
    seclog::RecordView record;
    std::optional<std::vector<std::string>> strings;
    if (walker.Next(record) == seclog::WalkStep::Record)
        strings = seclog::InsertionStrings(record);
    if (!strings) {
        run.Report(input, "record " + std::to_string(number) + " is damaged");
        return kExitInputFailed;
    }
    return WriteStrings(run, *strings);
}

}  // namespace tav::cli

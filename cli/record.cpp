// tavelin record: every insertion string of one record, read by its number:
// from a saved log by the reader itself, so that no text is cut, or from a
// computer's live log as the detail view reads it.
#include "cli/commands.h"
#include "cli/event_inputs.h"
#include "cli/output.h"
#include "cli/tool.h"
#include "evtx/log_file.h"
#include "seclog/event_record.h"
#include "seclog/logon_scan.h"

namespace tav::cli {
namespace {

// The record whose id has the low 32 bits `number`: first in the chunks
// whose headers claim it, then in the others (headers of copied logs can be
// stale). A chunk that failed a checksum is said to hold it.
std::optional<evtx::Record> FindRecord(const Run& run, const std::string& input, evtx::Reader& reader,
                                       std::uint32_t number)
{
    reader.VerifyDataChecksums();
    std::vector<evtx::ChunkSpan> spans = reader.ChunksNewestFirst();
    std::stable_partition(spans.begin(), spans.end(), [&](const evtx::ChunkSpan& span) {
        return span.firstRecordId <= number && number <= span.lastRecordId;
    });
    evtx::Chunk chunk;
    evtx::Record record;
    for (const evtx::ChunkSpan& span : spans) {
        if (reader.LoadChunk(span.index, chunk) != evtx::Chunk::State::Ok)
            continue;
        while (chunk.NextRecord(record)) {
            if (static_cast<std::uint32_t>(record.recordId) != number)
                continue;
            const evtx::ChunkHeader& header = chunk.Header();
            if (!header.headerChecksumOk || !header.dataChecksumOk)
                run.Notice(input + ": record " + std::to_string(number) + " lies in chunk " +
                           std::to_string(span.index + 1) + ", which failed its " +
                           (header.headerChecksumOk ? "data" : "header") + " checksum: it may have been altered");
            return record;
        }
    }
    return std::nullopt;
}

// The record numbered `number` and those after it, in a buffer grown for a
// large record as the detail view grows it, keeping the error on a failure.
seclog::ReadResult SeekRead(seclog::RecordSource& source, std::uint32_t number, std::vector<std::uint8_t>& buffer)
{
    buffer.resize(seclog::EventLogBufferSize);
    seclog::ReadResult read = source.ReadRecord(number, buffer);
    if (!read.ok && read.error == kErrorInsufficientBuffer && read.bytesNeeded > buffer.size() &&
        read.bytesNeeded <= seclog::kMaxReadBufferSize) {
        buffer.resize(read.bytesNeeded);
        read = source.ReadRecord(number, buffer);
    }
    return read;
}

// The strings of a record of a computer's live log; false when reported.
bool LiveStrings(const Run& run, std::vector<std::string>& strings)
{
    const std::uint32_t number = run.options.recordNumber;
    const std::string input = ComputerName(run.options.computers.front());
    std::uint32_t error = 0;
    const std::unique_ptr<seclog::RecordSource> source =
        run.platform.liveLogs->Open(run.options.computers.front(), "security", error);
    if (!source) {
        run.Report(input, run.platform.errorText(error));
        return false;
    }
    std::vector<std::uint8_t> buffer;
    const seclog::ReadResult read = SeekRead(*source, number, buffer);
    if (!read.ok) {
        run.Report(input, read.error == kErrorInvalidParameter
                              ? "there is no record number " + std::to_string(number)
                              : run.platform.errorText(read.error));
        return false;
    }
    const std::size_t size = std::min<std::size_t>(read.bytesRead, buffer.size());
    seclog::RecordWalker walker(std::span<const std::uint8_t>(buffer).first(size));
    seclog::RecordView record;
    std::optional<std::vector<std::string>> found;
    if (walker.Next(record) == seclog::WalkStep::Record)
        found = seclog::InsertionStrings(record);
    if (!found) {
        run.Report(input, "record " + std::to_string(number) + " is damaged");
        return false;
    }
    strings = std::move(*found);
    return true;
}

// The strings of a record of a saved log; false when reported.
bool FileStrings(const Run& run, std::vector<std::string>& strings)
{
    std::vector<std::string> files;
    if (!InputFiles(run, files))
        return false;
    if (files.size() != 1) {
        run.Report(run.options.files.front(),
                   "names " + std::to_string(files.size()) + " event log files; record reads one");
        return false;
    }
    const std::string& input = files.front();
    const std::unique_ptr<evtx::Reader> reader = run.OpenInput(input);
    if (!reader)
        return false;
    std::optional<evtx::Record> record = FindRecord(run, input, *reader, run.options.recordNumber);
    if (reader->ReadError()) {
        run.Report(input, run.platform.errorText(kErrorReadFault));
        return false;
    }
    if (!record) {
        run.Report(input, "there is no record number " + std::to_string(run.options.recordNumber));
        return false;
    }
    strings = std::move(record->strings);
    return true;
}

// One string a line; CSV and JSON with its index.
const ListForm kStringForm{{}, {"String"}, false};

}  // namespace

int RunRecord(const Run& run)
{
    std::vector<std::string> strings;
    if (!(ReadsLiveLogs(run.options) ? LiveStrings(run, strings) : FileStrings(run, strings)))
        return run.Finish(false);
    Output out(run, kStringForm);
    for (std::size_t i = 0; i < strings.size(); ++i) {
        Row row = out.NewRow();
        if (row.Format() == OutputFormat::Json)
            row.Number("index", static_cast<long long>(i + 1)).Text("string", strings[i]);
        else
            row.Cell(strings[i]);
        out.Add({}, {}, std::move(row));
    }
    return out.Finish(true);
}

}  // namespace tav::cli

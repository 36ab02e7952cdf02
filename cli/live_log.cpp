#include "cli/live_log.h"

#include <vector>

#include "evtx/filetime.h"
#include "seclog/event_record.h"
#include "seclog/logon_scan.h"

namespace tav::cli {

std::uint32_t ReadLiveLog(seclog::RecordSource& source, evtx::WalkOrder order,
                          const std::function<void(const evtx::Record&)>& visit)
{
    std::vector<std::uint8_t> buffer(seclog::EventLogBufferSize);
    evtx::Record record;
    for (;;) {
        const seclog::ReadResult read =
            order == evtx::WalkOrder::NewestFirst ? source.ReadNext(buffer) : source.ReadNextOldestFirst(buffer);
        if (!read.ok) {
            if (read.error == kErrorInsufficientBuffer && read.bytesNeeded > buffer.size() &&
                read.bytesNeeded <= seclog::kMaxReadBufferSize) {
                buffer.resize(read.bytesNeeded);
                continue;
            }
            return read.error == kErrorHandleEof ? 0 : read.error;
        }
        if (read.bytesRead == 0 || read.bytesRead > buffer.size())
            return kErrorEventlogFileCorrupt;
        seclog::RecordWalker walker(std::span<const std::uint8_t>(buffer).first(read.bytesRead));
        seclog::RecordView view;
        seclog::WalkStep step;
        while ((step = walker.Next(view)) == seclog::WalkStep::Record) {
            std::optional<std::vector<std::string>> strings = seclog::InsertionStrings(view);
            if (!strings)
                return kErrorEventlogFileCorrupt;
            seclog::RecordNames names = seclog::ReadRecordNames(view);
            record.recordId = view.recordNumber;
            record.timeCreated = view.timeGenerated;
            record.createdTicks = evtx::UnixSecondsToFiletime(view.timeGenerated);
            record.timeWritten = view.timeWritten;
            record.eventId = view.eventId;
            record.provider = std::move(names.source);
            record.computer = std::move(names.computer);
            record.strings = std::move(*strings);
            visit(record);
        }
        if (step == seclog::WalkStep::Malformed)
            return kErrorEventlogFileCorrupt;
    }
}

}  // namespace tav::cli

#include "seclog/event_log_win.h"

#include <utility>

#include "base/handles_win.h"
#include "base/text_win.h"

namespace tav::seclog {
namespace {

class EventLogSource final : public RecordSource {
public:
    explicit EventLogSource(UniqueEventLog log) : log_(std::move(log)) {}

    ReadResult ReadNext(std::span<std::uint8_t> buffer) override
    {
        return Read(EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ, 0, buffer);
    }

    ReadResult ReadRecord(std::uint32_t recordNumber, std::span<std::uint8_t> buffer) override
    {
        return Read(EVENTLOG_SEEK_READ | EVENTLOG_FORWARDS_READ, recordNumber, buffer);
    }

    ReadResult ReadNextOldestFirst(std::span<std::uint8_t> buffer) override
    {
        return Read(EVENTLOG_SEQUENTIAL_READ | EVENTLOG_FORWARDS_READ, 0, buffer);
    }

private:
    ReadResult Read(DWORD flags, DWORD offset, std::span<std::uint8_t> buffer)
    {
        ReadResult result;
        DWORD read = 0;
        DWORD needed = 0;
        result.ok = ReadEventLogW(log_.Get(), flags, offset, buffer.data(), static_cast<DWORD>(buffer.size()),
                                  &read, &needed) != FALSE;
        result.error = result.ok ? 0 : GetLastError();
        result.bytesRead = result.ok ? read : 0;
        result.bytesNeeded = needed;
        return result;
    }

    UniqueEventLog log_;
};

}  // namespace

std::unique_ptr<RecordSource> EventLogOpener::Open(const std::string& server, const std::string& log,
                                                   std::uint32_t& error)
{
    const std::wstring serverName = Widen(server);
    // An empty name means the local computer.
    UniqueEventLog handle(OpenEventLogW(server.empty() ? nullptr : serverName.c_str(), Widen(log).c_str()));
    if (!handle) {
        error = GetLastError();
        return nullptr;
    }
    error = 0;
    return std::make_unique<EventLogSource>(std::move(handle));
}

}  // namespace tav::seclog

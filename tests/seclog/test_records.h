// Records shaped as Windows writes them, for the tests and the benchmark.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "seclog/event_record.h"

namespace tav::seclog::test {

inline constexpr std::uint32_t kLogonEvent = 4624;

// An event 4624 with its usual 27 strings (fewer when `stringCount` says
// so); the scan uses 6 (user), 9 (logon type) and 12 (logon from).
inline LegacyRecord Logon(std::uint32_t number, std::uint32_t time, const std::string& user,
                          const std::string& type, const std::string& from,
                          std::size_t stringCount = 27)
{
    LegacyRecord record;
    record.recordNumber = number;
    record.timeGenerated = time;
    record.timeWritten = time;
    record.eventId = kLogonEvent;
    record.eventType = 8;  // audit success
    record.eventCategory = 12544;
    record.sourceName = "Microsoft-Windows-Security-Auditing";
    record.computerName = "WS-ACCOUNTING-07.corp.example.com";
    record.strings = {"S-1-5-18", "WS-ACCOUNTING-07$", "CORP", "0x3e7",
                      "S-1-5-21-3623811015-3361044348-30300820-1013", user, "CORP",
                      "0x1f4a2c3", type, "User32 ", "Negotiate", from,
                      "{00000000-0000-0000-0000-000000000000}", "-", "-", "0", "0x2a4",
                      "C:\\Windows\\System32\\svchost.exe", "192.168.10.24", "0", "%%1833", "-",
                      "-", "-", "%%1843", "0x0", "%%1842"};
    record.strings.resize(stringCount);
    return record;
}

// A record of another event with `stringCount` strings of `stringLength` characters.
inline LegacyRecord OtherEvent(std::uint32_t number, std::uint32_t time, std::uint32_t eventId,
                               std::size_t stringCount, std::size_t stringLength)
{
    LegacyRecord record;
    record.recordNumber = number;
    record.timeGenerated = time;
    record.timeWritten = time;
    record.eventId = eventId;
    record.eventType = 8;
    record.sourceName = "Microsoft-Windows-Security-Auditing";
    record.computerName = "WS-ACCOUNTING-07.corp.example.com";
    record.strings.assign(stringCount, std::string(stringLength, 'x'));
    return record;
}

inline std::vector<std::uint8_t> Encoded(const LegacyRecord& record)
{
    std::vector<std::uint8_t> bytes;
    EncodeRecord(record, bytes);
    return bytes;
}

// A copy on the heap with nothing behind it, so that a read past its end
// shows under AddressSanitizer.
class ExactBytes {
public:
    explicit ExactBytes(std::span<const std::uint8_t> bytes)
        : data_(std::make_unique<std::uint8_t[]>(bytes.size())), size_(bytes.size())
    {
        if (size_ > 0)
            std::memcpy(data_.get(), bytes.data(), size_);
    }
    std::span<const std::uint8_t> Span() const { return {data_.get(), size_}; }

private:
    std::unique_ptr<std::uint8_t[]> data_;
    std::size_t size_;
};

}  // namespace tav::seclog::test

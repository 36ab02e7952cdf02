#include "seclog/detail_view.h"

#include <charconv>
#include <vector>

#include "seclog/logon_scan.h"

namespace tav::seclog {

std::optional<std::uint32_t> RecordNumberFromCaption(std::string_view caption)
{
    std::int64_t value = 0;
    const char* first = caption.data();
    const char* last = caption.data() + caption.size();
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-')
        ++first;
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc() || end != last || first == last)
        return std::nullopt;
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) & 0xFFFFFFFFu);
}

std::string InvalidCaptionText(std::string_view caption)
{
    return "'" + std::string(caption) + "' is not a valid integer value";
}

std::string DetailText(const RecordView& record)
{
    const auto strings = InsertionStrings(record);
    if (!strings)
        return {};
    std::string text;
    for (const std::string& value : *strings) {
        text += value;
        text += '\r';
    }
    return text;
}

std::string ReadDetailText(RecordSource& source, std::uint32_t recordNumber)
{
    std::vector<std::uint8_t> buffer(EventLogBufferSize);
    ReadResult result = source.ReadRecord(recordNumber, buffer);
    if (!result.ok && result.error == kErrorInsufficientBuffer && result.bytesNeeded > buffer.size() &&
        result.bytesNeeded <= kMaxReadBufferSize) {
        buffer.resize(result.bytesNeeded);
        result = source.ReadRecord(recordNumber, buffer);
    }
    if (!result.ok)
        return {};
    RecordWalker walker(std::span<const std::uint8_t>(buffer.data(), std::min<std::size_t>(result.bytesRead, buffer.size())));
    RecordView record;
    if (walker.Next(record) != WalkStep::Record)
        return {};
    return DetailText(record);
}

}  // namespace tav::seclog

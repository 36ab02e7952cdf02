#include "tsquery/line_columns.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace tav::tsquery {
namespace {

bool IsContinuationByte(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

// Eight bytes at a time: most lines are ASCII and need the whole pass.
bool IsAscii(std::string_view text)
{
    constexpr std::uint64_t kHighBits = 0x8080808080808080u;
    std::uint64_t allBits = 0;
    std::size_t i = 0;
    for (; i + sizeof allBits <= text.size(); i += sizeof allBits) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        allBits |= word;
    }
    for (; i < text.size(); ++i)
        allBits |= static_cast<unsigned char>(text[i]);
    return (allBits & kHighBits) == 0;
}

}  // namespace

void LineColumns::Reset(std::string_view line)
{
    line_ = line;
    ascii_ = IsAscii(line);
    starts_.clear();
    if (ascii_)
        return;
    // A stray continuation byte at the very start still counts as a character,
    // so that every byte belongs to one.
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (i == 0 || !IsContinuationByte(static_cast<unsigned char>(line[i])))
            starts_.push_back(i);
    }
    starts_.push_back(line.size());
}

std::size_t LineColumns::ColumnAt(std::size_t byteOffset) const
{
    if (ascii_)
        return byteOffset + 1;
    // The number of characters that begin at or before the byte.
    const auto characters = std::upper_bound(starts_.begin(), starts_.end() - 1, byteOffset);
    return static_cast<std::size_t>(characters - starts_.begin());
}

std::string_view LineColumns::Copy(std::size_t startColumn, std::size_t count) const
{
    const std::size_t first = startColumn - 1;
    const std::size_t length = Length();
    if (first >= length)
        return {};
    if (ascii_)
        return line_.substr(first, count);
    const std::size_t end = first + std::min(count, length - first);
    return line_.substr(starts_[first], starts_[end] - starts_[first]);
}

}  // namespace tav::tsquery

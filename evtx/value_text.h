// Substitution values of BinXml and the text Windows gives each of them in
// event XML (and so in the insertion strings of the legacy read).
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tav::evtx {

enum ValueType : std::uint8_t {
    kNull = 0x00,
    kString = 0x01,
    kAnsiString = 0x02,
    kInt8 = 0x03,
    kUInt8 = 0x04,
    kInt16 = 0x05,
    kUInt16 = 0x06,
    kInt32 = 0x07,
    kUInt32 = 0x08,
    kInt64 = 0x09,
    kUInt64 = 0x0a,
    kReal32 = 0x0b,
    kReal64 = 0x0c,
    kBool = 0x0d,
    kBinary = 0x0e,
    kGuid = 0x0f,
    kSizeT = 0x10,
    kFiletime = 0x11,
    kSystemTime = 0x12,
    kSid = 0x13,
    kHexInt32 = 0x14,
    kHexInt64 = 0x15,
    kBinXml = 0x21,
    kArrayFlag = 0x80,
};

using ValueBytes = std::span<const std::uint8_t>;

// Appends the text of one value of `type` (the array flag clear). A value
// too short for its type adds nothing; an unknown type shows as Binary.
void AppendValueText(std::string& out, std::uint8_t type, ValueBytes value);

// Splits an array value of base type `type` into its items: strings at their
// NUL separators, SIDs by their own length, other types by their fixed size.
// Calls `item(ValueBytes)` for each; bytes left over that make no whole item
// are dropped.
template <class Item>
void ForEachArrayItem(std::uint8_t type, ValueBytes value, Item&& item);

// The number a value of an integer, FILETIME or SYSTEMTIME type holds;
// nullopt for other types and short values.
std::optional<std::uint64_t> ValueNumber(std::uint8_t type, ValueBytes value);

// Item size of the fixed-size types; 0 for variable-size and unknown ones.
std::size_t FixedValueSize(std::uint8_t type, std::size_t arrayBytes);
// Bytes of the SID starting at `value`; 0 when it does not fit.
std::size_t SidSize(ValueBytes value);

template <class Item>
void ForEachArrayItem(std::uint8_t type, ValueBytes value, Item&& item)
{
    if (type == kString || type == kAnsiString) {
        const std::size_t unit = type == kString ? 2 : 1;
        const std::size_t count = value.size() / unit;
        std::size_t start = 0;
        for (std::size_t i = 0; i < count; ++i) {
            const bool nul = unit == 2 ? (value[2 * i] == 0 && value[2 * i + 1] == 0) : value[i] == 0;
            if (nul) {
                item(value.subspan(start * unit, (i - start) * unit));
                start = i + 1;
            }
        }
        if (start < count)
            item(value.subspan(start * unit, (count - start) * unit));
        return;
    }
    if (type == kSid) {
        while (!value.empty()) {
            const std::size_t size = SidSize(value);
            if (size == 0)
                return;
            item(value.first(size));
            value = value.subspan(size);
        }
        return;
    }
    const std::size_t size = FixedValueSize(type, value.size());
    if (size == 0) {
        item(value);
        return;
    }
    for (std::size_t at = 0; at + size <= value.size(); at += size)
        item(value.subspan(at, size));
}

}  // namespace tav::evtx

#include "evtx/value_text.h"

#include <charconv>
#include <cstring>

#include "base/bytes.h"
#include "base/codepage.h"
#include "evtx/filetime.h"

namespace tav::evtx {
namespace {

constexpr char kUpperHex[] = "0123456789ABCDEF";
constexpr char kLowerHex[] = "0123456789abcdef";

template <class T>
void AppendNumber(std::string& out, T value)
{
    char buf[32];
    const auto result = std::to_chars(buf, buf + sizeof buf, value);
    out.append(buf, result.ptr);
}

void AppendHexInt(std::string& out, std::uint64_t value)
{
    char buf[16];
    int n = 0;
    do {
        buf[n++] = kLowerHex[value & 0xF];
        value >>= 4;
    } while (value != 0);
    out += "0x";
    while (n > 0)
        out.push_back(buf[--n]);
}

void AppendUpperHexBytes(std::string& out, const std::uint8_t* p, std::size_t size)
{
    for (std::size_t i = 0; i < size; ++i) {
        out.push_back(kUpperHex[p[i] >> 4]);
        out.push_back(kUpperHex[p[i] & 0xF]);
    }
}

void AppendGuid(std::string& out, const std::uint8_t* p)
{
    char buf[38];
    int n = 0;
    auto put = [&](std::uint64_t value, int digits) {
        for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
            buf[n++] = kUpperHex[(value >> shift) & 0xF];
    };
    buf[n++] = '{';
    put(LoadU32(p), 8);
    buf[n++] = '-';
    put(LoadU16(p + 4), 4);
    buf[n++] = '-';
    put(LoadU16(p + 6), 4);
    buf[n++] = '-';
    put(static_cast<std::uint64_t>(p[8]) << 8 | p[9], 4);
    buf[n++] = '-';
    for (int i = 10; i < 16; ++i)
        put(p[i], 2);
    buf[n++] = '}';
    out.append(buf, static_cast<std::size_t>(n));
}

void AppendSid(std::string& out, ValueBytes value)
{
    if (SidSize(value) == 0)
        return;
    std::uint64_t authority = 0;
    for (int i = 2; i < 8; ++i)
        authority = authority << 8 | value[static_cast<std::size_t>(i)];
    out += "S-";
    AppendNumber(out, static_cast<unsigned>(value[0]));
    out.push_back('-');
    AppendNumber(out, authority);
    for (std::size_t i = 0; i < value[1]; ++i) {
        out.push_back('-');
        AppendNumber(out, LoadU32(value.data() + 8 + 4 * i));
    }
}

// Trailing NULs are padding; text behind a NUL inside the string is kept,
// since whoever wrote the event may have hidden something there.
void AppendString(std::string& out, ValueBytes value)
{
    std::size_t units = value.size() / 2;
    while (units > 0 && value[2 * units - 2] == 0 && value[2 * units - 1] == 0)
        --units;
    AppendUtf16le(out, value.data(), units);
}

void AppendAnsi(std::string& out, ValueBytes value)
{
    const void* nul = std::memchr(value.data(), 0, value.size());
    const std::size_t size = nul ? static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - value.data())
                                 : value.size();
    out += DecodeCodePage(std::string_view(reinterpret_cast<const char*>(value.data()), size), 1252).value_or("");
}

template <class T>
T LoadAs(const std::uint8_t* p)
{
    T value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

}  // namespace

std::size_t FixedValueSize(std::uint8_t type, std::size_t arrayBytes)
{
    switch (type) {
    case kInt8:
    case kUInt8:
        return 1;
    case kInt16:
    case kUInt16:
        return 2;
    case kInt32:
    case kUInt32:
    case kReal32:
    case kBool:
    case kHexInt32:
        return 4;
    case kInt64:
    case kUInt64:
    case kReal64:
    case kFiletime:
    case kHexInt64:
        return 8;
    case kGuid:
    case kSystemTime:
        return 16;
    case kSizeT:
        return arrayBytes % 8 == 0 ? 8 : 4;
    default:
        return 0;
    }
}

std::size_t SidSize(ValueBytes value)
{
    if (value.size() < 8)
        return 0;
    const std::size_t size = 8 + 4 * static_cast<std::size_t>(value[1]);
    return size <= value.size() ? size : 0;
}

std::optional<std::uint64_t> ValueNumber(std::uint8_t type, ValueBytes value)
{
    const std::uint8_t* p = value.data();
    const std::size_t size = value.size();
    switch (type) {
    case kInt8:
    case kUInt8:
        return size >= 1 ? std::optional<std::uint64_t>(p[0]) : std::nullopt;
    case kInt16:
    case kUInt16:
        return size >= 2 ? std::optional<std::uint64_t>(LoadU16(p)) : std::nullopt;
    case kInt32:
    case kUInt32:
    case kHexInt32:
        return size >= 4 ? std::optional<std::uint64_t>(LoadU32(p)) : std::nullopt;
    case kInt64:
    case kUInt64:
    case kHexInt64:
    case kFiletime:
        return size >= 8 ? std::optional<std::uint64_t>(LoadU64(p)) : std::nullopt;
    case kSizeT:
        if (size >= 8)
            return LoadU64(p);
        return size >= 4 ? std::optional<std::uint64_t>(LoadU32(p)) : std::nullopt;
    case kSystemTime:
        return size >= 16 ? SystemTimeToFiletime(p) : std::nullopt;
    default:
        return std::nullopt;
    }
}

void AppendValueText(std::string& out, std::uint8_t type, ValueBytes value)
{
    const std::uint8_t* p = value.data();
    const std::size_t size = value.size();
    const std::size_t need = FixedValueSize(type, size);
    if (size < need)
        return;
    switch (type) {
    case kNull:
        return;
    case kString:
        return AppendString(out, value);
    case kAnsiString:
        return AppendAnsi(out, value);
    case kInt8:
        return AppendNumber(out, static_cast<int>(static_cast<std::int8_t>(p[0])));
    case kUInt8:
        return AppendNumber(out, static_cast<unsigned>(p[0]));
    case kInt16:
        return AppendNumber(out, static_cast<std::int16_t>(LoadU16(p)));
    case kUInt16:
        return AppendNumber(out, LoadU16(p));
    case kInt32:
        return AppendNumber(out, static_cast<std::int32_t>(LoadU32(p)));
    case kUInt32:
        return AppendNumber(out, LoadU32(p));
    case kInt64:
        return AppendNumber(out, static_cast<std::int64_t>(LoadU64(p)));
    case kUInt64:
        return AppendNumber(out, LoadU64(p));
    case kReal32:
        return AppendNumber(out, LoadAs<float>(p));
    case kReal64:
        return AppendNumber(out, LoadAs<double>(p));
    case kBool:
        out += LoadU32(p) != 0 ? "true" : "false";
        return;
    case kGuid:
        return AppendGuid(out, p);
    case kSizeT:
        return AppendHexInt(out, size >= 8 ? LoadU64(p) : LoadU32(p));
    case kFiletime:
        return AppendFiletimeText(out, LoadU64(p));
    case kSystemTime:
        return AppendSystemTimeText(out, p);
    case kSid:
        return AppendSid(out, value);
    case kHexInt32:
        return AppendHexInt(out, LoadU32(p));
    case kHexInt64:
        return AppendHexInt(out, LoadU64(p));
    default:
        return AppendUpperHexBytes(out, p, size);
    }
}

}  // namespace tav::evtx

#include "evtx/filetime.h"

#include <array>

#include "base/bytes.h"

namespace tav::evtx {
namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDays1601To1970 = 134774;

struct Civil {
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's method).
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

Civil CivilFromDays(std::int64_t z)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

void AppendDigits(std::string& out, std::uint64_t value, int width)
{
    std::array<char, 20> buf{};
    int n = 0;
    do {
        buf[static_cast<std::size_t>(n++)] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0 || n < width);
    while (n > 0)
        out.push_back(buf[static_cast<std::size_t>(--n)]);
}

// "YYYY-MM-DDThh:mm:ss." with the date of `days` since 1601 and the time of
// `secondOfDay`.
void AppendDateAndTime(std::string& out, std::int64_t days1601, std::uint64_t secondOfDay)
{
    const Civil c = CivilFromDays(days1601 - kDays1601To1970);
    AppendDigits(out, static_cast<std::uint64_t>(c.year), 4);
    out.push_back('-');
    AppendDigits(out, c.month, 2);
    out.push_back('-');
    AppendDigits(out, c.day, 2);
    out.push_back('T');
    AppendDigits(out, secondOfDay / 3600, 2);
    out.push_back(':');
    AppendDigits(out, secondOfDay / 60 % 60, 2);
    out.push_back(':');
    AppendDigits(out, secondOfDay % 60, 2);
    out.push_back('.');
}

bool ReadNumber(std::string_view text, std::size_t& pos, std::size_t digits, unsigned& value)
{
    value = 0;
    for (std::size_t k = 0; k < digits; ++k, ++pos) {
        if (pos >= text.size() || text[pos] < '0' || text[pos] > '9')
            return false;
        value = value * 10 + static_cast<unsigned>(text[pos] - '0');
    }
    return true;
}

bool Expect(std::string_view text, std::size_t& pos, char c)
{
    if (pos >= text.size() || text[pos] != c)
        return false;
    ++pos;
    return true;
}

std::optional<std::uint64_t> FiletimeOf(std::int64_t year, unsigned month, unsigned day, unsigned hour,
                                        unsigned minute, unsigned second, std::uint64_t ticks)
{
    if (year < 1601 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 59)
        return std::nullopt;
    const std::int64_t days = DaysFromCivil(year, month, day) + kDays1601To1970;
    const std::uint64_t seconds = static_cast<std::uint64_t>(days) * kSecondsPerDay + hour * 3600u +
                                  minute * 60u + second;
    return seconds * kTicksPerSecond + ticks;
}

}  // namespace

std::int64_t FiletimeToUnixSeconds(std::uint64_t filetime)
{
    if (filetime >= kUnixEpochTicks)
        return static_cast<std::int64_t>((filetime - kUnixEpochTicks) / kTicksPerSecond);
    const std::uint64_t before = kUnixEpochTicks - filetime;
    return -static_cast<std::int64_t>((before + kTicksPerSecond - 1) / kTicksPerSecond);
}

std::uint64_t UnixSecondsToFiletime(std::int64_t seconds)
{
    const std::int64_t min = -static_cast<std::int64_t>(kUnixEpochTicks / kTicksPerSecond);
    if (seconds < min)
        return 0;
    return static_cast<std::uint64_t>(seconds - min) * kTicksPerSecond;
}

void AppendFiletimeText(std::string& out, std::uint64_t filetime)
{
    const std::uint64_t seconds = filetime / kTicksPerSecond;
    AppendDateAndTime(out, static_cast<std::int64_t>(seconds / kSecondsPerDay), seconds % kSecondsPerDay);
    AppendDigits(out, filetime % kTicksPerSecond, 7);
    out += "00Z";
}

std::optional<std::uint64_t> SystemTimeToFiletime(const std::uint8_t* p)
{
    const unsigned ms = LoadU16(p + 14);
    if (ms > 999)
        return std::nullopt;
    return FiletimeOf(LoadU16(p), LoadU16(p + 2), LoadU16(p + 6), LoadU16(p + 8), LoadU16(p + 10),
                      LoadU16(p + 12), ms * 10000ull);
}

void AppendSystemTimeText(std::string& out, const std::uint8_t* p)
{
    AppendDigits(out, LoadU16(p), 4);
    out.push_back('-');
    AppendDigits(out, LoadU16(p + 2), 2);
    out.push_back('-');
    AppendDigits(out, LoadU16(p + 6), 2);
    out.push_back('T');
    AppendDigits(out, LoadU16(p + 8), 2);
    out.push_back(':');
    AppendDigits(out, LoadU16(p + 10), 2);
    out.push_back(':');
    AppendDigits(out, LoadU16(p + 12), 2);
    out.push_back('.');
    AppendDigits(out, LoadU16(p + 14), 3);
    out += "000000Z";
}

std::optional<std::uint64_t> ParseTimeText(std::string_view text)
{
    std::size_t pos = 0;
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ReadNumber(text, pos, 4, year) || !Expect(text, pos, '-') || !ReadNumber(text, pos, 2, month) ||
        !Expect(text, pos, '-') || !ReadNumber(text, pos, 2, day) || !Expect(text, pos, 'T') ||
        !ReadNumber(text, pos, 2, hour) || !Expect(text, pos, ':') || !ReadNumber(text, pos, 2, minute) ||
        !Expect(text, pos, ':') || !ReadNumber(text, pos, 2, second))
        return std::nullopt;
    std::uint64_t ticks = 0;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        std::uint64_t scale = kTicksPerSecond;
        std::size_t digits = 0;
        for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos, ++digits) {
            if (digits >= 9)
                return std::nullopt;
            scale /= 10;
            ticks += static_cast<std::uint64_t>(text[pos] - '0') * scale;
        }
    }
    if (pos < text.size() && text[pos] == 'Z')
        ++pos;
    if (pos != text.size())
        return std::nullopt;
    return FiletimeOf(year, month, day, hour, minute, second, ticks);
}

}  // namespace tav::evtx

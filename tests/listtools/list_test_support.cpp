#include "list_test_support.h"

namespace tav::test {
namespace {

class Reader {
public:
    explicit Reader(std::string_view text) : text_(text) {}

    void SkipBlanks()
    {
        while (pos_ < text_.size() && text_[pos_] == ' ')
            ++pos_;
    }

    bool Take(char c)
    {
        if (pos_ >= text_.size() || text_[pos_] != c)
            return false;
        ++pos_;
        return true;
    }

    // 1..maxDigits decimal digits; -1 when there are none.
    int Number(std::size_t maxDigits)
    {
        int value = 0;
        std::size_t digits = 0;
        while (digits < maxDigits && pos_ < text_.size() && text_[pos_] >= '0' &&
               text_[pos_] <= '9') {
            value = value * 10 + (text_[pos_] - '0');
            ++pos_;
            ++digits;
        }
        return digits > 0 ? value : -1;
    }

    bool AtEnd() const { return pos_ == text_.size(); }

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// Days since 30 December 1899 through the Julian day number.
long DaysOfDate(int year, int month, int day)
{
    const int beforeMarch = month <= 2 ? 1 : 0;
    const long y = year + 4800 - beforeMarch;
    const long m = month + 12 * beforeMarch - 3;
    const long julianDay = day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
    return julianDay - 2415019;
}

}  // namespace

int CompareOrdinal(std::string_view a, std::string_view b)
{
    return a.compare(b);
}

std::optional<DateTime> ParseDottedDateTime(std::string_view text)
{
    Reader reader(text);
    reader.SkipBlanks();
    const int day = reader.Number(2);
    if (!reader.Take('.'))
        return std::nullopt;
    const int month = reader.Number(2);
    if (!reader.Take('.'))
        return std::nullopt;
    const int year = reader.Number(4);
    if (day < 1 || day > 31 || month < 1 || month > 12 || year < 1)
        return std::nullopt;
    reader.SkipBlanks();
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (!reader.AtEnd()) {
        hour = reader.Number(2);
        if (!reader.Take(':'))
            return std::nullopt;
        minute = reader.Number(2);
        if (!reader.Take(':'))
            return std::nullopt;
        second = reader.Number(2);
        if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
            !reader.AtEnd())
            return std::nullopt;
    }
    const auto days = static_cast<DateTime>(DaysOfDate(year, month, day));
    const double time = (hour * 3600 + minute * 60 + second) / 86400.0;
    return days >= 0 ? days + time : days - time;  // before day 0 the time still counts forwards
}

Order Captions(const std::vector<ResultRow>& rows)
{
    Order captions;
    for (const ResultRow& row : rows)
        captions.push_back(row.caption);
    return captions;
}

}  // namespace tav::test

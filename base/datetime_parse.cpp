// Text to date-time values in the user's patterns. The patterns drive the
// reading, leniently: separators may be any of the pattern's own or the
// locale's separator, blanks before numbers and separators are skipped, and
// the year, the seconds, the weekday and the AM/PM designator may be missing.
#include <array>
#include <atomic>
#include <chrono>

#include "base/ascii.h"
#include "base/datetime.h"
#include "base/datetime_pattern.h"

namespace tav {
namespace {

// Windows allows 80 characters per pattern; real patterns have about ten tokens.
constexpr std::size_t kMaxTokens = 40;
constexpr int kCenturyWindow = 50;

class TokenList {
public:
    // false when the pattern has more tokens than the list holds.
    bool Load(std::string_view pattern, PatternKind kind)
    {
        PatternReader reader(pattern, kind);
        for (PatternToken token; reader.Next(token);) {
            if (count_ == tokens_.size())
                return false;
            tokens_[count_++] = token;
        }
        return true;
    }

    // The list without its year and the separator that joins the year to
    // the other fields, for dates typed without a year. false without a year.
    bool WithoutYear(TokenList& out) const
    {
        std::size_t year = 0;
        while (year < count_ && tokens_[year].picture != Picture::Year)
            ++year;
        if (year == count_)
            return false;
        std::size_t separator = count_;
        if (year > 0 && IsSeparator(year - 1))
            separator = year - 1;
        else if (year + 1 < count_ && IsSeparator(year + 1))
            separator = year + 1;
        for (std::size_t i = 0; i < count_; ++i) {
            if (i != year && i != separator)
                out.tokens_[out.count_++] = tokens_[i];
        }
        return true;
    }

    std::size_t Count() const { return count_; }
    const PatternToken& operator[](std::size_t i) const { return tokens_[i]; }

    // A literal with fields on both sides.
    bool IsSeparator(std::size_t i) const
    {
        return tokens_[i].picture == Picture::Literal && HasField(0, i) && HasField(i + 1, count_);
    }

private:
    bool HasField(std::size_t begin, std::size_t end) const
    {
        for (std::size_t i = begin; i < end; ++i) {
            if (tokens_[i].picture != Picture::Literal)
                return true;
        }
        return false;
    }

    std::array<PatternToken, kMaxTokens> tokens_{};
    std::size_t count_ = 0;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool SameLetter(char a, char b)
{
    return AsciiLower(a) == AsciiLower(b);
}

bool IsBlankLiteral(std::string_view raw)
{
    LiteralReader reader(raw);
    for (char c; reader.Next(c);) {
        if (!IsBlank(c))
            return false;
    }
    return true;
}

// Reading position in the text. Every Read/Match leaves the position
// unchanged when it fails.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text_(text) {}

    std::size_t Pos() const { return pos_; }
    bool AtEnd() const { return pos_ == text_.size(); }

    void SkipBlanks()
    {
        while (pos_ < text_.size() && IsBlank(text_[pos_]))
            ++pos_;
    }

    // 1 to maxDigits digits after optional blanks.
    bool ReadNumber(int maxDigits, int& value, int* digits = nullptr)
    {
        const std::size_t start = pos_;
        SkipBlanks();
        int count = 0;
        int number = 0;
        while (count < maxDigits && pos_ < text_.size() && IsDigit(text_[pos_])) {
            number = number * 10 + (text_[pos_++] - '0');
            ++count;
        }
        if (count == 0) {
            pos_ = start;
            return false;
        }
        value = number;
        if (digits != nullptr)
            *digits = count;
        return true;
    }

    // A fraction of a second right behind the seconds: '.' or ',' and 1-3 digits.
    void ReadMilliseconds(int& milliseconds)
    {
        if (pos_ + 1 >= text_.size() || (text_[pos_] != '.' && text_[pos_] != ',') || !IsDigit(text_[pos_ + 1]))
            return;
        ++pos_;
        int value = 0;
        int digits = 0;
        ReadNumber(3, value, &digits);
        for (; digits < 3; ++digits)
            value *= 10;
        milliseconds = value;
    }

    // A word (name, designator) after optional blanks, letters in any case.
    bool MatchWord(std::string_view word)
    {
        if (word.empty())
            return false;
        std::size_t at = pos_;
        while (at < text_.size() && IsBlank(text_[at]))
            ++at;
        if (text_.size() - at < word.size())
            return false;
        for (std::size_t i = 0; i < word.size(); ++i) {
            if (!SameLetter(text_[at + i], word[i]))
                return false;
        }
        pos_ = at + word.size();
        return true;
    }

    // Literal text of a pattern (quotes resolved) or a plain separator;
    // blanks on either side play no part.
    bool MatchLiteral(std::string_view raw)
    {
        LiteralReader reader(raw);
        return MatchChars([&reader](char& c) { return reader.Next(c); });
    }

    bool MatchPlain(std::string_view text)
    {
        std::size_t i = 0;
        return !text.empty() && MatchChars([&](char& c) {
            if (i == text.size())
                return false;
            c = text[i++];
            return true;
        });
    }

private:
    template <typename NextChar>
    bool MatchChars(NextChar next)
    {
        const std::size_t start = pos_;
        for (char c; next(c);) {
            if (IsBlank(c))
                continue;
            SkipBlanks();
            if (AtEnd() || !SameLetter(text_[pos_], c)) {
                pos_ = start;
                return false;
            }
            ++pos_;
        }
        return true;
    }

    std::string_view text_;
    std::size_t pos_ = 0;
};

enum class HalfDay { None, Am, Pm };

struct Fields {
    int day = 1;
    int month = 1;
    int year = -1;  // missing
    int yearDigits = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    HalfDay halfDay = HalfDay::None;
};

bool ReadMonthName(Scanner& scanner, int& month)
{
    for (const bool full : {true, false}) {
        for (int m = 1; m <= 12; ++m) {
            if (scanner.MatchWord(MonthName(m, full))) {
                month = m;
                return true;
            }
        }
    }
    return false;
}

bool SkipDayName(Scanner& scanner)
{
    for (const bool full : {true, false}) {
        for (int d = 0; d < 7; ++d) {
            if (scanner.MatchWord(DayName(d, full)))
                return true;
        }
    }
    return false;
}

bool ReadDesignator(Scanner& scanner, const DateTimeFormats& formats, HalfDay& halfDay)
{
    const std::string_view am = formats.amDesignator;
    const std::string_view pm = formats.pmDesignator;
    const std::array<std::pair<std::string_view, HalfDay>, 4> candidates = {{{am, HalfDay::Am},
        {pm, HalfDay::Pm}, {ShortDesignator(am), HalfDay::Am}, {ShortDesignator(pm), HalfDay::Pm}}};
    for (const auto& [text, value] : candidates) {
        if (scanner.MatchWord(text)) {
            halfDay = value;
            return true;
        }
    }
    return false;
}

bool MatchSeparator(Scanner& scanner, const TokenList& tokens, std::size_t index, std::string_view separator)
{
    if (scanner.MatchLiteral(tokens[index].text) || scanner.MatchPlain(separator))
        return true;
    for (std::size_t i = 0; i < tokens.Count(); ++i) {
        if (i != index && tokens.IsSeparator(i) && !IsBlankLiteral(tokens[i].text)
            && scanner.MatchLiteral(tokens[i].text))
            return true;
    }
    return false;
}

bool IsOptional(Picture picture)
{
    return picture == Picture::DayName || picture == Picture::Second || picture == Picture::Designator;
}

// Reads one field; false when a field that must be there is not.
bool ReadField(Scanner& scanner, const PatternToken& token, const DateTimeFormats& formats, Fields& fields,
               bool& present)
{
    present = true;
    switch (token.picture) {
    case Picture::Literal:
    case Picture::Era: return true;
    case Picture::Day: return scanner.ReadNumber(2, fields.day);
    case Picture::DayName: present = SkipDayName(scanner); return true;
    case Picture::Month: return scanner.ReadNumber(2, fields.month);
    case Picture::MonthName: return ReadMonthName(scanner, fields.month) || scanner.ReadNumber(2, fields.month);
    case Picture::Year: return scanner.ReadNumber(4, fields.year, &fields.yearDigits);
    case Picture::Hour12:
    case Picture::Hour24: return scanner.ReadNumber(2, fields.hour);
    case Picture::Minute: return scanner.ReadNumber(2, fields.minute);
    case Picture::Second:
        present = scanner.ReadNumber(2, fields.second);
        if (present)
            scanner.ReadMilliseconds(fields.millisecond);
        return true;
    case Picture::Designator: present = ReadDesignator(scanner, formats, fields.halfDay); return true;
    }
    return false;
}

bool ScanPattern(Scanner& scanner, const TokenList& tokens, std::string_view separator,
                 const DateTimeFormats& formats, Fields& fields)
{
    bool lastFieldPresent = true;
    for (std::size_t i = 0; i < tokens.Count(); ++i) {
        const PatternToken& token = tokens[i];
        if (token.picture != Picture::Literal) {
            if (!ReadField(scanner, token, formats, fields, lastFieldPresent))
                return false;
            continue;
        }
        if (!tokens.IsSeparator(i)) {
            scanner.MatchLiteral(token.text);  // text before or after all fields may be left out
            continue;
        }
        if (MatchSeparator(scanner, tokens, i, separator) || !lastFieldPresent)
            continue;
        // No separator: the optional field behind it is missing.
        if (i + 1 == tokens.Count() || !IsOptional(tokens[i + 1].picture))
            return false;
        ++i;
        lastFieldPresent = false;
    }
    return true;
}

// The year of the local date, looked up at most once a minute: two-digit
// years are read up to a few million times per sort.
int CurrentYear()
{
    static std::atomic<std::int64_t> cache{-1};  // minute << 14 | year
    const std::int64_t nowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch()).count();
    const std::int64_t minute = nowMs / 60000;
    const std::int64_t cached = cache.load(std::memory_order_relaxed);
    if (cached >= 0 && (cached >> 14) == minute)
        return static_cast<int>(cached & 0x3FFF);
    const int year = DecodeDateTime(UtcToLocalDateTime(UnixMillisecondsToDateTime(nowMs))).year;
    cache.store(minute << 14 | year, std::memory_order_relaxed);
    return year;
}

// A two-digit year falls in the hundred years from 50 years ago.
int ExpandYear(int year, int digits)
{
    if (year < 0)
        return CurrentYear();
    if (digits > 2)
        return year;
    const int first = CurrentYear() - kCenturyWindow;
    year += first / 100 * 100;
    return year < first ? year + 100 : year;
}

std::optional<DateTime> ToDateTime(const Fields& fields)
{
    int hour = fields.hour;
    if (fields.halfDay != HalfDay::None) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour %= 12;
        if (fields.halfDay == HalfDay::Pm)
            hour += 12;
    }
    return EncodeDateTime({ExpandYear(fields.year, fields.yearDigits), fields.month, fields.day, hour,
                           fields.minute, fields.second, fields.millisecond});
}

std::optional<DateTime> ParseWith(std::string_view text, const TokenList& date, const TokenList* time,
                                  const DateTimeFormats& formats)
{
    Scanner scanner(text);
    Fields fields;
    if (!ScanPattern(scanner, date, formats.dateSeparator, formats, fields))
        return std::nullopt;
    const std::size_t dateEnd = scanner.Pos();
    scanner.SkipBlanks();
    if (!scanner.AtEnd()) {
        // A time follows the date after at least one blank.
        if (time == nullptr || scanner.Pos() == dateEnd)
            return std::nullopt;
        if (!ScanPattern(scanner, *time, formats.timeSeparator, formats, fields))
            return std::nullopt;
        scanner.SkipBlanks();
        if (!scanner.AtEnd())
            return std::nullopt;
    }
    return ToDateTime(fields);
}

std::optional<DateTime> Parse(std::string_view text, const DateTimeFormats& formats, bool withTime)
{
    TokenList date;
    TokenList time;
    if (!date.Load(formats.shortDate, PatternKind::Date)
        || (withTime && !time.Load(formats.longTime, PatternKind::Time)))
        return std::nullopt;
    const TokenList* timeTokens = withTime ? &time : nullptr;
    if (auto value = ParseWith(text, date, timeTokens, formats))
        return value;
    TokenList withoutYear;
    if (!date.WithoutYear(withoutYear))
        return std::nullopt;
    return ParseWith(text, withoutYear, timeTokens, formats);
}

}  // namespace

std::optional<DateTime> ParseDateTime(std::string_view text, const DateTimeFormats& formats)
{
    return Parse(text, formats, true);
}

std::optional<DateTime> ParseDate(std::string_view text, const DateTimeFormats& formats)
{
    return Parse(text, formats, false);
}

}  // namespace tav

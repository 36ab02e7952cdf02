// The pictures of a Windows date or time pattern ("dd.MM.yyyy", "h:mm:ss tt"),
// read one token at a time without copying, for formatting and parsing.
#pragma once

#include <cstddef>
#include <string_view>

namespace tav {

enum class Picture : unsigned char {
    Literal,     // text, quotes still in place (read it with LiteralReader)
    Day,         // d, dd
    DayName,     // ddd (abbreviated), dddd (full)
    Month,       // M, MM
    MonthName,   // MMM (abbreviated), MMMM (full)
    Year,        // y (no leading zero), yy (two digits), yyyy (four or more)
    Era,         // g, gg: not shown for the Gregorian calendar
    Hour12,      // h, hh
    Hour24,      // H, HH
    Minute,      // m, mm
    Second,      // s, ss
    Designator,  // t (first character), tt (whole AM/PM designator)
};

struct PatternToken {
    Picture picture = Picture::Literal;
    // Run length, capped where more letters change nothing: 1-4 for d and M,
    // 1, 2 or 4 for y, 1-2 for the others.
    int width = 0;
    std::string_view text;  // the token's characters in the pattern
};

enum class PatternKind { Date, Time };

// Splits a pattern into tokens. A date pattern knows the pictures d, M, y, g;
// a time pattern h, H, m, s, t; all other characters are literal, and so is
// text in single quotes ('' stands for one quote, inside quotes or not).
class PatternReader {
public:
    PatternReader(std::string_view pattern, PatternKind kind) : pattern_(pattern), kind_(kind) {}
    bool Next(PatternToken& token);

private:
    std::string_view pattern_;
    PatternKind kind_;
    std::size_t pos_ = 0;
};

// The characters that a literal token stands for, quotes resolved.
class LiteralReader {
public:
    explicit LiteralReader(std::string_view raw) : raw_(raw) {}
    bool Next(char& c);

private:
    std::string_view raw_;
    std::size_t pos_ = 0;
};

// What the t picture shows of an AM/PM designator: its first character.
std::string_view ShortDesignator(std::string_view designator);

// English names; month 1-12, dayOfWeek 0 (Sunday) to 6.
std::string_view MonthName(int month, bool full);
std::string_view DayName(int dayOfWeek, bool full);

}  // namespace tav

#include "base/datetime_pattern.h"

#include <algorithm>
#include <array>

#include "base/codepage.h"

namespace tav {
namespace {

Picture PictureOf(char c, PatternKind kind)
{
    if (kind == PatternKind::Date) {
        switch (c) {
        case 'd': return Picture::Day;
        case 'M': return Picture::Month;
        case 'y': return Picture::Year;
        case 'g': return Picture::Era;
        default: return Picture::Literal;
        }
    }
    switch (c) {
    case 'h': return Picture::Hour12;
    case 'H': return Picture::Hour24;
    case 'm': return Picture::Minute;
    case 's': return Picture::Second;
    case 't': return Picture::Designator;
    default: return Picture::Literal;
    }
}

PatternToken PictureToken(Picture picture, std::string_view run)
{
    const int count = static_cast<int>(std::min<std::size_t>(run.size(), 4));
    switch (picture) {
    case Picture::Day:
        return {count >= 3 ? Picture::DayName : Picture::Day, count, run};
    case Picture::Month:
        return {count >= 3 ? Picture::MonthName : Picture::Month, count, run};
    case Picture::Year:
        return {picture, count >= 3 ? 4 : count, run};
    default:
        return {picture, std::min(count, 2), run};
    }
}

}  // namespace

bool PatternReader::Next(PatternToken& token)
{
    if (pos_ >= pattern_.size())
        return false;
    const std::size_t start = pos_;
    const Picture picture = PictureOf(pattern_[pos_], kind_);
    if (picture != Picture::Literal) {
        while (pos_ < pattern_.size() && pattern_[pos_] == pattern_[start])
            ++pos_;
        token = PictureToken(picture, pattern_.substr(start, pos_ - start));
        return true;
    }
    bool quoted = false;
    while (pos_ < pattern_.size()) {
        const char c = pattern_[pos_];
        if (c == '\'') {
            const bool doubled = pos_ + 1 < pattern_.size() && pattern_[pos_ + 1] == '\'';
            if (!doubled)
                quoted = !quoted;
            pos_ += doubled ? 2 : 1;
            continue;
        }
        if (!quoted && PictureOf(c, kind_) != Picture::Literal)
            break;
        ++pos_;
    }
    token = {Picture::Literal, 0, pattern_.substr(start, pos_ - start)};
    return true;
}

bool LiteralReader::Next(char& c)
{
    while (pos_ < raw_.size()) {
        if (raw_[pos_] != '\'') {
            c = raw_[pos_++];
            return true;
        }
        if (pos_ + 1 < raw_.size() && raw_[pos_ + 1] == '\'') {
            c = '\'';
            pos_ += 2;
            return true;
        }
        ++pos_;  // an opening or closing quote stands for nothing
    }
    return false;
}

std::string_view ShortDesignator(std::string_view designator)
{
    std::size_t end = 0;
    if (!designator.empty())
        ReadUtf8(designator, end);
    return designator.substr(0, end);
}

std::string_view MonthName(int month, bool full)
{
    static constexpr std::array<std::string_view, 12> kFull = {"January", "February", "March", "April",
        "May", "June", "July", "August", "September", "October", "November", "December"};
    const std::string_view name = kFull[static_cast<std::size_t>(month - 1)];
    return full ? name : name.substr(0, 3);
}

std::string_view DayName(int dayOfWeek, bool full)
{
    static constexpr std::array<std::string_view, 7> kFull = {"Sunday", "Monday", "Tuesday", "Wednesday",
        "Thursday", "Friday", "Saturday"};
    const std::string_view name = kFull[static_cast<std::size_t>(dayOfWeek)];
    return full ? name : name.substr(0, 3);
}

}  // namespace tav

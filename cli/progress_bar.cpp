#include "cli/progress_bar.h"

#include <algorithm>

#include "base/codepage.h"

namespace tav::cli {
namespace {

constexpr std::size_t kBarWidth = 30;
constexpr std::size_t kLabelWidth = 40;
constexpr std::size_t kCallsPerClockLook = 256;

// At most `width` characters of `text`, its end kept (a file's name).
std::string Tail(const std::string& text, std::size_t width)
{
    const std::size_t length = Utf8Length(text);
    if (length <= width)
        return text;
    std::size_t pos = 0;
    for (std::size_t skip = length - width + 3; skip > 0; --skip)
        ReadUtf8(text, pos);
    return "..." + text.substr(pos);
}

}  // namespace

ProgressBar::ProgressBar(std::ostream& err, bool enabled, std::string label, Clock clock)
    : err_(err), enabled_(enabled), label_(Tail(label, kLabelWidth)), clock_(std::move(clock))
{
    if (enabled_)
        start_ = clock_();
}

ProgressBar::~ProgressBar() { Finish(); }

void ProgressBar::Update(double share)
{
    if (!enabled_ || ++calls_ % kCallsPerClockLook != 1)
        return;
    const auto now = clock_();
    if (now - start_ < kDelay || (shownWidth_ > 0 && now - lastDraw_ < kInterval))
        return;
    lastDraw_ = now;
    Draw(share);
}

void ProgressBar::Draw(double share)
{
    share = std::clamp(share, 0.0, 1.0);
    const auto filled = static_cast<std::size_t>(share * kBarWidth);
    std::string line = label_ + " [" + std::string(filled, '#') + std::string(kBarWidth - filled, '.') + "] " +
                       std::to_string(static_cast<int>(share * 100)) + "%";
    const std::size_t width = Utf8Length(line);
    line.append(shownWidth_ - std::min(shownWidth_, width), ' ');  // over a longer line drawn before
    err_ << '\r' << line << std::flush;
    shownWidth_ = std::max(shownWidth_, width);
}

void ProgressBar::Finish()
{
    if (shownWidth_ == 0)
        return;
    err_ << '\r' << std::string(shownWidth_, ' ') << '\r' << std::flush;
    shownWidth_ = 0;
}

}  // namespace tav::cli

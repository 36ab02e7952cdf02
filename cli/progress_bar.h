// A progress bar on standard error while a long read runs: it appears only
// once the read has taken a moment, is redrawn a few times a second at
// most, and is erased at the end so that nothing of it stays behind.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <ostream>
#include <string>

namespace tav::cli {

class ProgressBar {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    static constexpr auto kDelay = std::chrono::milliseconds(300);     // before it appears
    static constexpr auto kInterval = std::chrono::milliseconds(200);  // between redraws

    // Draws nothing unless `enabled` (standard error is a terminal).
    ProgressBar(std::ostream& err, bool enabled, std::string label, Clock clock = std::chrono::steady_clock::now);
    ~ProgressBar();
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // `share` done, 0 to 1; cheap enough to call for every record.
    void Update(double share);
    // Erases the bar if it is shown.
    void Finish();

private:
    void Draw(double share);

    std::ostream& err_;
    bool enabled_;
    std::string label_;
    Clock clock_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    std::size_t calls_ = 0;
    std::size_t shownWidth_ = 0;  // characters of the bar on the line; 0 when not shown
};

}  // namespace tav::cli

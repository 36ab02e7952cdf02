// The run state of one tab: its finished flag and elapsed-time counter, and
// the texts the status bar shows for them.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

namespace tav {

inline constexpr char kElapsedPrefix[] = "Времени потрачено: ";
inline constexpr char kCountPrefix[] = "Записей отобрано: ";

struct RunState {
    // 0 from a start, 1 from the end of a run; a worker thread writes it.
    std::atomic<std::int32_t> QueryFinished{0};
    // Seconds shown by the tab's timer; user-interface thread only.
    std::int32_t ElapsedSeconds = 0;
};

// "Времени потрачено: 01:05" for 65 seconds; minutes grow past two digits.
std::string ElapsedText(std::int32_t seconds);
// "Записей отобрано: 42".
std::string CountText(std::size_t rows);

}  // namespace tav

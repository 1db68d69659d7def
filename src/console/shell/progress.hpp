#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace varnelo {

// Tick count of the last redraw of the progress display.
extern double timer;

// Milliseconds since the program started.
double now();

// Draws the full-screen progress display: label, 50-character bar, average speed and the
// estimate of the remaining time. Between 1 % and 99 % it redraws at most once per second.
void progress_bar(double start_time, std::uint16_t percent, std::int64_t bytes_done,
                  const std::string& label);

// The display of a stream, whose end is unknown: label, bytes so far and average speed, redrawn
// at most once per second.
void stream_progress(double start_time, std::int64_t bytes_done, const std::string& label);

// Prints the elapsed time since start_time on one line.
void running_time(double start_time);

// The display calls of one long operation, for its block pump or its own schedule.
inline auto progress_display(double start_time, std::string label) {
  return [start_time, label = std::move(label)](std::uint16_t percent, std::int64_t bytes_done) {
    progress_bar(start_time, percent, bytes_done, label);
  };
}

}  // namespace varnelo

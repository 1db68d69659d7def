#pragma once

#include <cstdint>
#include <string>

namespace varnelo {

// Tick count of the last redraw of the progress display.
extern double timer;

// Milliseconds since the program started.
double now();

// Draws the full-screen progress display: label, 50-character bar, average speed and the
// estimate of the remaining time. Between 1 % and 99 % it redraws at most once per second.
void progress_bar(double start_time, std::uint16_t percent, std::int64_t bytes_done,
                  const std::string& label);

// Prints the elapsed time since start_time on one line.
void running_time(double start_time);

// The calling pattern every long operation follows: before each block the shown percentage
// rises by at most one towards done * 100 / total, and the display is redrawn when it rose.
class ProgressMeter {
 public:
  ProgressMeter(double start_time, std::string label) : start_time_(start_time), label_(std::move(label)) {}

  // One step before a block. `bytes_shown` is the byte count the display reports.
  void step(std::int64_t done, std::int64_t total, std::int64_t bytes_shown) {
    if (total > 0 && done * 100 / total > shown_) {
      ++shown_;
      redraw_ = true;
    }
    if (redraw_) {
      progress_bar(start_time_, shown_, bytes_shown, label_);
      redraw_ = false;
    }
  }
  void step(std::int64_t done, std::int64_t total) { step(done, total, done); }

  // The completion display at 100 %.
  void complete(std::int64_t bytes_shown) { progress_bar(start_time_, 100, bytes_shown, label_); }

  std::uint16_t shown() const { return shown_; }
  double start_time() const { return start_time_; }
  const std::string& label() const { return label_; }
  void set_redraw(bool redraw) { redraw_ = redraw; }

 private:
  double start_time_;
  std::string label_;
  std::uint16_t shown_ = 0;
  bool redraw_ = true;
};

}  // namespace varnelo

#include "command/progress.hpp"

#include <chrono>

#include "command/results.hpp"
#include "shell/progress.hpp"
#include "support/progress_schedule.hpp"

namespace varnelo::command {

namespace {

// Standard error that is no terminal gets no display at all; the clock still runs.
class SilentConsole : public ConsolePort {
 public:
  int next_byte() override { return -1; }
  void write(std::string_view) override {}
  void set_attribute(std::uint16_t) override {}
  void resize(std::uint16_t, std::uint16_t) override {}
  void clear() override {}
  std::string clipboard_text() override { return {}; }
  bool set_clipboard_text(std::string_view) override { return false; }
  double milliseconds() override {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

bool progress_possible = false;

}  // namespace

CommandConsole::CommandConsole() : port_(make_progress_console()) {
  progress_possible = port_ != nullptr;
  if (!port_) port_ = std::make_unique<SilentConsole>();
  scope_ = std::make_unique<ConsoleScope>(*port_);
}

CommandConsole::~CommandConsole() {
  scope_.reset();
  progress_possible = false;
}

Progress::Progress(const Common& common, const Both& label)
    : drawing_(progress_possible && !common.quiet), start_time_(now()), label_(in_language(label)) {}

Progress::~Progress() {
  if (!drawn_) return;
  console().clear();
  console().flush();
}

std::function<void(std::uint16_t, std::int64_t)> Progress::display() {
  if (!drawing_) return {};
  return [this](std::uint16_t percent, std::int64_t bytes) {
    // Its first and last calls are left out, and so is the first second: a display that came
    // and went at once would only flicker.
    if (percent == 0 || (percent >= 100 && percent != percent_unknown) || now() - start_time_ < 1000) return;
    if (!drawn_) flush_results();
    drawn_ = true;
    if (percent == percent_unknown)
      stream_progress(start_time_, bytes, label_);
    else
      progress_bar(start_time_, percent, bytes, label_);
  };
}

}  // namespace varnelo::command

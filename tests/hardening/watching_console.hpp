#pragma once

// A scripted console that watches the program from the inside: it notes how many files are
// open whenever a screen waits at its press-enter pause, and it can meddle with the disk at
// the moment the progress display is first drawn (after every question has been answered and
// every count made, just before the first byte is copied).

#include <algorithm>
#include <functional>
#include <string>
#include <utility>

#include "io/file.hpp"
#include "shell/scripted_console.hpp"
#include "support/file_faults.hpp"

namespace varnelo::testing {

class WatchingConsole : public ScriptedConsole {
 public:
  explicit WatchingConsole(std::string input, std::function<void()> meddle = nullptr)
      : ScriptedConsole(std::move(input)), meddle_(std::move(meddle)) {}

  void clear() override {
    if (meddle_) std::exchange(meddle_, nullptr)();
    ScriptedConsole::clear();
  }

  int next_byte() override {
    const std::string& shown = text();
    if (shown.ends_with("press enter to continue...") || shown.ends_with("tekan enter untuk melanjutkan..."))
      open_at_pause_ = std::max(open_at_pause_, open_file_count() - files_before_);
    return ScriptedConsole::next_byte();
  }

  // The most files that were open at any press-enter pause (a screen closes its own before).
  int open_at_pause() const { return open_at_pause_; }

 private:
  std::function<void()> meddle_;
  int files_before_ = open_file_count();
  int open_at_pause_ = 0;
};

}  // namespace varnelo::testing

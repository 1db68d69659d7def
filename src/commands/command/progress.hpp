#pragma once

// The progress display of the commands, and the console it is drawn on.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "command/command.hpp"
#include "shell/console_port.hpp"

namespace varnelo::command {

// The console of a command run: standard error when it is a terminal (where the display is
// drawn), else one that shows nothing; installed for as long as it lives.
class CommandConsole {
 public:
  CommandConsole();
  ~CommandConsole();
  CommandConsole(const CommandConsole&) = delete;
  CommandConsole& operator=(const CommandConsole&) = delete;

 private:
  std::unique_ptr<ConsolePort> port_;
  std::unique_ptr<ConsoleScope> scope_;
};

// The progress display of one long operation: the menus' bar, speed and time left on standard
// error when it is a terminal and --quiet was not given (of a stream: the bytes so far and the
// speed). It shows only once the operation has run for a second, and is wiped again when it ends.
class Progress {
 public:
  Progress(const Common& common, const Both& label);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // The display calls for a job; empty when nothing is drawn.
  std::function<void(std::uint16_t, std::int64_t)> display();

 private:
  bool drawing_ = false;
  bool drawn_ = false;
  double start_time_ = 0;
  std::string label_;
};

}  // namespace varnelo::command

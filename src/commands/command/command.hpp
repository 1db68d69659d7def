#pragma once

// What every command is made of: its parser, the options all commands take, its texts, and
// the exit statuses it returns.

#include <CLI/CLI.hpp>

#include <functional>
#include <string>

#include "command/commands.hpp"
#include "shell/texts.hpp"

namespace varnelo::command {

// Exit statuses: a positive answer, a negative one (files differ, nothing found, a check
// failed), and trouble (bad usage, a file that cannot be read or written, a refused output).
// A command that returns bad_usage has named what was wrong; the usage lines follow and the
// status is trouble.
enum Status : int { success = 0, negative = 1, trouble = 2, bad_usage = -1 };

// The status of a run whose standard output was a pipe that closed, as a shell reports one ended
// by SIGPIPE: the reader has all it wanted, so the run ends quietly.
inline constexpr int closed_pipe_status = 128 + 13;

class Parser : public CLI::App {
 public:
  using CLI::App::App;
};

// The options every command takes.
struct Common {
  bool quiet = false;
  bool force = false;
  std::string language;
  bool help = false;
  bool version = false;
};

// One command: its parser, its usage lines and help text, and what runs it once parsed.
struct Command {
  CLI::App* parser = nullptr;
  Both usage;
  Both help;
  std::function<int()> run;
};

// Adds -q/--quiet, --lang, -h/--help and -V/--version to a command, and -f/--force when it
// writes files.
void add_common_options(CLI::App& parser, Common& common, bool writes_outputs);

}  // namespace varnelo::command

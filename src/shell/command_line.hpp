#pragma once

// What every batch command shares: the options common to all, the language taken from the
// environment, messages on standard error, results on standard output, the progress display
// on standard error, and the output policy (no output replaced without --force, none that is an
// input).

#include <CLI/CLI.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/file.hpp"
#include "io/output.hpp"
#include "shell/console_kit.hpp"

namespace varnelo::command {

// Exit statuses: a positive answer, a negative one (files differ, nothing found, a check
// failed), and trouble (bad usage, a file that cannot be read or written, a refused output).
// A command that returns bad_usage has named what was wrong; the usage lines follow and the
// status is trouble.
enum Status : int { success = 0, negative = 1, trouble = 2, bad_usage = -1 };

// The options every command takes.
struct Common {
  bool quiet = false;
  bool force = false;
  std::string language;
  bool help = false;
};

// One command: its parser, its usage lines and help text, and what runs it once parsed.
struct Command {
  CLI::App* parser = nullptr;
  Both usage;
  Both help;
  std::function<int()> run;
};

// Adds -q/--quiet, --lang and -h/--help to a command, and -f/--force when it writes files.
void add_common_options(CLI::App& parser, Common& common, bool writes_outputs);

// Runs the command line (the arguments after the program's name) and returns the exit status.
int run_commands(std::vector<std::string> arguments);

// "varnelo: " and the message in the language of the run, on standard error, after whatever
// results are waiting to be printed.
void complain(const char* english, const char* indonesian, ...) VARNELO_PRINTF(1, 3);
// How a path stands in messages: quoted, and standard input or output for "-".
std::string shown(const std::string& path);
// A number that must lie between `low` and `high`; nullopt, after a message naming the option,
// when the text is anything else.
std::optional<std::uint64_t> whole_number(const std::string& option, const std::string& text,
                                          std::uint64_t low, std::uint64_t high);

// Results on standard output, gathered and written in large pieces (line by line at a
// terminal). False once writing failed, reported then.
bool print(std::string_view text);
bool flush_results();

// The progress display of one long operation: the menus' bar, speed and time left on standard
// error when it is a terminal and --quiet was not given. It shows only once the operation has
// run for a second, and is wiped again when it ends.
class Progress {
 public:
  Progress(const Common& common, const Both& label, bool size_known = true);
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // The display calls for a block pump; empty when nothing is drawn.
  std::function<void(std::uint16_t, std::int64_t)> display();

 private:
  bool drawing_ = false;
  bool drawn_ = false;
  double start_time_ = 0;
  std::string label_;
};

// An input named on the command line, opened for reading; "-" is standard input. nullopt after
// the message.
std::optional<File> open_input(const std::string& path);
// The bytes of an input to run over: its size, or BlockPump::to_the_end for standard input.
// nullopt after the message.
std::optional<std::int64_t> input_size(File& file);

// Where a command writes: a file through the output door, or standard output for "-".
class Destination {
 public:
  explicit Destination(Output output) : output_(std::move(output)) {}
  explicit Destination(File stream) : stream_(std::move(stream)) {}

  File& file() { return output_ ? output_->file() : stream_; }
  const std::string& path() const { return output_ ? output_->path() : stream_.path(); }
  // Reserves room for the writes to come where the output door allows it; a stream has none.
  void reserve(std::int64_t size) {
    if (output_) output_->reserve(size);
  }
  // Completes the output; false, after the message, when it could not be completed.
  bool commit();

 private:
  std::optional<Output> output_;
  File stream_;
};

// Whether an output may be written at `path`: not one of the files to avoid (inputs, a key),
// by any route, and not an existing file unless `force`. False after the message.
bool admit_output(const std::string& path, const std::vector<FileIdentity>& avoid, bool force);
// The policy above, then the open; nullopt after the message.
std::optional<Destination> open_destination(const std::string& path, const std::vector<FileIdentity>& avoid,
                                            bool force);

// The message for a fault met during a run over `path`.
void report_read_failure(const std::string& path);
void report_write_failure(const std::string& path);

}  // namespace varnelo::command

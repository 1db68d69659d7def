#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/file.hpp"
#include "shell/console_kit.hpp"
#include "shell/scripted_console.hpp"
#include "support/file_faults.hpp"

namespace varnelo::testing {

std::string read_file(const std::string& path);
void write_file(const std::string& path, std::string_view bytes);
// Bytes 0..255 repeated with a twist, so offsets are easy to tell apart.
std::string pattern_bytes(std::size_t size, unsigned seed = 1);

// A fresh folder for one test, removed with everything in it afterwards.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& root() const { return root_; }
  std::string path(const std::string& name) const { return root_ + "/" + name; }
  std::string write(const std::string& name, std::string_view bytes) const;
  std::string read(const std::string& name) const { return read_file(path(name)); }
  bool exists(const std::string& name) const;
  // The names of everything in the folder, sorted: what a run left behind.
  std::vector<std::string> names() const;

 private:
  std::string root_;
};

// The outcome of a dialogue run in-process through the scripted console.
struct Dialogue {
  ScriptedConsole console;
  bool ended_by_end_of_input = false;
  const std::string& transcript() const { return console.transcript(); }
  const std::string& text() const { return console.text(); }
};

// Runs `body` with a scripted console fed with `input`, in the given language, and checks
// that every file the dialogue opened was closed again.
template <typename Body>
Dialogue run_dialogue(std::string input, std::uint16_t language, Body&& body) {
  Dialogue dialogue{ScriptedConsole(std::move(input))};
  int files_before = open_file_count();
  {
    ConsoleScope scope(dialogue.console);
    lang = language;
    try {
      std::forward<Body>(body)();
    } catch (const EndOfInput&) {
      dialogue.ended_by_end_of_input = true;
    }
  }
  EXPECT_EQ(open_file_count(), files_before) << "a file was left open";
  return dialogue;
}

// Runs the built program as a separate process with `input` on its standard input.
struct ProcessResult {
  int exit_code = -1;
  std::string output;
  bool timed_out = false;
};
ProcessResult run_binary(const std::string& input, const std::string& working_directory = {},
                         int timeout_seconds = 30);

// Runs the built program with arguments, `input` on its standard input, and the two output
// streams kept apart. `environment` sets variables for the child only (an empty value removes one).
struct CommandResult {
  int exit_code = -1;
  std::string out;
  std::string err;
  bool timed_out = false;
};
CommandResult run_command(const std::vector<std::string>& arguments, const std::string& input = {},
                          const std::vector<std::pair<std::string, std::string>>& environment = {},
                          int timeout_seconds = 60);

}  // namespace varnelo::testing

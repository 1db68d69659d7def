#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "io/file.hpp"
#include "shell/clipboard.hpp"
#include "shell/display.hpp"
#include "shell/file_dialogue.hpp"
#include "shell/input.hpp"
#include "shell/scripted_console.hpp"
#include "support/file_faults.hpp"

namespace varnelo::testing {

// A path in UTF-8, as the program holds it, for the standard library's file calls.
std::filesystem::path file_name(const std::string& path);
std::string read_file(const std::string& path);
void write_file(const std::string& path, std::string_view bytes);
// Bytes 0..255 repeated with a twist, so offsets are easy to tell apart.
std::string pattern_bytes(std::size_t size, unsigned seed = 1);

// A text key in three scripts, and the file that XOR with its UTF-8 bytes makes of a sentence:
// one key gives this one file on every platform, however it was typed.
struct TextKeyVector {
  std::string key;
  std::string data;
  std::string encrypted;
};
inline const TextKeyVector utf8_key_vector = {
    "cl\xc3\xa9 \xe9\x8d\xb5 \xf0\xa0\x80\x80",  // "clé 鍵 𠀀"
    "The quick brown fox jumps over the lazy dog",
    // Zero bytes among them: the length is given.
    std::string("\x37\x04\xa6\x89\x51\x9c\xe4\xd6\x4b\xd0\xc2\xf2\xef\x14\x02\xe3\xcf\x4f\x91\xad\xdf"
                "\x55\x9d\xd0\xf3\xa0\x0c\x1a\xa6\xdb\x00\x9d\xe5\xd0\x00\x9c\xc1\xfa\xf9\x43\x08\xac\xce",
                43),
};

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

// A line typed at a path prompt, what the clipboard holds then, and the path read_path gives.
struct PathCase {
  std::string typed;
  std::string clipboard;
  std::string expected;
};
// The path read_path gives for the typed line (its line feed added) with that clipboard.
std::optional<std::string> path_as_read(const PathCase& path_case);

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

#ifdef _WIN32
// The program started with `typed` after its name on the command line, quotes and all, as a
// shell that leaves the line to the program passes it on.
CommandResult run_typed_command(const std::string& typed);
// The clipboard as another program reads and fills it: UTF-16 text of any length.
std::wstring clipboard_unicode_text();
bool set_clipboard_unicode_text(const std::wstring& text);
// Types the text into the console of the test program, as key presses (Enter for each line
// feed); false when the test program has no console.
bool type_into_console(const std::string& typed);
// The text on the console's screen, a line for each row, without trailing blanks.
std::string console_screen_text();
struct TypedRun {
  std::string working_directory = {};
  // Ctrl-C is pressed once the program shows this text.
  std::string interrupt_at = {};
  // The program writes to the console (its output is then what the screen shows) instead of a file.
  bool to_console = false;
  int timeout_seconds = 30;
};
// The built program reading the console as its standard input, with `typed` typed into it first.
ProcessResult run_binary_typed(const std::string& typed, const TypedRun& run = {});
#endif

}  // namespace varnelo::testing

#pragma once

// The console kit every screen is assembled from: the language rule, colours, the window,
// the press-enter pause, number and line input, the file dialogue, the clipboard offer and
// the program banner.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "io/file.hpp"
#include "io/output.hpp"

#if defined(__GNUC__)
#define VARNELO_PRINTF(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#else
#define VARNELO_PRINTF(format_index, first_arg)
#endif

namespace varnelo {

// Interface language: 0 English, 1 Indonesian; 2 only while the program starts.
extern std::uint16_t lang;

// Path buffers hold 999 characters and the terminator; the file to split and the file to
// check get 4096.
inline constexpr std::size_t path_capacity = 1000;
inline constexpr std::size_t large_path_capacity = 4096;

// Thrown by the kit at the first read that finds standard input ended; caught once, at the
// top of the shell, after every open file has been closed by unwinding.
struct EndOfInput {};

// The text of the current language: English for 0, Indonesian for 1, nullptr for any other.
const char* pick(const char* english, const char* indonesian);

// A path as it is shown: up to its first NUL, and with control characters as "?" when the
// console is a terminal (a pipe or a file gets the bytes as they are).
std::string shown(const std::string& path);

// Prints text whatever the language.
void put(std::string_view text);
void putf(const char* format, ...) VARNELO_PRINTF(1, 2);
// Prints the English or the Indonesian text by `lang` (nothing for any other value).
void say(const char* english, const char* indonesian);
// A text in both languages.
struct Both {
  const char* english;
  const char* indonesian;
};
inline void say(const Both& text) {
  say(text.english, text.indonesian);
}
void sayf(const char* english, const char* indonesian, ...) VARNELO_PRINTF(1, 3);
std::string format(const char* format, ...) VARNELO_PRINTF(1, 2);

// Sets the console text attribute for everything printed afterwards.
void x(std::uint16_t attribute);
// Resizes the window to columns x lines; does nothing when either is 0.
void mode(std::uint16_t columns, std::uint16_t lines);
// Clears the window.
void cls();

// One byte from standard input; throws EndOfInput when it has ended.
int read_char();

// The state each menu owns; screens end with EOO on it.
struct Menu {
  std::uint16_t choice = 0;
  std::uint16_t invalid_count = 0;
};

// The press-enter pause that ends every screen: prompt, one character, menu state back to 0.
void EOO(std::uint16_t& choice, std::uint16_t& invalid_count);
inline void EOO(Menu& menu) {
  EOO(menu.choice, menu.invalid_count);
}

// Reads one line and stores the decimal number in it: every digit counts, everything else is
// skipped, the value wraps in the variable's width, and a line without digits leaves the
// variable as it was. A line feed left over from an earlier answer is skipped first.
void get_num(std::uint16_t& value);
void get_num64(std::int64_t& value);

// A numbered question: the title in colour 15, the list with its choice prompt in colour 7, and
// the answer read into `answer` with get_num (a line without digits keeps its value) and taken
// minus one, then passed through `map` when given. An answer above `last` prints "Invalid
// Choice!" in colour 12 (with a line feed when `end_line`) and gives false.
struct Choice {
  std::uint16_t last;
  bool end_line = false;
  std::uint16_t (*map)(std::uint16_t) = nullptr;
};
bool ask_choice(const Both& title, const Both& list, const Choice& choice, std::uint16_t& answer);
// The same from an answer of 0: nullopt after "Invalid Choice!".
std::optional<std::uint16_t> ask_choice(const Both& title, const Both& list, const Choice& choice);

// Reads one line of text into `line` (without its line feed, nothing else changed). The line
// must fit in a buffer of `capacity` bytes with its terminator; a longer line is consumed
// whole and false is returned.
bool read_line(std::string& line, std::size_t capacity);

// Replaces the path with the clipboard's plain text, whole and unchanged.
void iclip(std::string& path);

// Offers to copy the text to the clipboard; 0 when it was copied, 1 when the user declined.
int clip(const std::string& text);

// Reads a path with read_line and the "?" clipboard rule, without the quotes a dropped file
// comes in (see unquoted_path). A path too long for its buffer is refused with "Path is too
// long!" and nullopt is returned.
std::optional<std::string> read_path(std::size_t capacity = path_capacity);

// The input-path dialogue: the caller has printed the prompt and set colour 2. Reads the path
// (the "?" rule included) and opens it for reading; on failure prints the message and returns
// nullopt. The open file's path() is the path as used.
std::optional<File> open_input(std::size_t capacity = path_capacity);

// The output door every screen goes through. `avoid` holds the files the output must not be
// (inputs, a key file, pieces already named); a path that reaches one of them by any route is
// refused with "Output file is the same as an input file!". An existing file is asked about
// before it is replaced (and so is any path when `ask` is always: a name given twice in one
// run). Then the output is opened, or "Could write to file : " printed. nullopt after any
// refusal or failure, its message printed.
enum class Ask { if_exists, always };
std::optional<Output> output_door(const std::string& path, const std::vector<FileIdentity>& avoid,
                                  Ask ask = Ask::if_exists);

// The door's refusal and question alone, for outputs named before they are written; true when
// the path may be written.
bool admit_output(const std::string& path, const std::vector<FileIdentity>& avoid, Ask ask = Ask::if_exists);
// Its two halves: true, after the message, when the path reaches one of the files to avoid; and
// true when the path may be written, asked when it exists (or always).
bool refuses_as_input(const std::string& path, const std::vector<FileIdentity>& avoid);
bool may_write(const std::string& path, Ask ask = Ask::if_exists);
// The door's last step, for a path admit_output let through.
std::optional<Output> open_output(const std::string& path);

// The framed program banner, 20 lines of 63 columns; leaves colour 7 set.
void print_logo();

// Colour 12 text, then colour 7.
void error_text(const char* english, const char* indonesian);

// "Path is too long!" in colour 12: a path that does not fit its buffer, or a name the system
// takes no file by.
void report_path_too_long();

// File messages: colour 4 for the words, colour 12 for the quoted path, then colour 7. A file
// that cannot be opened because a name in its path is too long for the system is reported as
// a path too long, and open_output refuses such a name so before it writes anything.
void report_open_failure(const std::string& path);
void report_read_error(const std::string& path);
void report_write_error(const std::string& path);

}  // namespace varnelo

#pragma once

// The console kit every screen is assembled from: the language rule, colours, the window,
// the press-enter pause, number and line input, the file dialogue, the clipboard offer and
// the program banner.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shell/file.hpp"

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

// Prints text whatever the language.
void put(std::string_view text);
void putf(const char* format, ...) VARNELO_PRINTF(1, 2);
// Prints the English or the Indonesian text by `lang` (nothing for any other value).
void say(const char* english, const char* indonesian);
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

// Reads one line of text into `line` (without its line feed, nothing else changed). The line
// must fit in a buffer of `capacity` bytes with its terminator; a longer line is consumed
// whole and false is returned.
bool read_line(std::string& line, std::size_t capacity);

// Replaces the path with the clipboard's plain text, whole and unchanged.
void iclip(std::string& path);

// Offers to copy the text to the clipboard; 0 when it was copied, 1 when the user declined.
int clip(const std::string& text);

// Reads a path with read_line and the "?" clipboard rule. A path too long for its buffer is
// refused with "Path is too long!" and nullopt is returned.
std::optional<std::string> read_path(std::size_t capacity = path_capacity);

// The input-path dialogue: the caller has printed the prompt and set colour 2. Reads the path
// (the "?" rule included) and opens it for reading; on failure prints the message and returns
// nullopt. The open file's path() is the path as used.
std::optional<File> open_input(std::size_t capacity = path_capacity);

// Asks before an existing file is overwritten; true when the path may be written. Existence is
// asked of the file system, so an existing file that cannot be read is still asked about.
bool confirm_overwrite(const std::string& path);
// The same question whether or not the file is there yet: for a path that one run is about to
// write twice (two outputs under one name), so the second would replace the first.
bool ask_overwrite(const std::string& path);

// Creates or truncates the output; on failure prints the message and returns nullopt.
std::optional<File> open_output(const std::string& path);

// The framed program banner, 20 lines of 63 columns; leaves colour 7 set.
void print_logo();

// Colour 12 text, then colour 7.
void error_text(const char* english, const char* indonesian);

// "Path is too long!" in colour 12: a path that does not fit its buffer.
void report_path_too_long();

// File messages: colour 4 for the words, colour 12 for the quoted path, then colour 7.
void report_open_failure(const std::string& path);
void report_read_error(const std::string& path);
void report_write_error(const std::string& path);

// True when `output_path` names the same file as `input` (by identity, not by spelling);
// prints "Output file is the same as an input file!" in colour 12 when it does.
bool refuse_same_file(const File& input, const std::string& output_path);

}  // namespace varnelo

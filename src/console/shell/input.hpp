#pragma once

// Answers typed at the console: one byte, a number, a line, a numbered choice, and the
// press-enter pause that ends every screen.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "shell/texts.hpp"

namespace varnelo {

// Thrown at the first read that finds standard input ended; caught once, at the top of the
// shell, after every open file has been closed by unwinding.
struct EndOfInput {};

// One byte from standard input; throws EndOfInput when it has ended.
int read_char();
// The next byte of a line already begun: input that ends there ends the line too, so a last
// answer typed without its line feed still counts.
int read_rest_of_line();

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

}  // namespace varnelo

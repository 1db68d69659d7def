#include "shell/input.hpp"

#include "shell/console_port.hpp"
#include "shell/display.hpp"

namespace varnelo {

namespace {

// Reads the rest of a number line; digits build the value modulo 2^width of U.
template <typename U>
void read_number(U& value) {
  int c = read_char();
  if (c == '\n') c = read_char();
  bool seen_digit = false;
  U number = 0;
  for (; c != '\n'; c = read_rest_of_line()) {
    if (c < '0' || c > '9') continue;
    seen_digit = true;
    number = static_cast<U>(number * 10u + static_cast<unsigned>(c - '0'));
  }
  if (seen_digit) value = number;
}

}  // namespace

int read_char() {
  int c = console().next_byte();
  if (c < 0) throw EndOfInput{};
  return c;
}

int read_rest_of_line() {
  int c = console().next_byte();
  return c < 0 ? '\n' : c;
}

void EOO(std::uint16_t& choice, std::uint16_t& invalid_count) {
  say("press enter to continue...", "tekan enter untuk melanjutkan...");
  read_char();
  choice = 0;
  invalid_count = 0;
}

void get_num(std::uint16_t& value) {
  read_number(value);
}

void get_num64(std::int64_t& value) {
  auto number = static_cast<std::uint64_t>(value);
  read_number(number);
  value = static_cast<std::int64_t>(number);
}

bool ask_choice(const Both& title, const Both& list, const Choice& choice, std::uint16_t& answer) {
  x(15);
  say(title);
  x(7);
  say(list);
  get_num(answer);
  answer = static_cast<std::uint16_t>(answer - 1);
  if (choice.map) answer = choice.map(answer);
  if (answer <= choice.last) return true;
  if (choice.end_line)
    error_text("Invalid Choice!\n", "Pilihan tidak tersedia!\n");
  else
    error_text("Invalid Choice!", "Pilihan tidak tersedia!");
  return false;
}

std::optional<std::uint16_t> ask_choice(const Both& title, const Both& list, const Choice& choice) {
  std::uint16_t answer = 0;
  if (!ask_choice(title, list, choice, answer)) return std::nullopt;
  return answer;
}

bool read_line(std::string& line, std::size_t capacity) {
  line.clear();
  bool fits = true;
  for (int c = read_char(); c != '\n'; c = read_rest_of_line()) {
    if (line.size() + 1 < capacity)
      line.push_back(static_cast<char>(c));
    else
      fits = false;
  }
  return fits;
}

}  // namespace varnelo

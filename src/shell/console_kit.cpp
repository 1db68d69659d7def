#include "shell/console_kit.hpp"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "shell/console_port.hpp"

namespace varnelo {

std::uint16_t lang = 0;

namespace {

std::string vformat(const char* format_text, va_list args) {
  va_list measure;
  va_copy(measure, args);
  int size = std::vsnprintf(nullptr, 0, format_text, measure);
  va_end(measure);
  if (size <= 0) return {};
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::vsnprintf(text.data(), text.size(), format_text, args);
  text.resize(static_cast<std::size_t>(size));
  return text;
}

// The next byte of a line already begun: input that ends there ends the line too, so a last
// answer typed without its line feed still counts.
int read_rest_of_line() {
  int c = console().next_byte();
  return c < 0 ? '\n' : c;
}

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

void report_path(const char* english, const char* indonesian, const std::string& path) {
  x(4);
  say(english, indonesian);
  x(12);
  std::string quoted(1, '"');
  quoted.append(shown(path)).append("\"\n");
  put(quoted);
  x(7);
}

}  // namespace

std::string shown(const std::string& path) {
  // As the C runtime would print it with "%s": up to its first NUL.
  std::string text(path.c_str());
  // In a terminal a name could otherwise move the cursor, retitle or clear the window.
  if (console().is_terminal())
    for (char& c : text)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

const char* pick(const char* english, const char* indonesian) {
  if (lang == 0) return english;
  if (lang == 1) return indonesian;
  return nullptr;
}

void put(std::string_view text) {
  console().write(text);
}

void putf(const char* format_text, ...) {
  va_list args;
  va_start(args, format_text);
  put(vformat(format_text, args));
  va_end(args);
}

void say(const char* english, const char* indonesian) {
  if (const char* text = pick(english, indonesian)) put(text);
}

void sayf(const char* english, const char* indonesian, ...) {
  const char* chosen = pick(english, indonesian);
  if (!chosen) return;
  va_list args;
  va_start(args, indonesian);
  put(vformat(chosen, args));
  va_end(args);
}

std::string format(const char* format_text, ...) {
  va_list args;
  va_start(args, format_text);
  std::string text = vformat(format_text, args);
  va_end(args);
  return text;
}

void x(std::uint16_t attribute) {
  console().set_attribute(attribute);
}

void mode(std::uint16_t columns, std::uint16_t lines) {
  if (columns != 0 && lines != 0) console().resize(columns, lines);
}

void cls() {
  console().clear();
}

int read_char() {
  int c = console().next_byte();
  if (c < 0) throw EndOfInput{};
  return c;
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

void iclip(std::string& path) {
  std::string text = console().clipboard_text();
  path.assign(text.c_str());
}

int clip(const std::string& text) {
  say("Copy data output to clipbard (Y/N) ? ", "Salin keluaran data ke papanklip (Y/T) ? ");
  int answer = 'y';
  answer = read_char();
  read_rest_of_line();
  bool declined =
      (lang == 0 && (answer == 'n' || answer == 'N')) || (lang == 1 && (answer == 't' || answer == 'T'));
  if (declined) return 1;
  // The clipboard block holds 1000 bytes with the terminator.
  std::string_view copied(text);
  if (copied.size() > 999) copied = copied.substr(0, 999);
  return console().set_clipboard_text(copied) ? 0 : 2;
}

std::optional<std::string> read_path(std::size_t capacity) {
  std::string path;
  bool fits = read_line(path, capacity);
  if (fits && !path.empty() && path[0] == '?') {
    iclip(path);
    fits = path.size() + 1 <= capacity;
  }
  if (!fits) {
    report_path_too_long();
    return std::nullopt;
  }
  return unquoted_path(path);
}

std::optional<File> open_input(std::size_t capacity) {
  std::optional<std::string> path = read_path(capacity);
  if (!path) return std::nullopt;
  std::optional<File> file = File::open_read(*path);
  if (!file) report_open_failure(*path);
  return file;
}

namespace {

bool ask_overwrite(const std::string& path) {
  x(4);
  say("File \"", "Berkas \"");
  x(12);
  put(shown(path));
  x(4);
  say("\" already exist\n", "\" telah ada\n");
  x(7);
  say("Overwrite file (Y/N)? ", "Timpa berkas (Y/T)? ");
  int answer = read_char();
  read_rest_of_line();
  return answer == 'Y' || answer == 'y';
}

}  // namespace

bool refuses_as_input(const std::string& path, const std::vector<FileIdentity>& avoid) {
  // Writing would destroy an input before it is read, or mix with the program's own streams.
  if (!names_one_of(path, avoid) && !names_a_standard_stream(path)) return false;
  error_text("Output file is the same as an input file!\n", "Berkas keluaran sama dengan berkas masukan!\n");
  return true;
}

bool may_write(const std::string& path, Ask ask) {
  // Existence is asked of the file system, so an existing file that cannot be read is still asked about.
  return (ask == Ask::if_exists && !path_exists(path)) || ask_overwrite(path);
}

bool admit_output(const std::string& path, const std::vector<FileIdentity>& avoid, Ask ask) {
  return !refuses_as_input(path, avoid) && may_write(path, ask);
}

std::optional<Output> open_output(const std::string& path) {
  // Caught before writing: the temporary file would take the data and its rename would fail.
  if (name_too_long(path)) {
    report_path_too_long();
    return std::nullopt;
  }
  std::optional<Output> output = Output::open(path);
  if (!output) report_path("Could write to file : ", "Tidak menulis ke berkas : ", path);
  return output;
}

std::optional<Output> output_door(const std::string& path, const std::vector<FileIdentity>& avoid, Ask ask) {
  if (!admit_output(path, avoid, ask)) return std::nullopt;
  return open_output(path);
}

void error_text(const char* english, const char* indonesian) {
  x(12);
  say(english, indonesian);
  x(7);
}

void report_path_too_long() {
  error_text("Path is too long!\n", "Alamat berkas terlalu panjang!\n");
}

void report_open_failure(const std::string& path) {
  // The system's limit on names is a path too long as much as the buffer's is.
  if (name_too_long(path))
    report_path_too_long();
  else
    report_path("Could not open file : ", "Tidak dapat membuka berkas : ", path);
}

void report_read_error(const std::string& path) {
  report_path("Read error on file : ", "Gagal membaca berkas : ", path);
}

void report_write_error(const std::string& path) {
  report_path("Write error on file : ", "Gagal menulis ke berkas : ", path);
}

}  // namespace varnelo

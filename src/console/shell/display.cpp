#include "shell/display.hpp"

#include <cstdarg>

#include "shell/console_port.hpp"

namespace varnelo {

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

void x(std::uint16_t attribute) {
  console().set_attribute(attribute);
}

void mode(std::uint16_t columns, std::uint16_t lines) {
  if (columns != 0 && lines != 0) console().resize(columns, lines);
}

void cls() {
  console().clear();
}

void error_text(const char* english, const char* indonesian) {
  x(12);
  say(english, indonesian);
  x(7);
}

std::string shown(const std::string& path) {
  return shown(path, console().is_terminal());
}

std::string shown(const std::string& path, bool terminal) {
  // As the C runtime would print it with "%s": up to its first NUL.
  std::string text(path.c_str());
  if (terminal)
    for (char& c : text)
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
  return text;
}

}  // namespace varnelo

#pragma once

// Text on the console: in either language, in colour, and the window around it.

#include <cstdint>
#include <string>
#include <string_view>

#include "shell/texts.hpp"

namespace varnelo {

// Prints text whatever the language.
void put(std::string_view text);
void putf(const char* format, ...) VARNELO_PRINTF(1, 2);
// Prints the English or the Indonesian text by `lang` (nothing for any other value).
void say(const char* english, const char* indonesian);
inline void say(const Both& text) {
  say(text.english, text.indonesian);
}
void sayf(const char* english, const char* indonesian, ...) VARNELO_PRINTF(1, 3);

// Sets the console text attribute for everything printed afterwards.
void x(std::uint16_t attribute);
// Resizes the window to columns x lines; does nothing when either is 0.
void mode(std::uint16_t columns, std::uint16_t lines);
// Clears the window.
void cls();

// Colour 12 text, then colour 7.
void error_text(const char* english, const char* indonesian);

// A name as it is shown: up to its first NUL, and with control characters as "?" when the
// console is a terminal (a pipe or a file gets the bytes as they are), so that a name cannot
// move the cursor, retitle or clear the window.
std::string shown(const std::string& path);
// The same for a stream that is a terminal, or not, whatever the console is.
std::string shown(const std::string& path, bool terminal);

}  // namespace varnelo

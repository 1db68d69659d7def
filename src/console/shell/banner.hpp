#pragma once

#include <cstdint>
#include <string_view>

namespace varnelo {

// Prints a word in block letters drawn with "$", "/", "\", "_" and "|" in the given colour,
// followed by colour 7. Covers the letters of every screen's banner word, in either case.
void print_banner(std::string_view word, std::uint16_t colour);

// The screen banner of the current language: the English word for 0, the Indonesian for 1.
void screen_banner(std::string_view english, std::string_view indonesian, std::uint16_t colour);

// The framed program banner, 20 lines of 63 columns; leaves colour 7 set.
void print_logo();

}  // namespace varnelo

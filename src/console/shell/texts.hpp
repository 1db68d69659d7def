#pragma once

// The language of the run and the texts of both languages.

#include <cstdarg>
#include <cstdint>
#include <string>

#if defined(__GNUC__)
#define VARNELO_PRINTF(format_index, first_arg) __attribute__((format(printf, format_index, first_arg)))
#else
#define VARNELO_PRINTF(format_index, first_arg)
#endif

namespace varnelo {

// Interface language: 0 English, 1 Indonesian; 2 only while the program starts.
extern std::uint16_t lang;

// The text of the current language: English for 0, Indonesian for 1, nullptr for any other.
const char* pick(const char* english, const char* indonesian);

// A text in both languages.
struct Both {
  const char* english;
  const char* indonesian;
};

// The text of the current language; empty for any other.
std::string in_language(const Both& text);

// printf's formatting into a string of whatever length it takes.
std::string format(const char* format, ...) VARNELO_PRINTF(1, 2);
std::string vformat(const char* format, va_list args);

}  // namespace varnelo

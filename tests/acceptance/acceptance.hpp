#pragma once

// Whole sessions of the real program through a pipe, compared with the exact texts a user at
// a pipe sees (no colours, no window sizes, no clears). Only the figures that depend on the
// clock are replaced, by {speed} and {time}, after their form has been checked.

#include <cstdint>
#include <string>
#include <string_view>

#include "support/test_support.hpp"

namespace varnelo::acceptance {

enum Language : std::uint16_t { english = 0, indonesian = 1 };

struct Outcome {
  int exit_code = -1;
  std::string output;
};

// Runs the program in `dir` with `typed` on its standard input; the clipboard is the one held
// inside the program, so sessions neither depend on nor touch a desktop clipboard.
Outcome run(const std::string& typed, const testing::TempDir& dir);

// Replaces "Average process speed : 3.36 KB per second." by "Average process speed : {speed}"
// and "Running time : 0.00 seconds." by "Running time : {time}" (and their Indonesian), when
// figure and unit have the form the display prints.
std::string with_timings_masked(std::string output);

// The program banner with the version line of `version_lang`, and a screen's block letters.
std::string logo(std::uint16_t version_lang);
std::string banner(std::string_view word);

// Start-up through the language answer up to the first main-menu prompt, welcome included.
std::string start(Language language);
// The main menu as shown again after a screen or an invalid choice, up to its prompt.
std::string main_menu(Language language);
std::string extra_menu(Language language);
// The press-enter pause that ends every screen.
std::string pause(Language language);
// The progress display at 0 % with its label, and the completion display.
std::string progress_start(Language language, std::string_view label);
std::string completion(Language language);
std::string running_time(Language language);

// English or Indonesian text by language.
inline std::string pick(Language language, std::string_view english_text, std::string_view indonesian_text) {
  return std::string(language == english ? english_text : indonesian_text);
}

}  // namespace varnelo::acceptance

#pragma once

#include "shell/input.hpp"

namespace varnelo {

// A screen runs one dialogue to its end and finishes with EOO on the menu that ran it.
using Screen = void (*)(Menu& menu);

// The screens behind the menus' choices. The menus know only this registry; the program fills it.
struct Screens {
  // Choices 1 to 4 of the main menu.
  Screen split;
  Screen join;
  Screen compare;
  Screen checksum;
  // Choices 1 to 4 of the extra-feature menu.
  Screen encrypt;
  Screen decrypt;
  Screen encode;
  Screen decode;
};

// Start-up, language choice and the main menu loop; returns the process exit code
// (0 normal exit, 1 language not available, 2 too many invalid choices, 3 internal error).
int run_program(const Screens& screens);

// The extra-feature menu; returns 4 (too many invalid choices), 5 (main menu), 6 (exit) or
// 7 (language not available).
int extra_feature(const Screens& screens);

}  // namespace varnelo

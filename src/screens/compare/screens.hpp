#pragma once

// The compare screen: equality, or where one file occurs in another. Each runs its dialogue to its end and
// finishes with EOO on the menu that ran it.

#include "shell/input.hpp"

namespace varnelo {

void compare_screen(Menu& menu);

}  // namespace varnelo

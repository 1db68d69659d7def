#pragma once

// The split and join screens. Each runs its dialogue to its end and finishes with EOO on
// the menu that ran it.

#include "shell/input.hpp"

namespace varnelo {

void split_screen(Menu& menu);
void join_screen(Menu& menu);

}  // namespace varnelo

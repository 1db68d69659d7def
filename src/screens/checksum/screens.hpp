#pragma once

// The checksum screen. Each runs its dialogue to its end and finishes with EOO on
// the menu that ran it.

#include "shell/input.hpp"

namespace varnelo {

void checksum_screen(Menu& menu);

}  // namespace varnelo

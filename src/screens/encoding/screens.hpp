#pragma once

// The encode and decode screens. Each runs its dialogue to its end and finishes with EOO on
// the menu that ran it.

#include "shell/input.hpp"

namespace varnelo {

void encode_screen(Menu& menu);
void decode_screen(Menu& menu);

}  // namespace varnelo

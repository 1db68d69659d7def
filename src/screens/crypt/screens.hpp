#pragma once

// The encrypt and decrypt screens. Each runs its dialogue to its end and finishes with EOO on
// the menu that ran it.

#include "shell/input.hpp"

namespace varnelo {

void encrypt_screen(Menu& menu);
void decrypt_screen(Menu& menu);

}  // namespace varnelo

#pragma once

#include "shell/console_kit.hpp"

namespace varnelo {

// Each screen runs one dialogue to its end and finishes with EOO on the menu that ran it.
void split_screen(Menu& menu);
void join_screen(Menu& menu);
void compare_screen(Menu& menu);
void checksum_screen(Menu& menu);
void encrypt_screen(Menu& menu);
void decrypt_screen(Menu& menu);
void encode_screen(Menu& menu);
void decode_screen(Menu& menu);

}  // namespace varnelo

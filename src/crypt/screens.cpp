#include "shell/screens.hpp"

namespace varnelo {

// Not built yet: the entry ends at its press-enter pause.
void encrypt_screen(Menu& menu) { EOO(menu); }

// Not built yet: the entry ends at its press-enter pause.
void decrypt_screen(Menu& menu) { EOO(menu); }

}  // namespace varnelo

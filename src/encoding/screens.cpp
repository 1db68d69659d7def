#include "shell/screens.hpp"

namespace varnelo {

// Not built yet: the entry ends at its press-enter pause.
void encode_screen(Menu& menu) { EOO(menu); }

// Not built yet: the entry ends at its press-enter pause.
void decode_screen(Menu& menu) { EOO(menu); }

}  // namespace varnelo

#include "shell/screens.hpp"

namespace varnelo {

// Not built yet: the entry ends at its press-enter pause.
void compare_screen(Menu& menu) {
  EOO(menu);
}

}  // namespace varnelo

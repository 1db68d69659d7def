#include "shell/screens.hpp"

namespace varnelo {

// Not built yet: the entry ends at its press-enter pause.
void split_screen(Menu& menu) {
  EOO(menu);
}

// Not built yet: the entry ends at its press-enter pause.
void join_screen(Menu& menu) {
  EOO(menu);
}

}  // namespace varnelo

#include "io/platform.hpp"
#include "shell/console_port.hpp"
#include "shell/menus.hpp"

int main() {
  // Before anything is opened: a closed standard stream would otherwise be taken by the first
  // file, and the screen's text would go into it.
  varnelo::platform::open_missing_standard_streams();
  std::unique_ptr<varnelo::ConsolePort> port = varnelo::make_platform_console();
  varnelo::platform::handle_interrupts(varnelo::restore_console_after_interrupt);
  varnelo::ConsoleScope scope(*port);
  int exit_code = varnelo::run_program();
  port->flush();
  return exit_code;
}

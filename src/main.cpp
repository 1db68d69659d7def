#include "shell/console_port.hpp"
#include "shell/menus.hpp"

int main() {
  std::unique_ptr<varnelo::ConsolePort> port = varnelo::make_platform_console();
  varnelo::ConsoleScope scope(*port);
  int exit_code = varnelo::run_program();
  port->flush();
  return exit_code;
}

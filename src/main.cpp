#include "shell/command_line.hpp"
#include "shell/console_port.hpp"
#include "shell/menus.hpp"

int main(int argc, char** argv) {
  // Arguments make it a command for scripts; without them it is the menu program.
  if (argc > 1) return varnelo::command::run_commands(varnelo::program_arguments(argc, argv));
  std::unique_ptr<varnelo::ConsolePort> port = varnelo::make_platform_console();
  varnelo::ConsoleScope scope(*port);
  int exit_code = varnelo::run_program();
  port->flush();
  return exit_code;
}

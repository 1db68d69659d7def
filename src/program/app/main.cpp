#include "app/program.hpp"
#include "io/platform.hpp"
#include "shell/console_port.hpp"

int main(int argc, char** argv) {
  // Before anything is opened: a closed standard stream would otherwise be taken by the first
  // file, and the screen's text would go into it.
  varnelo::platform::open_missing_standard_streams();
  // Arguments make it a command for scripts; without them it is the menu program. An interrupted
  // command leaves no temporary file; it has no console colours to put back.
  if (argc > 1) {
    varnelo::platform::handle_interrupts(+[] {});
    return varnelo::run_command_line(varnelo::program_arguments(argc, argv));
  }
  std::unique_ptr<varnelo::ConsolePort> port = varnelo::make_platform_console();
  varnelo::platform::handle_interrupts(varnelo::restore_console_after_interrupt);
  varnelo::ConsoleScope scope(*port);
  int exit_code = varnelo::run_program();
  port->flush();
  return exit_code;
}

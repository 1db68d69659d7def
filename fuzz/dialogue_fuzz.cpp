// Whole sessions driven by fuzzed keystrokes through the scripted console: every menu and
// screen, no crash, no hang, no sanitizer report, every file closed at the end (and already
// at every press-enter pause), and an exit code among the program's own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/program.hpp"
#include "fuzz/sandbox.hpp"
#include "shell/scripted_console.hpp"
#include "tests/hardening/watching_console.hpp"

using namespace varnelo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 2048) return -1;
  fuzzing::Sandbox sandbox;
  testing::WatchingConsole port(std::string(reinterpret_cast<const char*>(data), size));
  port.clock_step_ = 7;
  ConsoleScope scope(port);
  int exit_code = run_program();
  if (exit_code < 0 || exit_code > 3) std::abort();
  if (fuzzing::open_files() != 0 || port.open_at_pause() != 0) std::abort();
  return 0;
}

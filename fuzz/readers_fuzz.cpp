// The number and line readers on arbitrary keystrokes: no overrun, no hang, and the values
// follow the digit rule.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/display.hpp"
#include "shell/file_dialogue.hpp"
#include "shell/input.hpp"
#include "shell/scripted_console.hpp"

using namespace varnelo;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  ScriptedConsole port(std::string(reinterpret_cast<const char*>(data), size));
  ConsoleScope scope(port);
  lang = size % 2;
  std::uint16_t small = 7;
  std::int64_t large = 7;
  std::string line;
  try {
    for (;;) {
      get_num(small);
      get_num64(large);
      bool fits = read_line(line, 1 + size % 64);
      if (fits && line.size() >= 1 + size % 64) std::abort();
      std::optional<std::string> path = read_path(1 + size % 32);
      if (path && path->size() >= 1 + size % 32) std::abort();
    }
  } catch (const EndOfInput&) {
  }
  if (!port.unread_input().empty()) std::abort();
  return 0;
}

#include "shell/console_port.hpp"

namespace varnelo {

namespace {
ConsolePort* current = nullptr;
}

ConsolePort& console() {
  if (!current) {
    static std::unique_ptr<ConsolePort> fallback = make_platform_console();
    current = fallback.get();
  }
  return *current;
}

ConsoleScope::ConsoleScope(ConsolePort& port) : previous_(current) {
  current = &port;
}

ConsoleScope::~ConsoleScope() {
  current = previous_;
}

}  // namespace varnelo

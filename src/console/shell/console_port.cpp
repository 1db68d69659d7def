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

int BufferedConsole::next_byte() {
  if (in_next_ == in_end_) {
    flush();
    std::int64_t got = read_input(in_buffer_, sizeof in_buffer_);
    if (got <= 0) return -1;
    in_next_ = 0;
    in_end_ = static_cast<std::size_t>(got);
  }
  return static_cast<unsigned char>(in_buffer_[in_next_++]);
}

void BufferedConsole::write(std::string_view text) {
  out_ += text;
  if (out_.size() >= 1 << 16) flush();
}

void BufferedConsole::flush() {
  if (!out_.empty()) write_output(out_);
  out_.clear();
}

ConsoleScope::ConsoleScope(ConsolePort& port) : previous_(current) {
  current = &port;
}

ConsoleScope::~ConsoleScope() {
  current = previous_;
}

}  // namespace varnelo

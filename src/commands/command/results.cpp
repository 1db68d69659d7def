#include "command/results.hpp"

#include <string>

#include "command/messages.hpp"
#include "io/file.hpp"
#include "shell/console_port.hpp"

namespace varnelo::command {

namespace {

struct Results {
  File stream = File::standard_output();
  std::string waiting;
  bool at_terminal = standard_output_is_terminal();
  bool failed = false;
};

Results& results() {
  static Results state;
  return state;
}

}  // namespace

bool print(std::string_view text) {
  Results& state = results();
  state.waiting += text;
  if (state.at_terminal || state.waiting.size() >= std::size_t{1} << 16) return flush_results();
  return !state.failed;
}

bool flush_results() {
  Results& state = results();
  if (state.failed) return false;
  if (!state.waiting.empty() && !state.stream.write(state.waiting.data(), state.waiting.size())) {
    state.failed = true;
    state.waiting.clear();
    if (state.stream.error().closed_pipe())
      note_output_closed();
    else
      complain("write error on standard output", "gagal menulis ke keluaran standar");
    return false;
  }
  state.waiting.clear();
  return true;
}

void print_text(const Both& text) {
  print(in_language(text));
}

}  // namespace varnelo::command

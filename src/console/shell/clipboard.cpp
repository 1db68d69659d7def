#include "shell/clipboard.hpp"

#include <string_view>

#include "shell/console_port.hpp"
#include "shell/display.hpp"
#include "shell/input.hpp"

namespace varnelo {

void iclip(std::string& path) {
  std::string text = console().clipboard_text();
  path.assign(text.c_str());
}

int clip(const std::string& text) {
  say("Copy data output to clipbard (Y/N) ? ", "Salin keluaran data ke papanklip (Y/T) ? ");
  int answer = 'y';
  answer = read_char();
  read_rest_of_line();
  bool declined =
      (lang == 0 && (answer == 'n' || answer == 'N')) || (lang == 1 && (answer == 't' || answer == 'T'));
  if (declined) return 1;
  // The clipboard block holds 1000 bytes with the terminator.
  std::string_view copied(text);
  if (copied.size() > 999) copied = copied.substr(0, 999);
  return console().set_clipboard_text(copied) ? 0 : 2;
}

}  // namespace varnelo

#include "shell/scripted_console.hpp"

#include <string>

namespace varnelo {

int ScriptedConsole::next_byte() {
  if (position_ >= input_.size()) return -1;
  return static_cast<unsigned char>(input_[position_++]);
}

void ScriptedConsole::write(std::string_view text) {
  transcript_ += text;
  text_ += text;
}

void ScriptedConsole::set_attribute(std::uint16_t attribute) {
  transcript_ += "{c" + std::to_string(attribute) + "}";
}

void ScriptedConsole::resize(std::uint16_t columns, std::uint16_t lines) {
  transcript_ += "{mode " + std::to_string(columns) + "," + std::to_string(lines) + "}";
}

void ScriptedConsole::clear() {
  transcript_ += "{cls}";
}

bool ScriptedConsole::set_clipboard_text(std::string_view text) {
  if (clipboard_fails_) return false;
  clipboard_ = std::string(text);
  return true;
}

double ScriptedConsole::milliseconds() {
  double reading = clock_;
  clock_ += clock_step_;
  return reading;
}

}  // namespace varnelo

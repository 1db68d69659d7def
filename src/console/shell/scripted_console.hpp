#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "shell/console_port.hpp"

namespace varnelo {

// A console for tests: input comes from a string, output is recorded in a transcript where
// colour changes, resizes and clears stand as visible markers ("{c12}", "{mode 95,40}",
// "{cls}"), the clipboard lives in memory, and the clock moves only when the test moves it
// (or by a fixed step on every reading, when one is set).
class ScriptedConsole : public ConsolePort {
 public:
  explicit ScriptedConsole(std::string input = {}) : input_(std::move(input)) {}

  int next_byte() override;
  void write(std::string_view text) override;
  void set_attribute(std::uint16_t attribute) override;
  void resize(std::uint16_t columns, std::uint16_t lines) override;
  void clear() override;
  std::string clipboard_text() override { return clipboard_; }
  bool set_clipboard_text(std::string_view text) override;
  double milliseconds() override;
  bool is_terminal() const override { return terminal_; }

  void add_input(std::string_view more) { input_ += more; }
  // Everything written, with the markers.
  const std::string& transcript() const { return transcript_; }
  // Only the text, as a user at a pipe would see it.
  const std::string& text() const { return text_; }
  // Input bytes not read yet.
  std::string_view unread_input() const { return std::string_view(input_).substr(position_); }

  std::string clipboard_ = {};
  bool clipboard_fails_ = false;
  // Current tick count, and how far it moves on every reading of the clock.
  double clock_ = 0;
  double clock_step_ = 0;
  // Whether the program is to take it for a terminal.
  bool terminal_ = false;

 private:
  std::string input_;
  std::size_t position_ = 0;
  std::string transcript_;
  std::string text_;
};

}  // namespace varnelo

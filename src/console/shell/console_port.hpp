#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo {

// The only door to the platform's console: keyboard bytes, text, colours, window size,
// clearing, the clipboard and the clock. Windows, POSIX terminals and the scripted console
// used by tests each implement it.
class ConsolePort {
 public:
  virtual ~ConsolePort() = default;

  // The next byte typed on standard input (0 to 255), or -1 once standard input has ended.
  virtual int next_byte() = 0;
  virtual void write(std::string_view text) = 0;
  // Console text attribute: low four bits foreground, next four background (16-colour palette).
  virtual void set_attribute(std::uint16_t attribute) = 0;
  virtual void resize(std::uint16_t columns, std::uint16_t lines) = 0;
  virtual void clear() = 0;
  // Plain text on the clipboard; empty when it holds none.
  virtual std::string clipboard_text() = 0;
  // Puts the text on the clipboard; false when that failed.
  virtual bool set_clipboard_text(std::string_view text) = 0;
  // Milliseconds since the program started, from a steady clock.
  virtual double milliseconds() = 0;
  // Pushes buffered output to the screen (before waiting for input, on every redraw).
  virtual void flush() {}
  // Whether the text goes to a terminal (or console window), where control characters act.
  virtual bool is_terminal() const { return false; }
};

// The buffering both real consoles share: typed bytes are read a block at a time, and text is
// gathered and written out on flush (before every wait for input, and when much has gathered).
class BufferedConsole : public ConsolePort {
 public:
  int next_byte() override;
  void write(std::string_view text) override;
  void flush() override;

 protected:
  // Reads up to `size` bytes of standard input; 0 or less once it has ended.
  virtual std::int64_t read_input(char* buffer, std::size_t size) = 0;
  virtual void write_output(std::string_view text) = 0;

 private:
  char in_buffer_[4096];
  std::size_t in_next_ = 0;
  std::size_t in_end_ = 0;
  std::string out_;
};

// The port the program is talking to.
ConsolePort& console();

// Installs a port for the lifetime of the scope and restores the previous one after it.
class ConsoleScope {
 public:
  explicit ConsoleScope(ConsolePort& port);
  ~ConsoleScope();
  ConsoleScope(const ConsoleScope&) = delete;
  ConsoleScope& operator=(const ConsoleScope&) = delete;

 private:
  ConsolePort* previous_;
};

// The console of the platform the program was built for (Windows console or POSIX terminal).
std::unique_ptr<ConsolePort> make_platform_console();
// Puts the platform console back to the colours it had before the program, after an interrupt;
// safe to call from a signal handler.
void restore_console_after_interrupt();

// Standard error when it is a terminal (nullptr otherwise), for the progress display of the
// commands: it draws below what was printed before it, clearing wipes only its own lines, and
// the window keeps its size. It reads no input.
std::unique_ptr<ConsolePort> make_progress_console();

// Whether standard output is a terminal or console window, where a person reads it as it comes.
bool standard_output_is_terminal();

// The arguments after the program's name, in UTF-8; on Windows they are read as the wide
// characters they were given in, and unquoted wildcards naming files are expanded there (the
// shells of other systems expand them before the program starts).
std::vector<std::string> program_arguments(int argc, char** argv);

}  // namespace varnelo

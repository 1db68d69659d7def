// POSIX terminals (Linux, macOS): the console port with ANSI colours and xterm window
// sequences, and the system clipboard through its command-line tools.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "shell/console_port.hpp"

extern char** environ;

namespace varnelo {

namespace {

const auto program_start = std::chrono::steady_clock::now();

// Windows palette order is blue, green, red by bit; ANSI is red, green, blue.
int ansi_colour(unsigned windows_colour) {
  unsigned rgb = windows_colour & 7;
  return static_cast<int>(((rgb & 1) << 2) | (rgb & 2) | ((rgb & 4) >> 2));
}

std::string sgr_for(std::uint16_t attribute) {
  unsigned foreground = attribute & 0x0F;
  unsigned background = (attribute >> 4) & 0x0F;
  if (foreground == 7 && background == 0) return "\x1b[0m";
  std::string sgr = "\x1b[0;";
  sgr += std::to_string((foreground & 8 ? 90 : 30) + ansi_colour(foreground));
  if (background != 0) sgr += ";" + std::to_string((background & 8 ? 100 : 40) + ansi_colour(background));
  return sgr + "m";
}

bool write_all(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    ssize_t put = ::write(fd, data, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    data += put;
    size -= static_cast<std::size_t>(put);
  }
  return true;
}

// A pipe whose ends are not inherited by the tools we start (dup2 onto 0 or 1 clears that).
bool make_pipe(int ends[2]) {
  if (pipe(ends) != 0) return false;
  fcntl(ends[0], F_SETFD, FD_CLOEXEC);
  fcntl(ends[1], F_SETFD, FD_CLOEXEC);
  return true;
}

// Waits for a child until the deadline; false when it did not end in time (it is killed).
bool wait_until(pid_t pid, std::chrono::steady_clock::time_point deadline, int& status) {
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return true;
    if (done < 0 && errno != EINTR) return false;
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return false;
    }
    usleep(2000);
  }
}

// Runs a clipboard tool without a shell: feeds `input` to it when given, otherwise collects
// what it prints. A tool that does not finish within a few seconds is killed, so a stuck
// clipboard never hangs the program. nullopt: the tool is missing or failed.
std::optional<std::string> run_tool(const std::vector<std::string>& argv, const std::string* input) {
  int to_child[2];
  int from_child[2] = {-1, -1};
  if (!make_pipe(to_child)) return std::nullopt;
  if (!input && !make_pipe(from_child)) {
    close(to_child[0]);
    close(to_child[1]);
    return std::nullopt;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, to_child[0], 0);
  // A copying tool goes on serving the selection in the background; it gets no pipe of ours.
  if (input)
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  else
    posix_spawn_file_actions_adddup2(&actions, from_child[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<char*> args;
  for (const auto& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(to_child[0]);
  if (from_child[1] >= 0) close(from_child[1]);
  if (spawned != 0) {
    close(to_child[1]);
    if (from_child[0] >= 0) close(from_child[0]);
    return std::nullopt;
  }
  if (input) write_all(to_child[1], input->data(), input->size());
  close(to_child[1]);

  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  std::string output;
  while (from_child[0] >= 0) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    pollfd watch{from_child[0], POLLIN, 0};
    int ready = left.count() > 0 ? poll(&watch, 1, static_cast<int>(left.count())) : 0;
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    char chunk[4096];
    ssize_t got = ::read(from_child[0], chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    output.append(chunk, static_cast<std::size_t>(got));
  }
  if (from_child[0] >= 0) close(from_child[0]);
  int status = 0;
  if (!wait_until(pid, deadline, status) || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
    return std::nullopt;
  return output;
}

bool has_environment(const char* name) {
  const char* value = std::getenv(name);
  return value && *value;
}

// Whether standard output is a terminal, for the interrupt handler.
volatile sig_atomic_t output_is_terminal = 0;

class PosixConsole : public BufferedConsole {
 public:
  explicit PosixConsole(int output = STDOUT_FILENO) : output_(output), terminal_(isatty(output) == 1) {
    if (output == STDOUT_FILENO) output_is_terminal = terminal_;
  }
  ~PosixConsole() override { flush(); }

  bool is_terminal() const override { return terminal_; }

  void set_attribute(std::uint16_t attribute) override {
    if (terminal_) write(sgr_for(attribute));
  }

  void resize(std::uint16_t columns, std::uint16_t lines) override {
    if (terminal_) write("\x1b[8;" + std::to_string(lines) + ";" + std::to_string(columns) + "t");
  }

  void clear() override {
    if (terminal_) write("\x1b[2J\x1b[H");
  }

  std::string clipboard_text() override {
    for (const auto& tool : paste_tools()) {
      if (auto text = run_tool(tool, nullptr)) return *text;
    }
    return own_clipboard_;
  }

  bool set_clipboard_text(std::string_view text) override {
    own_clipboard_ = std::string(text);
    for (const auto& tool : copy_tools()) {
      if (run_tool(tool, &own_clipboard_)) return true;
    }
    return true;
  }

  double milliseconds() override {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - program_start)
        .count();
  }

 protected:
  std::int64_t read_input(char* buffer, std::size_t size) override {
    ssize_t got;
    do {
      got = ::read(0, buffer, size);
    } while (got < 0 && errno == EINTR);
    return got;
  }

  void write_output(std::string_view text) override { write_all(output_, text.data(), text.size()); }

 private:
  static std::vector<std::vector<std::string>> copy_tools() {
    std::vector<std::vector<std::string>> tools;
    if (has_environment("WAYLAND_DISPLAY")) tools.push_back({"wl-copy"});
    if (has_environment("DISPLAY")) tools.push_back({"xclip", "-selection", "clipboard", "-i"});
#if defined(__APPLE__)
    tools.push_back({"pbcopy"});
#endif
    return tools;
  }

  static std::vector<std::vector<std::string>> paste_tools() {
    std::vector<std::vector<std::string>> tools;
    if (has_environment("WAYLAND_DISPLAY")) tools.push_back({"wl-paste", "--no-newline"});
    if (has_environment("DISPLAY")) tools.push_back({"xclip", "-selection", "clipboard", "-o"});
#if defined(__APPLE__)
    tools.push_back({"pbpaste"});
#endif
    return tools;
  }

  int output_;
  bool terminal_;
  std::string own_clipboard_;
};

// Counts the lines it has drawn since the last clear, so that clearing goes back up over them
// and wipes from there down, leaving the rest of the terminal as it was.
class ProgressConsole : public PosixConsole {
 public:
  ProgressConsole() : PosixConsole(STDERR_FILENO) {}

  void write(std::string_view text) override {
    lines_ += static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    PosixConsole::write(text);
  }
  void resize(std::uint16_t, std::uint16_t) override {}
  void clear() override {
    std::string back = "\r";
    if (lines_ > 0) back += "\x1b[" + std::to_string(lines_) + "A";
    PosixConsole::write(back + "\x1b[J");
    lines_ = 0;
  }

 protected:
  std::int64_t read_input(char*, std::size_t) override { return 0; }

 private:
  std::size_t lines_ = 0;
};

}  // namespace

std::unique_ptr<ConsolePort> make_platform_console() {
  // A closed pipe on standard output must not kill the program halfway through a file.
  signal(SIGPIPE, SIG_IGN);
  return std::make_unique<PosixConsole>();
}

std::unique_ptr<ConsolePort> make_progress_console() {
  if (isatty(STDERR_FILENO) != 1) return nullptr;
  return std::make_unique<ProgressConsole>();
}

bool standard_output_is_terminal() {
  return isatty(STDOUT_FILENO) == 1;
}

std::vector<std::string> program_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

void restore_console_after_interrupt() {
  static const char normal[] = "\x1b[0m";
  if (output_is_terminal && ::write(1, normal, sizeof normal - 1) < 0) output_is_terminal = 0;
}

}  // namespace varnelo

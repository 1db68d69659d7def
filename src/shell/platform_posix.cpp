// POSIX terminals (Linux, macOS): the console port with ANSI colours and xterm window
// sequences, the system clipboard through its command-line tools, and the file calls.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shell/console_port.hpp"
#include "shell/platform.hpp"

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

class PosixConsole : public ConsolePort {
 public:
  PosixConsole() : terminal_(isatty(1) == 1) {
    // A closed pipe on standard output must not kill the program halfway through a file.
    signal(SIGPIPE, SIG_IGN);
  }
  ~PosixConsole() override { flush(); }

  int next_byte() override {
    if (in_next_ == in_end_) {
      flush();
      ssize_t got;
      do {
        got = ::read(0, in_buffer_, sizeof in_buffer_);
      } while (got < 0 && errno == EINTR);
      if (got <= 0) return -1;
      in_next_ = 0;
      in_end_ = static_cast<std::size_t>(got);
    }
    return static_cast<unsigned char>(in_buffer_[in_next_++]);
  }

  void write(std::string_view text) override {
    out_ += text;
    if (out_.size() >= 1 << 16) flush();
  }

  void set_attribute(std::uint16_t attribute) override {
    if (terminal_) out_ += sgr_for(attribute);
  }

  void resize(std::uint16_t columns, std::uint16_t lines) override {
    if (terminal_) out_ += "\x1b[8;" + std::to_string(lines) + ";" + std::to_string(columns) + "t";
  }

  void clear() override {
    if (terminal_) out_ += "\x1b[2J\x1b[H";
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

  void flush() override {
    if (!out_.empty()) write_all(1, out_.data(), out_.size());
    out_.clear();
  }

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

  bool terminal_;
  char in_buffer_[4096];
  std::size_t in_next_ = 0;
  std::size_t in_end_ = 0;
  std::string out_;
  std::string own_clipboard_;
};

}  // namespace

std::unique_ptr<ConsolePort> make_platform_console() {
  return std::make_unique<PosixConsole>();
}

namespace platform {

Handle open_for_reading(const std::string& path) {
  // Opened without blocking so a named pipe cannot stall the program; only files that can be
  // measured and read to an end are taken.
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return File::invalid_handle;
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) {
    ::close(fd);
    return File::invalid_handle;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

Handle open_for_writing(const std::string& path) {
  // Opened without blocking: a named pipe that nobody reads from is refused at once instead of
  // being waited on for ever (one with a reader takes the output as usual).
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return File::invalid_handle;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool close_handle(Handle handle) {
  int fd = static_cast<int>(handle);
  // Space reserved ahead of a write outlives the handle; after a run that stopped early it
  // would stay held past the end of the file, where no listing shows it. Cutting the file at
  // its own length gives it back.
  struct stat info;
  if ((fcntl(fd, F_GETFL) & O_ACCMODE) != O_RDONLY && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<std::int64_t>(info.st_blocks) * 512 >
          (static_cast<std::int64_t>(info.st_size) | 0xFFFFF) + 1) {
    // A hint like the reservation itself: where the file system refuses, the file is still whole.
    if (ftruncate(fd, info.st_size) != 0) errno = 0;
  }
  return ::close(fd) == 0;
}

std::int64_t read_some(Handle handle, void* buffer, std::size_t count) {
  for (;;) {
    ssize_t got = ::read(static_cast<int>(handle), buffer, count);
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

std::int64_t write_some(Handle handle, const void* data, std::size_t count) {
  for (;;) {
    ssize_t put = ::write(static_cast<int>(handle), data, count);
    if (put < 0 && errno == EINTR) continue;
    return put;
  }
}

std::int64_t seek(Handle handle, std::int64_t offset, bool from_end) {
  if (from_end) {
    // Only files and disks have an end to seek to: a character device such as /dev/zero
    // answers 0 whatever it holds, and would be taken for an empty file.
    struct stat info;
    if (fstat(static_cast<int>(handle), &info) != 0 || !(S_ISREG(info.st_mode) || S_ISBLK(info.st_mode))) {
      errno = ESPIPE;
      return -1;
    }
  }
  return lseek(static_cast<int>(handle), static_cast<off_t>(offset), from_end ? SEEK_END : SEEK_SET);
}

std::int64_t copy_range(Handle from, Handle to, std::int64_t count) {
  (void)from;
#if defined(__linux__)
  // copy_file_range splices page by page and comes out slower on ext4 than the caller's large
  // reads and writes, which gain another third when the destination's blocks are reserved ahead
  // (a hint only: where it fails, the copy goes on). So the copy itself is left to the caller.
  off_t at = count >= (1 << 20) ? lseek(static_cast<int>(to), 0, SEEK_CUR) : -1;
  if (at >= 0) fallocate(static_cast<int>(to), FALLOC_FL_KEEP_SIZE, at, static_cast<off_t>(count));
#else
  (void)to;
  (void)count;
#endif
  return 0;
}

bool reserve(Handle handle, std::int64_t size) {
#if defined(__linux__)
  int result;
  do {
    result = fallocate(static_cast<int>(handle), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));
  } while (result != 0 && errno == EINTR);
  return result == 0;
#else
  (void)handle;
  (void)size;
  return false;
#endif
}

std::optional<FileIdentity> identity(Handle handle) {
  struct stat info;
  if (fstat(static_cast<int>(handle), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<FileIdentity> identity_of_path(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

bool exists(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) == 0) return true;
  // Only a plain "no such file" means absent; anything else is asked about.
  return errno != ENOENT && errno != ENOTDIR && errno != ENAMETOOLONG;
}

}  // namespace platform

}  // namespace varnelo

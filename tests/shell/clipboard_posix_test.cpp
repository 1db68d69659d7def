#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "shell/console_port.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

// Sets an environment variable for one scope and restores it afterwards.
class EnvironmentScope {
 public:
  EnvironmentScope(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~EnvironmentScope() {
    if (old_.empty())
      unsetenv(name_);
    else
      setenv(name_, old_.c_str(), 1);
  }

 private:
  const char* name_;
  std::string old_;
};

bool on_path(const char* tool) {
  std::string command = std::string("command -v ") + tool + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// A private X server for the clipboard tests, started when Xvfb is installed.
class VirtualDisplay {
 public:
  VirtualDisplay() {
    if (!on_path("Xvfb") || !on_path("xclip")) return;
    for (int number = 87; number < 97 && pid_ <= 0; ++number) {
      std::string socket = "/tmp/.X11-unix/X" + std::to_string(number);
      struct stat info;
      if (stat(socket.c_str(), &info) == 0) continue;
      display_ = ":" + std::to_string(number);
      pid_ = fork();
      if (pid_ == 0) {
        freopen("/dev/null", "w", stderr);
        execlp("Xvfb", "Xvfb", display_.c_str(), "-nolisten", "tcp", static_cast<char*>(nullptr));
        _exit(127);
      }
      for (int wait = 0; wait < 100 && stat(socket.c_str(), &info) != 0; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (stat(socket.c_str(), &info) != 0) stop();
    }
  }
  ~VirtualDisplay() { stop(); }
  bool running() const { return pid_ > 0; }
  const std::string& name() const { return display_; }

 private:
  void stop() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
  }
  pid_t pid_ = -1;
  std::string display_;
};

std::string run_capture(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char chunk[256];
    while (std::size_t got = fread(chunk, 1, sizeof chunk, pipe))
      output.append(chunk, got);
    pclose(pipe);
  }
  return output;
}

TEST(Clipboard, WithoutADisplayTheProgramKeepsItsOwnClipboard) {
  EnvironmentScope no_x("DISPLAY", nullptr);
  EnvironmentScope no_wayland("WAYLAND_DISPLAY", nullptr);
  auto port = make_platform_console();
  EXPECT_EQ(port->clipboard_text(), "");
  EXPECT_TRUE(port->set_clipboard_text("C:\\data\\film.avi"));
  EXPECT_EQ(port->clipboard_text(), "C:\\data\\film.avi");
}

TEST(Clipboard, RoundTripsThroughTheRealX11Clipboard) {
  VirtualDisplay display;
  if (!display.running()) GTEST_SKIP() << "Xvfb and xclip are needed for this test";
  EnvironmentScope x11("DISPLAY", display.name().c_str());
  EnvironmentScope no_wayland("WAYLAND_DISPLAY", nullptr);
  auto port = make_platform_console();

  ASSERT_TRUE(port->set_clipboard_text("SHA-1 Checksum for file a b is :\nda39a3ee"));
  // xclip takes the selection from a background process of its own, a moment after it returns.
  std::string pasted;
  for (int attempt = 0; attempt < 50 && pasted.empty(); ++attempt) {
    if (attempt) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    pasted = run_capture("xclip -o -selection clipboard 2>/dev/null");
  }
  EXPECT_EQ(pasted, "SHA-1 Checksum for file a b is :\nda39a3ee");

  testing::TempDir dir;
  std::string path = dir.write("from clipboard.bin", "xyz");
  std::string copy = "printf '%s' '" + path + "' | xclip -selection clipboard -i";
  ASSERT_EQ(std::system(copy.c_str()), 0);
  // Again the selection changes hands only once xclip's background process has taken it.
  std::string seen = port->clipboard_text();
  for (int attempt = 0; attempt < 50 && seen != path; ++attempt) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    seen = port->clipboard_text();
  }
  EXPECT_EQ(seen, path);

  // Only the keyboard is scripted here; the clipboard is the real one.
  class Mixed : public ScriptedConsole {
   public:
    Mixed(ConsolePort& real) : ScriptedConsole("?\n"), real_(real) {}
    std::string clipboard_text() override { return real_.clipboard_text(); }

   private:
    ConsolePort& real_;
  } mixed(*port);
  ConsoleScope scope(mixed);
  std::optional<File> file = open_input();
  ASSERT_TRUE(file);
  EXPECT_EQ(file->path(), path);
}

}  // namespace
}  // namespace varnelo

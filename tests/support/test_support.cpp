#include "support/test_support.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace varnelo::testing {

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void write_file(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string pattern_bytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  std::uint32_t state = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    state = state * 1103515245u + 12345u;
    bytes[i] = static_cast<char>(state >> 24);
  }
  return bytes;
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "varnelo-test-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  if (!made) throw std::runtime_error("cannot make a temporary folder");
  root_ = made;
}

TempDir::~TempDir() {
  std::error_code ignored;
  // Folders made read-only by a test must become writable again before they can go.
  for (auto& entry : std::filesystem::recursive_directory_iterator(root_, ignored))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(root_, ignored);
}

std::string TempDir::write(const std::string& name, std::string_view bytes) const {
  write_file(path(name), bytes);
  return path(name);
}

bool TempDir::exists(const std::string& name) const {
  return std::filesystem::exists(path(name));
}

ProcessResult run_binary(const std::string& input, const std::string& working_directory,
                         int timeout_seconds) {
  ProcessResult result;
  const char* binary = std::getenv("VARNELO_BINARY");
  if (!binary) {
    ADD_FAILURE() << "VARNELO_BINARY is not set";
    return result;
  }
  TempDir scratch;
  std::string input_path = scratch.write("stdin", input);
  std::string output_path = scratch.path("stdout");
  pid_t pid = fork();
  if (pid == 0) {
    int in = open(input_path.c_str(), O_RDONLY);
    int out = open(output_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    if (!working_directory.empty() && chdir(working_directory.c_str()) != 0) _exit(126);
    execl(binary, binary, static_cast<char*>(nullptr));
    _exit(127);
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      result.timed_out = true;
      break;
    }
    usleep(2000);
  }
  if (!result.timed_out && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
  result.output = read_file(output_path);
  return result;
}

}  // namespace varnelo::testing

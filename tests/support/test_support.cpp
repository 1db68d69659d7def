#include "support/test_support.hpp"

#ifdef _WIN32
#include "io/windows_api.hpp"

#include <atomic>
#include <random>
#else
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
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

#ifdef _WIN32
TempDir::TempDir() {
  // No mkdtemp here: try fresh random names until create_directory makes one that was not there.
  static std::atomic<unsigned> made_before{0};
  std::mt19937_64 random(std::random_device{}() ^ (std::uint64_t{GetCurrentProcessId()} << 32) ^
                         made_before++);
  std::filesystem::path base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::filesystem::path candidate = base / ("varnelo-test-" + std::to_string(random() % 1000000000));
    std::error_code error;
    if (std::filesystem::create_directory(candidate, error)) {
      // Forward slashes throughout, so paths built with "/" look the same as the root.
      root_ = candidate.generic_string();
      return;
    }
  }
  throw std::runtime_error("cannot make a temporary folder");
}
#else
TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "varnelo-test-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  if (!made) throw std::runtime_error("cannot make a temporary folder");
  root_ = made;
}
#endif

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

std::vector<std::string> TempDir::names() const {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(root_))
    found.push_back(entry.path().filename().string());
  std::sort(found.begin(), found.end());
  return found;
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
#ifdef _WIN32
  // The child gets the input file as standard input and one file for both output streams.
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE in = CreateFileA(input_path.c_str(), GENERIC_READ, FILE_SHARE_READ, &inheritable, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE out = CreateFileA(output_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  if (in == INVALID_HANDLE_VALUE || out == INVALID_HANDLE_VALUE) {
    ADD_FAILURE() << "cannot open the files for the child's standard streams";
    if (in != INVALID_HANDLE_VALUE) CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE) CloseHandle(out);
    return result;
  }
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION process{};
  std::string command_line = "\"" + std::string(binary) + "\"";
  BOOL started =
      CreateProcessA(binary, command_line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                     working_directory.empty() ? nullptr : working_directory.c_str(), &startup, &process);
  CloseHandle(in);
  CloseHandle(out);
  if (!started) {
    ADD_FAILURE() << "cannot start " << binary << " (error " << GetLastError() << ")";
    return result;
  }
  DWORD limit = static_cast<DWORD>(timeout_seconds) * 1000;
  if (WaitForSingleObject(process.hProcess, limit) == WAIT_TIMEOUT) {
    TerminateProcess(process.hProcess, 9);
    WaitForSingleObject(process.hProcess, INFINITE);
    result.timed_out = true;
  }
  DWORD exit_code = 0;
  if (!result.timed_out && GetExitCodeProcess(process.hProcess, &exit_code))
    result.exit_code = static_cast<int>(exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
#else
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
#endif
  result.output = read_file(output_path);
  return result;
}

}  // namespace varnelo::testing

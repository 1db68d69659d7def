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
#include <optional>
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

#ifdef _WIN32
namespace {

std::wstring wide_of(const std::string& text) {
  int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), size);
  wide.pop_back();
  return wide;
}

// One argument quoted so that the child's command-line parser gives it back unchanged:
// backslashes are doubled only where a quote follows them.
std::wstring quoted(const std::wstring& argument) {
  std::wstring text = L"\"";
  std::size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    text.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    text += c;
  }
  text.append(2 * backslashes, L'\\');
  return text + L"\"";
}

}  // namespace
#endif

CommandResult run_command(const std::vector<std::string>& arguments, const std::string& input,
                          const std::vector<std::pair<std::string, std::string>>& environment,
                          int timeout_seconds) {
  CommandResult result;
  const char* binary = std::getenv("VARNELO_BINARY");
  if (!binary) {
    ADD_FAILURE() << "VARNELO_BINARY is not set";
    return result;
  }
  TempDir scratch;
  const std::string input_path = scratch.write("stdin", input);
  const std::string out_path = scratch.path("stdout");
  const std::string err_path = scratch.path("stderr");
#ifdef _WIN32
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE in = CreateFileA(input_path.c_str(), GENERIC_READ, FILE_SHARE_READ, &inheritable, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE out = CreateFileA(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE err = CreateFileA(err_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
  std::wstring command_line = quoted(wide_of(binary));
  for (const std::string& argument : arguments)
    command_line += L" " + quoted(wide_of(argument));
  // The child takes the variables as they are at its start; ours are put back afterwards.
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;
  for (const auto& [name, value] : environment) {
    const char* before = std::getenv(name.c_str());
    saved.emplace_back(name, before ? std::optional<std::string>(before) : std::nullopt);
    SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = in;
  startup.hStdOutput = out;
  startup.hStdError = err;
  PROCESS_INFORMATION process{};
  BOOL started = CreateProcessW(wide_of(binary).c_str(), command_line.data(), nullptr, nullptr, TRUE,
                                CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  for (const auto& [name, value] : saved)
    SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
  CloseHandle(in);
  CloseHandle(out);
  CloseHandle(err);
  if (!started) {
    ADD_FAILURE() << "cannot start " << binary << " (error " << GetLastError() << ")";
    return result;
  }
  if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeout_seconds) * 1000) == WAIT_TIMEOUT) {
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
  std::vector<char*> argv{const_cast<char*>(binary)};
  for (const std::string& argument : arguments)
    argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    int in = open(input_path.c_str(), O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    for (const auto& [name, value] : environment) {
      if (value.empty())
        unsetenv(name.c_str());
      else
        setenv(name.c_str(), value.c_str(), 1);
    }
    execv(binary, argv.data());
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
    usleep(1000);
  }
  if (!result.timed_out && WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
#endif
  result.out = read_file(out_path);
  result.err = read_file(err_path);
  return result;
}

}  // namespace varnelo::testing

#include "support/test_support.hpp"

#ifdef _WIN32
#include "io/windows_api.hpp"

#include <atomic>
#include <random>
#include <vector>
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

std::filesystem::path file_name(const std::string& path) {
#ifdef _WIN32
  // The narrow form would go through the ANSI code page; names are UTF-8 as in the program.
  return std::filesystem::path(std::u8string(path.begin(), path.end()));
#else
  return path;
#endif
}

std::string read_file(const std::string& path) {
  std::ifstream in(file_name(path), std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void write_file(const std::string& path, std::string_view bytes) {
  std::ofstream out(file_name(path), std::ios::binary | std::ios::trunc);
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

#ifdef _WIN32
namespace {

// Removes a folder with all it holds through the long form, which the standard library does not
// take, so that folders deeper than MAX_PATH go too. Links to folders go, not what they name.
void remove_tree(const std::wstring& folder) {
  WIN32_FIND_DATAW found;
  HANDLE listing = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (listing != INVALID_HANDLE_VALUE) {
    do {
      const std::wstring name = found.cFileName, path = folder + L"\\" + name;
      if (name == L"." || name == L"..") continue;
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        DeleteFileW(path.c_str());
      else if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        RemoveDirectoryW(path.c_str());
      else
        remove_tree(path);
    } while (FindNextFileW(listing, &found));
    FindClose(listing);
  }
  RemoveDirectoryW(folder.c_str());
}

}  // namespace

TempDir::~TempDir() {
  std::wstring root = L"\\\\?\\" + platform::wide_of(root_);
  std::replace(root.begin(), root.end(), L'/', L'\\');
  remove_tree(root);
}
#else
TempDir::~TempDir() {
  std::error_code ignored;
  // Folders made read-only by a test must become writable again before they can go.
  for (auto& entry : std::filesystem::recursive_directory_iterator(root_, ignored))
    std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(root_, ignored);
}
#endif

std::string TempDir::write(const std::string& name, std::string_view bytes) const {
  write_file(path(name), bytes);
  return path(name);
}

bool TempDir::exists(const std::string& name) const {
  return std::filesystem::exists(file_name(path(name)));
}

std::vector<std::string> TempDir::names() const {
  std::vector<std::string> found;
  for (const auto& entry : std::filesystem::directory_iterator(root_)) {
    const std::u8string name = entry.path().filename().u8string();
    found.emplace_back(name.begin(), name.end());
  }
  std::sort(found.begin(), found.end());
  return found;
}

std::optional<std::string> path_as_read(const PathCase& path_case) {
  std::optional<std::string> path;
  run_dialogue(path_case.typed + "\n", 0, [&] {
    static_cast<ScriptedConsole&>(console()).clipboard_ = path_case.clipboard;
    path = read_path();
  });
  return path;
}

namespace {

const char* binary_under_test() {
  const char* binary = std::getenv("VARNELO_BINARY");
  if (!binary) ADD_FAILURE() << "VARNELO_BINARY is not set";
  return binary;
}

}  // namespace

#ifdef _WIN32
namespace {

// Runs the program with `in` as its standard input (the handle is closed) and one file for both
// output streams, or the console with `run.to_console`. A program `on_console` shares this
// program's console, where Ctrl-C is pressed once it shows `run.interrupt_at`.
ProcessResult run_windows(const char* binary, HANDLE in, bool on_console, const TypedRun& run) {
  ProcessResult result;
  TempDir scratch;
  std::string output_path = scratch.path("stdout");
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE out = run.to_console
                   ? CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 &inheritable, OPEN_EXISTING, 0, nullptr)
                   : CreateFileA(output_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inheritable,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  auto shown = [&] { return run.to_console ? console_screen_text() : read_file(output_path); };
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
  BOOL started = CreateProcessA(
      binary, command_line.data(), nullptr, nullptr, TRUE, on_console ? 0 : CREATE_NO_WINDOW, nullptr,
      run.working_directory.empty() ? nullptr : run.working_directory.c_str(), &startup, &process);
  CloseHandle(in);
  CloseHandle(out);
  if (!started) {
    ADD_FAILURE() << "cannot start " << binary << " (error " << GetLastError() << ")";
    return result;
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(run.timeout_seconds);
  if (!run.interrupt_at.empty()) {
    while (shown().find(run.interrupt_at) == std::string::npos &&
           std::chrono::steady_clock::now() < deadline &&
           WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT) {
    }
    // Ctrl-C reaches every program on the console; this one lets it pass until the child is gone.
    SetConsoleCtrlHandler(nullptr, TRUE);
    if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0))
      ADD_FAILURE() << "cannot press Ctrl-C (error " << GetLastError() << ")";
  }
  auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(std::max<std::int64_t>(left.count(), 0))) ==
      WAIT_TIMEOUT) {
    TerminateProcess(process.hProcess, 9);
    WaitForSingleObject(process.hProcess, INFINITE);
    result.timed_out = true;
  }
  if (!run.interrupt_at.empty()) SetConsoleCtrlHandler(nullptr, FALSE);
  DWORD exit_code = 0;
  if (!result.timed_out && GetExitCodeProcess(process.hProcess, &exit_code))
    result.exit_code = static_cast<int>(exit_code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  result.output = shown();
  return result;
}

}  // namespace

std::wstring clipboard_unicode_text() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return text;
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = chars;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

bool set_clipboard_unicode_text(const std::wstring& text) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t));
  if (!block) return false;
  auto* chars = static_cast<wchar_t*>(GlobalLock(block));
  std::copy(text.c_str(), text.c_str() + text.size() + 1, chars);
  GlobalUnlock(block);
  bool placed = OpenClipboard(nullptr) && EmptyClipboard() && SetClipboardData(CF_UNICODETEXT, block);
  CloseClipboard();
  if (!placed) GlobalFree(block);
  return placed;
}

bool type_into_console(const std::string& typed) {
  HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
  if (input == INVALID_HANDLE_VALUE) return false;
  // A key press and its release for each UTF-16 unit, Enter for each line feed.
  std::vector<INPUT_RECORD> keys;
  for (wchar_t unit : platform::wide_of(typed)) {
    for (BOOL down : {TRUE, FALSE}) {
      INPUT_RECORD key{};
      key.EventType = KEY_EVENT;
      key.Event.KeyEvent.bKeyDown = down;
      key.Event.KeyEvent.wRepeatCount = 1;
      key.Event.KeyEvent.wVirtualKeyCode = unit == L'\n' ? VK_RETURN : 0;
      key.Event.KeyEvent.uChar.UnicodeChar = unit == L'\n' ? L'\r' : unit;
      keys.push_back(key);
    }
  }
  DWORD written = 0;
  bool typed_all = FlushConsoleInputBuffer(input) &&
                   WriteConsoleInputW(input, keys.data(), static_cast<DWORD>(keys.size()), &written);
  CloseHandle(input);
  return typed_all;
}

std::string console_screen_text() {
  std::string text;
  HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO info;
  if (screen == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(screen, &info)) return text;
  std::wstring row(static_cast<std::size_t>(info.dwSize.X), L' ');
  for (SHORT y = 0; y < info.dwSize.Y; ++y) {
    DWORD read = 0;
    ReadConsoleOutputCharacterW(screen, row.data(), static_cast<DWORD>(row.size()), COORD{0, y}, &read);
    std::wstring_view cells(row.data(), read);
    text += platform::utf8_of(cells.substr(0, cells.find_last_not_of(L' ') + 1)) + "\n";
  }
  CloseHandle(screen);
  return text;
}

ProcessResult run_binary_typed(const std::string& typed, const TypedRun& run) {
  const char* binary = binary_under_test();
  if (!binary) return {};
  if (!type_into_console(typed)) {
    ADD_FAILURE() << "no console to type into: run under a terminal";
    return {};
  }
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE in = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                          &inheritable, OPEN_EXISTING, 0, nullptr);
  return run_windows(binary, in, true, run);
}

ProcessResult run_binary(const std::string& input, const std::string& working_directory,
                         int timeout_seconds) {
  const char* binary = binary_under_test();
  if (!binary) return {};
  TempDir scratch;
  std::string input_path = scratch.write("stdin", input);
  SECURITY_ATTRIBUTES inheritable{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE in = CreateFileA(input_path.c_str(), GENERIC_READ, FILE_SHARE_READ, &inheritable, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
  return run_windows(binary, in, false,
                     {.working_directory = working_directory, .timeout_seconds = timeout_seconds});
}
#else
ProcessResult run_binary(const std::string& input, const std::string& working_directory,
                         int timeout_seconds) {
  ProcessResult result;
  const char* binary = binary_under_test();
  if (!binary) return result;
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
#endif

#ifdef _WIN32
namespace {

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

namespace {

// The program started with the arguments, or on Windows with `typed` as the rest of its command line.
CommandResult run_process(const std::vector<std::string>& arguments,
                          [[maybe_unused]] const std::string* typed, const std::string& input,
                          const std::vector<std::pair<std::string, std::string>>& environment,
                          int timeout_seconds) {
  CommandResult result;
  const char* binary = binary_under_test();
  if (!binary) return result;
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
  std::wstring command_line = quoted(platform::wide_of(binary));
  for (const std::string& argument : arguments)
    command_line += L" " + quoted(platform::wide_of(argument));
  if (typed) command_line += L" " + platform::wide_of(*typed);
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
  // Under wine a start now and then fails for a moment when many tests start processes at once.
  BOOL started = FALSE;
  for (int attempt = 0; attempt < 5 && !started; ++attempt) {
    if (attempt > 0) Sleep(200);
    started = CreateProcessW(platform::wide_of(binary).c_str(), command_line.data(), nullptr, nullptr, TRUE,
                             CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process);
  }
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

}  // namespace

CommandResult run_command(const std::vector<std::string>& arguments, const std::string& input,
                          const std::vector<std::pair<std::string, std::string>>& environment,
                          int timeout_seconds) {
  return run_process(arguments, nullptr, input, environment, timeout_seconds);
}

#ifdef _WIN32
CommandResult run_typed_command(const std::string& typed) {
  return run_process({}, &typed, {}, {}, 60);
}
#endif

}  // namespace varnelo::testing

// The Windows console: colours by console attribute, window size and clearing through the
// console API, and the clipboard as CF_TEXT.

#include "io/windows_api.hpp"
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <string>

#include "shell/console_port.hpp"

namespace varnelo {

namespace {

// The clipboard block: 999 characters and the terminator.
constexpr std::size_t clipboard_block = 1000;

LARGE_INTEGER counter_at_start() {
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  return start;
}

const LARGE_INTEGER program_start = counter_at_start();

bool is_console(HANDLE handle) {
  DWORD console_mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &console_mode) != 0;
}

// The console's colours when the program started; 0 when the output is no console.
std::atomic<WORD> colours_before{0};

class WindowsConsole : public BufferedConsole {
 public:
  explicit WindowsConsole(DWORD output = STD_OUTPUT_HANDLE) : out_handle_(GetStdHandle(output)) {
    console_ = is_console(out_handle_);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (output == STD_OUTPUT_HANDLE && console_ && GetConsoleScreenBufferInfo(out_handle_, &info))
      colours_before = info.wAttributes;
    QueryPerformanceFrequency(&frequency_);
  }
  ~WindowsConsole() override { flush(); }

  bool is_terminal() const override { return console_; }

  // Through a pipe or into a file the three calls below write nothing, as on POSIX.
  void set_attribute(std::uint16_t attribute) override {
    if (!console_) return;
    // The attribute applies to what is written after it, so the text before goes out first.
    flush();
    SetConsoleTextAttribute(out_handle_, attribute);
  }

  void resize(std::uint16_t columns, std::uint16_t lines) override {
    if (!console_) return;
    flush();
    SHORT width = static_cast<SHORT>(std::min<int>(columns, SHRT_MAX));
    SHORT height = static_cast<SHORT>(std::min<int>(lines, SHRT_MAX));
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(out_handle_, &info)) return;
    // The window must fit inside the buffer at every step: shrink it first, then size the
    // buffer, then open the window to the whole buffer, as "mode" does.
    SMALL_RECT smaller = {
        0, 0, static_cast<SHORT>(std::min<int>(info.srWindow.Right - info.srWindow.Left, width - 1)),
        static_cast<SHORT>(std::min<int>(info.srWindow.Bottom - info.srWindow.Top, height - 1))};
    SetConsoleWindowInfo(out_handle_, TRUE, &smaller);
    SetConsoleScreenBufferSize(out_handle_, COORD{width, height});
    SMALL_RECT whole = {0, 0, static_cast<SHORT>(width - 1), static_cast<SHORT>(height - 1)};
    SetConsoleWindowInfo(out_handle_, TRUE, &whole);
  }

  void clear() override {
    if (!console_) return;
    flush();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(out_handle_, &info)) return;
    DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y);
    DWORD written = 0;
    COORD home = {0, 0};
    FillConsoleOutputCharacterA(out_handle_, ' ', cells, home, &written);
    FillConsoleOutputAttribute(out_handle_, info.wAttributes, cells, home, &written);
    SetConsoleCursorPosition(out_handle_, home);
  }

  std::string clipboard_text() override {
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
      if (const char* chars = static_cast<const char*>(GlobalLock(data))) {
        // The text ends at its terminator, and never beyond the block that holds it.
        SIZE_T size = GlobalSize(data);
        text.assign(chars, strnlen(chars, size));
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
    return text;
  }

  bool set_clipboard_text(std::string_view text) override {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, clipboard_block);
    if (!block) return false;
    char* chars = static_cast<char*>(GlobalLock(block));
    if (!chars) {
      GlobalFree(block);
      return false;
    }
    std::size_t size = std::min(text.size(), clipboard_block - 1);
    std::memcpy(chars, text.data(), size);
    chars[size] = '\0';
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
      GlobalFree(block);
      return false;
    }
    EmptyClipboard();
    // Once handed over, the block belongs to the clipboard; only a refused one is ours to free.
    bool placed = SetClipboardData(CF_TEXT, block) != nullptr;
    if (!placed) GlobalFree(block);
    CloseClipboard();
    return placed;
  }

  double milliseconds() override {
    LARGE_INTEGER reading;
    QueryPerformanceCounter(&reading);
    return static_cast<double>(reading.QuadPart - program_start.QuadPart) * 1000.0 /
           static_cast<double>(frequency_.QuadPart);
  }

 protected:
  std::int64_t read_input(char* buffer, std::size_t size) override {
    return _read(0, buffer, static_cast<unsigned>(size));
  }

  void write_output(std::string_view text) override {
    // WriteFile takes the bytes as they are: no line feed grows a carriage return.
    std::size_t done = 0;
    while (done < text.size()) {
      DWORD chunk = static_cast<DWORD>(std::min(text.size() - done, platform::largest_transfer));
      DWORD written = 0;
      if (!WriteFile(out_handle_, text.data() + done, chunk, &written, nullptr) || written == 0) break;
      done += written;
    }
  }

  HANDLE out_handle_;
  bool console_ = false;

 private:
  LARGE_INTEGER frequency_;
};

// Counts the lines it has drawn since the last clear, so that clearing goes back up over them
// and wipes from there down, leaving the rest of the console as it was.
class ProgressConsole : public WindowsConsole {
 public:
  ProgressConsole() : WindowsConsole(STD_ERROR_HANDLE) {}

  void write(std::string_view text) override {
    lines_ += static_cast<SHORT>(std::count(text.begin(), text.end(), '\n'));
    WindowsConsole::write(text);
  }
  void resize(std::uint16_t, std::uint16_t) override {}
  void clear() override {
    flush();
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!console_ || !GetConsoleScreenBufferInfo(out_handle_, &info)) return;
    COORD from = {0, static_cast<SHORT>(std::max(0, info.dwCursorPosition.Y - lines_))};
    DWORD cells = static_cast<DWORD>(info.dwSize.X) * static_cast<DWORD>(info.dwSize.Y - from.Y);
    DWORD written = 0;
    FillConsoleOutputCharacterA(out_handle_, ' ', cells, from, &written);
    FillConsoleOutputAttribute(out_handle_, info.wAttributes, cells, from, &written);
    SetConsoleCursorPosition(out_handle_, from);
    lines_ = 0;
  }

 protected:
  std::int64_t read_input(char*, std::size_t) override { return 0; }

 private:
  SHORT lines_ = 0;
};

std::string utf8_of(const wchar_t* wide) {
  int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, text.data(), size, nullptr, nullptr);
  text.pop_back();
  return text;
}

}  // namespace

std::unique_ptr<ConsolePort> make_platform_console() {
  // Typed lines arrive in text mode, so Enter gives a single line feed.
  _setmode(0, _O_TEXT);
  return std::make_unique<WindowsConsole>();
}

std::unique_ptr<ConsolePort> make_progress_console() {
  if (!is_console(GetStdHandle(STD_ERROR_HANDLE))) return nullptr;
  return std::make_unique<ProgressConsole>();
}

bool standard_output_is_terminal() {
  return is_console(GetStdHandle(STD_OUTPUT_HANDLE));
}

std::vector<std::string> program_arguments(int argc, char** argv) {
  // The narrow arguments have passed through the code page and may have lost characters; the
  // wide command line has them all.
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (!wide) return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
  std::vector<std::string> arguments;
  for (int k = 1; k < count; ++k)
    arguments.push_back(utf8_of(wide[k]));
  LocalFree(wide);
  return arguments;
}

void restore_console_after_interrupt() {
  if (WORD colours = colours_before.load()) SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), colours);
}

}  // namespace varnelo

// The Windows console: colours by console attribute, window size and clearing through the
// console API, and the clipboard as CF_TEXT.

#include "io/windows_api.hpp"

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

// The console's colours when the program started; 0 when the output is no console.
std::atomic<WORD> colours_before{0};

class WindowsConsole : public BufferedConsole {
 public:
  WindowsConsole() : out_handle_(GetStdHandle(STD_OUTPUT_HANDLE)) {
    DWORD console_mode = 0;
    console_ = out_handle_ != nullptr && out_handle_ != INVALID_HANDLE_VALUE &&
               GetConsoleMode(out_handle_, &console_mode) != 0;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (console_ && GetConsoleScreenBufferInfo(out_handle_, &info)) colours_before = info.wAttributes;
    // Typed lines arrive in text mode, so Enter gives a single line feed.
    _setmode(0, _O_TEXT);
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

 private:
  HANDLE out_handle_;
  bool console_ = false;
  LARGE_INTEGER frequency_;
};

}  // namespace

std::unique_ptr<ConsolePort> make_platform_console() {
  return std::make_unique<WindowsConsole>();
}

void restore_console_after_interrupt() {
  if (WORD colours = colours_before.load()) SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), colours);
}

}  // namespace varnelo

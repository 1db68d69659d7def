// The Windows console: colours by console attribute, window size and clearing through the
// console API, the clipboard as CF_TEXT, and the file calls on C runtime descriptors in binary
// mode with 64-bit positions.

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: the runtime headers below build on its types.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>

#include "shell/console_port.hpp"
#include "shell/platform.hpp"

namespace varnelo {

namespace {

// The runtime takes byte counts as unsigned int; larger requests go in slices of this size.
constexpr std::size_t largest_transfer = std::size_t{1} << 30;
// The clipboard block: 999 characters and the terminator.
constexpr std::size_t clipboard_block = 1000;

LARGE_INTEGER counter_at_start() {
  LARGE_INTEGER start;
  QueryPerformanceCounter(&start);
  return start;
}

const LARGE_INTEGER program_start = counter_at_start();

class WindowsConsole : public ConsolePort {
 public:
  WindowsConsole() : out_handle_(GetStdHandle(STD_OUTPUT_HANDLE)) {
    DWORD console_mode = 0;
    console_ = out_handle_ != nullptr && out_handle_ != INVALID_HANDLE_VALUE &&
               GetConsoleMode(out_handle_, &console_mode) != 0;
    // Typed lines arrive in text mode, so Enter gives a single line feed.
    _setmode(0, _O_TEXT);
    QueryPerformanceFrequency(&frequency_);
  }
  ~WindowsConsole() override { flush(); }

  int next_byte() override {
    if (in_next_ == in_end_) {
      flush();
      int got = _read(0, in_buffer_, sizeof in_buffer_);
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

  void flush() override {
    // WriteFile takes the bytes as they are: no line feed grows a carriage return.
    std::size_t done = 0;
    while (done < out_.size()) {
      DWORD chunk = static_cast<DWORD>(std::min(out_.size() - done, largest_transfer));
      DWORD written = 0;
      if (!WriteFile(out_handle_, out_.data() + done, chunk, &written, nullptr) || written == 0) break;
      done += written;
    }
    out_.clear();
  }

 private:
  HANDLE out_handle_;
  bool console_ = false;
  LARGE_INTEGER frequency_;
  char in_buffer_[4096];
  std::size_t in_next_ = 0;
  std::size_t in_end_ = 0;
  std::string out_;
};

std::optional<FileIdentity> identity_of_windows_handle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace

std::unique_ptr<ConsolePort> make_platform_console() {
  return std::make_unique<WindowsConsole>();
}

namespace platform {

Handle open_for_reading(const std::string& path) {
  int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) return File::invalid_handle;
  // Folders are no input, and a named pipe could stall the program on its first read.
  struct _stati64 info;
  if (_fstati64(fd, &info) != 0 || (info.st_mode & _S_IFMT) == _S_IFDIR ||
      GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) == FILE_TYPE_PIPE) {
    _close(fd);
    return File::invalid_handle;
  }
  return fd;
}

Handle open_for_writing(const std::string& path) {
  int fd =
      _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  return fd < 0 ? File::invalid_handle : fd;
}

bool close_handle(Handle handle) {
  return _close(static_cast<int>(handle)) == 0;
}

std::int64_t read_some(Handle handle, void* buffer, std::size_t count) {
  return _read(static_cast<int>(handle), buffer, static_cast<unsigned>(std::min(count, largest_transfer)));
}

std::int64_t write_some(Handle handle, const void* data, std::size_t count) {
  return _write(static_cast<int>(handle), data, static_cast<unsigned>(std::min(count, largest_transfer)));
}

std::int64_t seek(Handle handle, std::int64_t offset, bool from_end) {
  // Only files on disk have an end to seek to: a device such as NUL answers 0 whatever it holds.
  if (from_end &&
      GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(handle)))) != FILE_TYPE_DISK)
    return -1;
  return _lseeki64(static_cast<int>(handle), offset, from_end ? SEEK_END : SEEK_SET);
}

std::int64_t copy_range(Handle, Handle, std::int64_t) {
  // No kernel copy between two open descriptors here; the caller copies through its buffer.
  return 0;
}

bool reserve(Handle handle, std::int64_t size) {
  HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(handle)));
  LARGE_INTEGER current;
  if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &current)) return false;
  // An allocation below the end of the file would cut the file short; those bytes have their space.
  if (size <= current.QuadPart) return true;
  // Allocation beyond the end leaves the size as it is; what is not written is freed at closing.
  FILE_ALLOCATION_INFO allocation;
  allocation.AllocationSize.QuadPart = size;
  return SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation) != 0;
}

std::optional<FileIdentity> identity(Handle handle) {
  return identity_of_windows_handle(reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(handle))));
}

std::optional<FileIdentity> identity_of_path(const std::string& path) {
  // No access rights are needed to read the identity; backup semantics lets folders open too.
  HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<FileIdentity> found = identity_of_windows_handle(handle);
  CloseHandle(handle);
  return found;
}

bool exists(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  // Only a plain "not found" means absent; anything else (a locked file) is asked about.
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
    case ERROR_NOT_READY:
      return false;
    default:
      return true;
  }
}

}  // namespace platform

}  // namespace varnelo

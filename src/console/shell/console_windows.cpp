// The Windows console: typed lines and written text as UTF-16 through the console's wide calls
// (UTF-8 bytes as they are through pipes and files), colours by console attribute, window size
// and clearing through the console API, and the clipboard as CF_UNICODETEXT.

#include "io/windows_api.hpp"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cwchar>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "shell/command_line_windows.hpp"
#include "shell/console_port.hpp"

namespace varnelo {

namespace {

// The clipboard takes what a 1000-byte block holds in UTF-8: 999 bytes and the terminator.
constexpr std::size_t clipboard_bytes = 999;

// UTF-16 units of typed text read at once; each gives at most three bytes of UTF-8.
constexpr std::size_t typed_units = 1024;

// The length of the longest start of `text` that ends at a whole UTF-8 character.
std::size_t whole_characters(std::string_view text) {
  std::size_t end = text.size();
  std::size_t start = end;
  // Back to the first byte of the last character (at most three continuation bytes before it).
  while (start > 0 && end - start < 4 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80)
    --start;
  if (start == 0) return end;
  const auto lead = static_cast<unsigned char>(text[start - 1]);
  const std::size_t needed = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  return end - (start - 1) < needed ? start - 1 : end;
}

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
  explicit WindowsConsole(DWORD output = STD_OUTPUT_HANDLE)
      : out_handle_(GetStdHandle(output)),
        console_(is_console(out_handle_)),
        in_handle_(GetStdHandle(STD_INPUT_HANDLE)),
        console_input_(is_console(in_handle_)) {
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
    std::wstring text;
    if (!OpenClipboard(nullptr)) return {};
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      if (const wchar_t* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
        // The text ends at its terminator, and never beyond the block that holds it.
        SIZE_T size = GlobalSize(data) / sizeof(wchar_t);
        text.assign(chars, wcsnlen(chars, size));
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
    return platform::utf8_of(text);
  }

  bool set_clipboard_text(std::string_view text) override {
    // Cut to the block's 999 bytes, the character that would not fit left out whole.
    text = text.substr(0, clipboard_bytes);
    const std::wstring wide = platform::wide_of(text.substr(0, whole_characters(text)));
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, (wide.size() + 1) * sizeof(wchar_t));
    if (!block) return false;
    wchar_t* chars = static_cast<wchar_t*>(GlobalLock(block));
    if (!chars) {
      GlobalFree(block);
      return false;
    }
    std::copy(wide.begin(), wide.end(), chars);
    chars[wide.size()] = L'\0';
    GlobalUnlock(block);
    if (!OpenClipboard(nullptr)) {
      GlobalFree(block);
      return false;
    }
    EmptyClipboard();
    // Once handed over, the block belongs to the clipboard; only a refused one is ours to free.
    bool placed = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
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
    if (!console_input_) return _read(0, buffer, static_cast<unsigned>(size));
    const std::string typed = read_console(std::min(typed_units, size / 3));
    std::copy(typed.begin(), typed.end(), buffer);
    return static_cast<std::int64_t>(typed.size());
  }

  void write_output(std::string_view text) override {
    if (console_) {
      write_console(platform::wide_of(text));
      return;
    }
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
  // Typed text as UTF-8 with a line feed for each Enter ("\r\n" from the console), like a
  // text-mode read; empty once input has ended. A surrogate pair or a "\r\n" cut by the end of
  // one read is kept whole for the next.
  std::string read_console(std::size_t most) {
    wchar_t units[typed_units];
    for (int aborted = 0; !ended_;) {
      std::size_t count = std::min(carried_.size(), most);
      std::copy_n(carried_.begin(), count, units);
      carried_.erase(0, count);
      DWORD got = 0;
      if (!ReadConsoleW(in_handle_, units + count, static_cast<DWORD>(most - count), &got, nullptr)) {
        // Ctrl-C breaks off the read while its handler ends the program; a console gone ends input.
        if (GetLastError() == ERROR_OPERATION_ABORTED && ++aborted < 100) continue;
        return {};
      }
      if (got == 0 && ++aborted < 100) continue;
      count += got;
      // Ctrl-Z ends the input as in a text-mode read: what came before it still counts.
      std::wstring_view line(units, count);
      const std::size_t end_mark = line.find(L'\x1a');
      if (end_mark != std::wstring_view::npos) {
        line = line.substr(0, end_mark);
        ended_ = line.empty();
      } else if (!line.empty() && (line.back() == L'\r' || IS_HIGH_SURROGATE(line.back()))) {
        carried_.assign(1, line.back());
        line.remove_suffix(1);
      }
      std::wstring kept;
      for (std::size_t k = 0; k < line.size(); ++k)
        if (!(line[k] == L'\r' && k + 1 < line.size() && line[k + 1] == L'\n')) kept += line[k];
      if (!kept.empty()) return platform::utf8_of(kept);
    }
    return {};
  }

  void write_console(std::wstring_view text) {
    // In slices the console takes at once, never parting a surrogate pair.
    constexpr std::size_t slice = 8192;
    while (!text.empty()) {
      std::size_t count = std::min(text.size(), slice);
      if (count < text.size() && IS_HIGH_SURROGATE(text[count - 1])) --count;
      DWORD written = 0;
      if (!WriteConsoleW(out_handle_, text.data(), static_cast<DWORD>(count), &written, nullptr) ||
          written == 0)
        break;
      text.remove_prefix(std::min<std::size_t>(written, text.size()));
    }
  }

  HANDLE in_handle_;
  bool console_input_ = false;
  bool ended_ = false;
  std::wstring carried_;
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

}  // namespace

std::unique_ptr<ConsolePort> make_platform_console() {
  // Lines from a pipe or a file arrive in text mode, so "\r\n" gives a single line feed; the
  // console is read as Unicode (see read_console).
  if (!is_console(GetStdHandle(STD_INPUT_HANDLE))) _setmode(0, _O_TEXT);
  return std::make_unique<WindowsConsole>();
}

std::unique_ptr<ConsolePort> make_progress_console() {
  if (!is_console(GetStdHandle(STD_ERROR_HANDLE))) return nullptr;
  return std::make_unique<ProgressConsole>();
}

bool standard_output_is_terminal() {
  return is_console(GetStdHandle(STD_OUTPUT_HANDLE));
}

std::vector<TypedArgument> split_command_line(std::wstring_view line) {
  const auto blank = [&](std::size_t at) { return line[at] == L' ' || line[at] == L'\t'; };
  std::size_t at = 0;
  // The program's name ends at the closing quote or at a blank; backslashes are kept as they are.
  if (!line.empty() && line[0] == L'"') {
    at = line.find(L'"', 1);
    at = at == std::wstring_view::npos ? line.size() : at + 1;
  } else {
    while (at < line.size() && !blank(at))
      ++at;
  }
  std::vector<TypedArgument> arguments;
  while (at < line.size() && blank(at))
    ++at;
  while (at < line.size()) {
    TypedArgument argument;
    const auto add = [&](wchar_t c, bool quoted) {
      argument.text += c;
      argument.quoted.push_back(quoted);
    };
    const auto drop = [&](std::size_t count) {
      argument.text.resize(argument.text.size() - count);
      argument.quoted.resize(argument.quoted.size() - count);
    };
    // 0 outside quotes, 1 inside; a third quote in a row is a literal one.
    int quotes = 0;
    std::size_t backslashes = 0;
    while (at < line.size() && !(quotes == 0 && blank(at))) {
      const wchar_t c = line[at++];
      if (c != L'"') {
        backslashes = c == L'\\' ? backslashes + 1 : 0;
        add(c, quotes != 0);
        continue;
      }
      // Backslashes before a quote are halved; an odd one left over makes the quote literal.
      drop(backslashes / 2);
      if (backslashes % 2 == 1) {
        drop(1);
        add(L'"', quotes != 0);
      } else {
        ++quotes;
      }
      backslashes = 0;
      for (; at < line.size() && line[at] == L'"'; ++at)
        if (++quotes == 3) {
          add(L'"', true);
          quotes = 0;
        }
      if (quotes == 2) quotes = 0;
    }
    arguments.push_back(std::move(argument));
    while (at < line.size() && blank(at))
      ++at;
  }
  return arguments;
}

namespace {

// A pair of surrogates is one character for '?'.
std::size_t character_length(std::wstring_view text, std::size_t at) {
  return at + 1 < text.size() && IS_HIGH_SURROGATE(text[at]) && IS_LOW_SURROGATE(text[at + 1]) ? 2 : 1;
}

bool same_ignoring_case(wchar_t a, wchar_t b) {
  return a == b || CompareStringOrdinal(&a, 1, &b, 1, TRUE) == CSTR_EQUAL;
}

bool wildcard_at(const TypedArgument& argument, std::size_t at, wchar_t wildcard) {
  return argument.text[at] == wildcard && !argument.quoted[at];
}

bool has_wildcard(const TypedArgument& argument) {
  for (std::size_t at = 0; at < argument.text.size(); ++at)
    if (wildcard_at(argument, at, L'*') || wildcard_at(argument, at, L'?')) return true;
  return false;
}

// The commands' options whose value is the next argument (kept in step with them): a key, a key
// file or an output is never expanded.
bool takes_value(std::wstring_view option) {
  for (std::wstring_view name : {L"--key", L"--key-file", L"--lang", L"--per-line", L"--pieces", L"--prefix",
                                 L"--size", L"-o", L"--output"})
    if (option == name) return true;
  return false;
}

// Case-insensitive ordinal order, as `dir /on` lists; names that differ in case only (a folder
// can be case-sensitive) follow their exact order.
bool name_order(const std::wstring& a, const std::wstring& b) {
  const int order =
      CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()), TRUE);
  return order == CSTR_LESS_THAN || (order == CSTR_EQUAL && a < b);
}

// Every entry but folders ("." and ".." among them), hidden ones too: a folder is never a file to
// work on. Only long names are read, so "*.iso" never finds "a.isox" through its short name.
std::vector<std::wstring> files_in(const std::wstring& folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search =
      FindFirstFileExW(platform::system_path(platform::utf8_of(folder + L"*")).c_str(), FindExInfoBasic,
                       &found, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.emplace_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

}  // namespace

bool name_matches(const TypedArgument& pattern, std::wstring_view name) {
  const std::wstring& text = pattern.text;
  std::size_t p = 0;
  std::size_t n = 0;
  // Where to go back to after a mismatch: just after the last '*', which then takes one more.
  std::size_t star = std::wstring::npos;
  std::size_t star_name = 0;
  while (n < name.size()) {
    if (p < text.size() && wildcard_at(pattern, p, L'*')) {
      star = ++p;
      star_name = n;
    } else if (p < text.size() && wildcard_at(pattern, p, L'?')) {
      ++p;
      n += character_length(name, n);
    } else if (p < text.size() && same_ignoring_case(text[p], name[n])) {
      ++p;
      ++n;
    } else if (star != std::wstring::npos) {
      p = star;
      star_name += character_length(name, star_name);
      n = star_name;
    } else {
      return false;
    }
  }
  while (p < text.size() && wildcard_at(pattern, p, L'*'))
    ++p;
  return p == text.size();
}

std::vector<std::string> expanded_arguments(const std::vector<TypedArgument>& arguments,
                                            const FileLister& list_files) {
  std::vector<std::string> result;
  bool options_ended = false;
  bool value_next = false;
  for (const TypedArgument& argument : arguments) {
    const std::wstring& text = argument.text;
    const bool value = std::exchange(value_next, false);
    if (!options_ended && !value && text == L"--") {
      options_ended = true;
    } else if (!options_ended && !value && text.size() > 1 && text[0] == L'-') {
      value_next = takes_value(text);
    } else if (!value && has_wildcard(argument) && !text.starts_with(L"\\\\?\\")) {
      // The wildcards name files in the last part only; a folder part with one stays as typed.
      std::size_t cut = text.find_last_of(L"\\/");
      if (cut == std::wstring::npos && text.size() > 1 && text[1] == L':') cut = 1;
      const std::size_t name_start = cut == std::wstring::npos ? 0 : cut + 1;
      const std::wstring folder = text.substr(0, name_start);
      TypedArgument pattern{
          .text = text.substr(name_start),
          .quoted = std::vector<bool>(argument.quoted.begin() + static_cast<std::ptrdiff_t>(name_start),
                                      argument.quoted.end())};
      // "*.*" has always named every file on Windows, those without a dot too.
      if (pattern.text == L"*.*" && !pattern.quoted[0] && !pattern.quoted[2])
        pattern = TypedArgument{.text = L"*", .quoted = {false}};
      if (folder.find_first_of(L"*?") == std::wstring::npos) {
        std::vector<std::wstring> names = list_files(folder);
        std::erase_if(names, [&](const std::wstring& name) { return !name_matches(pattern, name); });
        std::sort(names.begin(), names.end(), name_order);
        for (const std::wstring& name : names)
          result.push_back(platform::utf8_of(folder + name));
        if (!names.empty()) continue;
      }
    }
    result.push_back(platform::utf8_of(text));
  }
  return result;
}

std::vector<std::string> program_arguments(int, char**) {
  // The wide command line has every character (the narrow arguments went through the code
  // page), and its quotes tell a wildcard typed for the program from one to keep.
  return expanded_arguments(split_command_line(GetCommandLineW()), files_in);
}

void restore_console_after_interrupt() {
  if (WORD colours = colours_before.load()) SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), colours);
}

}  // namespace varnelo

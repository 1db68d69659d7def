// The Windows console typed into as a person would: these tests run with a terminal for their
// console (under wine in CI), put key presses in its input and read what it shows.

#include "io/windows_api.hpp"

#include <algorithm>
#include <string>
#include <vector>

#include "shell/console_port.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_binary_typed;
using testing::TempDir;

const std::string accents = "da\xc3\xb1\xc3\xa9 \xc3\xb1";        // "dañé ñ"
const std::string cjk = "\xe6\x96\x87\xe4\xbb\xb6 \xe4\xb8\xad";  // "文件 中"
const std::string beyond_bmp = "\xf0\xa0\x80\x80";                // "𠀀", a surrogate pair in UTF-16

// The bytes the port gives for typed text, read one by one as the kit reads them; -1 marks
// the end of input.
std::string bytes_read(ConsolePort& port, std::size_t count, bool then_end) {
  std::string read;
  while (read.size() < count) {
    int c = port.next_byte();
    if (c < 0) break;
    read += static_cast<char>(c);
  }
  if (then_end && port.next_byte() < 0) read += "{end}";
  return read;
}

TEST(WindowsConsoleInput, TypedTextArrivesAsUtf8WithALineFeedForEachEnter) {
  // The console is read 1024 UTF-16 units at a time: what follows these is cut by the read.
  const std::string filling(1023, 'a');
  struct Case {
    std::string name;
    std::string typed;
    std::string arrives;
    bool ends = false;
  };
  const std::vector<Case> cases = {
      {"accents", accents + ".bin\n", accents + ".bin\n"},
      {"Chinese", cjk + ".bin\nnext\n", cjk + ".bin\nnext\n"},
      {"beyond the BMP", beyond_bmp + " wide\n", beyond_bmp + " wide\n"},
      {"a surrogate pair cut by the read", filling + beyond_bmp + accents + "\n",
       filling + beyond_bmp + accents + "\n"},
      {"Enter cut by the read", filling + "\nnext\n", filling + "\nnext\n"},
      {"an empty line", "\n\n", "\n\n"},
      {"Ctrl-Z at the start ends the input", "\x1a\n", "{end}", true},
      {"Ctrl-Z later ends the line there", "last\x1a gone\n\x1a\n", "last{end}", true},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(testing::type_into_console(c.typed)) << "no console: run under a terminal";
    std::unique_ptr<ConsolePort> port = make_platform_console();
    std::string expected_bytes = c.arrives.substr(0, c.arrives.find("{end}"));
    EXPECT_EQ(bytes_read(*port, expected_bytes.size(), c.ends), c.arrives) << c.name;
  }
}

TEST(WindowsConsoleOutput, TextReachesTheConsoleAsItsCharacters) {
  // The test program's own output goes elsewhere; the port writes to the console.
  HANDLE out = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(out, INVALID_HANDLE_VALUE) << "no console: run under a terminal";
  HANDLE before = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_OUTPUT_HANDLE, out);
  std::unique_ptr<ConsolePort> port = make_platform_console();
  SetStdHandle(STD_OUTPUT_HANDLE, before);
  ASSERT_TRUE(port->is_terminal());
  // Characters one cell wide each, so the cells read back are the text.
  const std::vector<std::string> texts = {
      accents, "\xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1 \xd0\x96\xd0\xb6", "plain ASCII"};
  for (const std::string& text : texts) {
    const std::wstring wide = platform::wide_of(text);
    port->clear();
    port->write(text);
    port->flush();
    std::wstring cells(wide.size(), L'\0');
    DWORD read = 0;
    ASSERT_TRUE(
        ReadConsoleOutputCharacterW(out, cells.data(), static_cast<DWORD>(cells.size()), COORD{0, 0}, &read));
    EXPECT_EQ(platform::utf8_of(cells.substr(0, read)), text);
    CONSOLE_SCREEN_BUFFER_INFO info;
    ASSERT_TRUE(GetConsoleScreenBufferInfo(out, &info));
    EXPECT_EQ(info.dwCursorPosition.X, static_cast<SHORT>(wide.size())) << text;
  }
  port->clear();
  port.reset();
  CloseHandle(out);
}

// The whole program reading the console: names typed in any script are found and made, and a
// typed key is its UTF-8 bytes.
TEST(WindowsTypedProcess, NamesAndKeysTypedInEveryScript) {
  const testing::TextKeyVector& vector = testing::utf8_key_vector;
  struct Row {
    std::string name;
    std::string typed;
    std::string shows;
    std::vector<std::pair<std::string, std::string>> made;  // file names and their bytes
  };
  const std::string abc_md5 = " is : 900150983cd24fb0d6963f7d28e17f72";
  const std::vector<Row> rows = {
      {"checksum, accents", "1\n4\n4\n" + accents + ".bin\nn\n\n6\n",
       "MD5 Checksum for file " + accents + ".bin" + abc_md5},
      {"checksum, Chinese", "1\n4\n4\n" + cjk + ".bin\nn\n\n6\n",
       "MD5 Checksum for file " + cjk + ".bin" + abc_md5},
      {"checksum, beyond the BMP", "1\n4\n4\n" + beyond_bmp + ".bin\nn\n\n6\n",
       "MD5 Checksum for file " + beyond_bmp + ".bin" + abc_md5},
      {"checksum, a dropped path in quotes", "1\n4\n4\n\"" + cjk + ".bin\"\nn\n\n6\n",
       "MD5 Checksum for file " + cjk + ".bin" + abc_md5},
      {"encrypt with a key in three scripts",
       "1\n0\n1\n1\n1\nkey data\n" + vector.key + "\n" + cjk + ".enc\n\n6\n",
       "Completed!",
       {{cjk + ".enc", vector.encrypted}}},
      {"piece names in two cases",
       "1\n1\n2\n" + accents + ".bin\n2\n1\n" + accents + ".one\nDA\xc3\x91\xc3\x89 \xc3\x91.ONE\nn\n" + cjk +
           ".two\n\n6\n",
       "File \"DA\xc3\x91\xc3\x89 \xc3\x91.ONE\" already exist",
       {{accents + ".one", "ab"}, {cjk + ".two", "c"}}},
  };
  for (const Row& row : rows) {
    TempDir dir;
    for (const std::string& name : {accents, cjk, beyond_bmp})
      dir.write(name + ".bin", "abc");
    dir.write("key data", vector.data);
    auto run = run_binary_typed(row.typed, {.working_directory = dir.root()});
    EXPECT_FALSE(run.timed_out) << row.name;
    EXPECT_EQ(run.exit_code, 0) << row.name;
    EXPECT_NE(run.output.find(row.shows), std::string::npos) << row.name << "\n" << run.output;
    for (const auto& [name, bytes] : row.made)
      EXPECT_EQ(dir.read(name), bytes) << row.name << ": " << name;
  }
}

// Ctrl-C at a question removes the temporary files of the pieces already written (named in
// Chinese, in a folder past MAX_PATH), leaves the old piece and ends with Windows' usual code.
TEST(WindowsTypedProcess, CtrlCRemovesTheTemporaryFilesOfWideNames) {
  TempDir dir;
  std::string folder = dir.root();
  while (folder.size() <= 400) {
    folder += "/" + std::string(150, 'd') + cjk;
    ASSERT_TRUE(CreateDirectoryW(platform::system_path(folder).c_str(), nullptr));
  }
  const std::string in = folder + "/" + cjk;
  testing::write_file(in, testing::pattern_bytes(12000));
  testing::write_file(in + ".003", "old piece");
  auto run = run_binary_typed("1\n1\n1\n" + in + "\n4\n1\n", {.interrupt_at = "Overwrite file (Y/N)? "});
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(static_cast<DWORD>(run.exit_code), 0xC000013Au) << run.output;
  EXPECT_EQ(testing::read_file(in + ".003"), "old piece");
  std::vector<std::string> left;
  WIN32_FIND_DATAW found;
  HANDLE listing = FindFirstFileW(platform::system_path(folder + "/*").c_str(), &found);
  ASSERT_NE(listing, INVALID_HANDLE_VALUE);
  do {
    if (found.cFileName[0] != L'.') left.push_back(platform::utf8_of(found.cFileName));
  } while (FindNextFileW(listing, &found));
  FindClose(listing);
  std::sort(left.begin(), left.end());
  EXPECT_EQ(left, (std::vector<std::string>{cjk, cjk + ".003"}));
}

// Ctrl-C while the program waits for a path in its typing colour gives the console back the
// colours it had before the program (yellow on blue here: neither the typing colour nor 7).
TEST(WindowsTypedProcess, CtrlCPutsTheConsoleColoursBack) {
  HANDLE screen = CreateFileA("CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(screen, INVALID_HANDLE_VALUE) << "no console: run under a terminal";
  const WORD before = 0x1E;
  ASSERT_TRUE(SetConsoleTextAttribute(screen, before));
  auto run = run_binary_typed("1\n4\n4\n",
                              {.interrupt_at = "input path and filename to check :", .to_console = true});
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(static_cast<DWORD>(run.exit_code), 0xC000013Au) << run.output;
  CONSOLE_SCREEN_BUFFER_INFO info;
  ASSERT_TRUE(GetConsoleScreenBufferInfo(screen, &info));
  EXPECT_EQ(info.wAttributes, before);
  SetConsoleTextAttribute(screen, 0x07);
  CloseHandle(screen);
}

}  // namespace
}  // namespace varnelo

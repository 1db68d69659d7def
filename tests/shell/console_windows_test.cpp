// The Windows console port and file calls, run for real (under wine in CI).

#include "io/windows_api.hpp"
// After windows.h, whose types it uses.
#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/program.hpp"
#include "shell/command_line_windows.hpp"
#include "shell/console_port.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_binary;
using testing::run_dialogue;
using testing::TempDir;

// Names in Latin with accents, in Greek and Cyrillic, in Chinese, and beyond the BMP (a
// surrogate pair in UTF-16).
const std::vector<std::string> names_in_many_scripts = {
    "da\xc3\xb1\xc3\xa9 \xc3\xb1.bin",                                // "dañé ñ.bin"
    "\xce\xa9\xce\xbc\xce\xad\xce\xb3\xce\xb1 \xd0\x96\xd0\xb6.bin",  // "Ωμέγα Жж.bin"
    "\xe6\x96\x87\xe4\xbb\xb6 \xe4\xb8\xad.bin",                      // "文件 中.bin"
    "\xf0\xa0\x80\x80 wide.bin",                                      // "𠀀 wide.bin"
};

// Folders of 200 characters until the path has more than `length` characters.
std::string deep_folder(const TempDir& dir, std::size_t length) {
  std::string folder = dir.root();
  while (folder.size() <= length) {
    folder += "/" + std::string(200, 'd');
    EXPECT_TRUE(CreateDirectoryW(platform::system_path(folder).c_str(), nullptr)) << folder.size();
  }
  return folder;
}

std::string upper_case(const std::string& utf8) {
  std::wstring wide = platform::wide_of(utf8);
  CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  return platform::utf8_of(wide);
}

TEST(WindowsClock, CountsMillisecondsFromTheStart) {
  std::unique_ptr<ConsolePort> port = make_platform_console();
  double before = port->milliseconds();
  Sleep(100);
  double after = port->milliseconds();
  EXPECT_GE(before, 0);
  // Milliseconds, not seconds or raw counter ticks; the upper bound only catches a wrong unit.
  EXPECT_GE(after - before, 90);
  EXPECT_LT(after - before, 10000);
}

TEST(WindowsFiles, DataIsNeverTranslated) {
  TempDir dir;
  const std::vector<std::string> contents = {
      "line\nline\r\nend\r",
      std::string("\x1a stops a text-mode read\x1a\x1a", 27),
      testing::pattern_bytes(100000, 7),
  };
  for (const auto& bytes : contents) {
    std::string path = dir.path("data.bin");
    {
      std::optional<File> out = File::open_write(path);
      ASSERT_TRUE(out);
      ASSERT_TRUE(out->write(bytes.data(), bytes.size()));
      ASSERT_TRUE(out->close());
    }
    EXPECT_EQ(testing::read_file(path), bytes);
    std::optional<File> in = File::open_read(path);
    ASSERT_TRUE(in);
    EXPECT_EQ(in->measure_size(), static_cast<std::int64_t>(bytes.size()));
    std::string back(bytes.size(), '\0');
    EXPECT_EQ(in->read(back.data(), back.size()), bytes.size());
    EXPECT_EQ(back, bytes);
  }
}

TEST(WindowsFiles, PositionsBeyondFourGigabytes) {
  TempDir dir;
  std::string path = dir.path("large.bin");
  const std::int64_t beyond_four_gib = (std::int64_t{1} << 32) + 5;
  {
    std::optional<File> out = File::open_write(path);
    ASSERT_TRUE(out);
    ASSERT_TRUE(out->seek(beyond_four_gib));
    ASSERT_TRUE(out->write("xy", 2));
    EXPECT_EQ(out->position(), beyond_four_gib + 2);
  }
  std::optional<File> in = File::open_read(path);
  ASSERT_TRUE(in);
  EXPECT_EQ(in->measure_size(), beyond_four_gib + 2);
  EXPECT_EQ(in->position(), 0);
  ASSERT_TRUE(in->seek(beyond_four_gib));
  char back[3] = {};
  EXPECT_EQ(in->read(back, 3), 2u);
  EXPECT_EQ(std::string(back, 2), "xy");
}

TEST(WindowsFiles, IdentityFollowsTheFileNotTheSpelling) {
  TempDir dir;
  std::string path = dir.write("same.bin", "1");
  std::string other = dir.write("other.bin", "1");
  std::optional<File> file = File::open_read(path);
  ASSERT_TRUE(file);
  std::optional<FileIdentity> identity = file->identity();
  ASSERT_TRUE(identity);
  std::string backslashed = path;
  std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
  for (const auto& spelling :
       {path, backslashed, dir.root() + "/./same.bin", upper_case(path), "\\\\?\\" + backslashed})
    EXPECT_EQ(identity_of(spelling), identity) << spelling;
  EXPECT_NE(identity_of(other), identity);
  EXPECT_FALSE(identity_of(dir.path("missing.bin")));
  // The volume's 128-bit file id, where it has one, is the identity.
  HANDLE handle =
      CreateFileW(platform::wide_of(path).c_str(), 0, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  FILE_ID_INFO id;
  if (GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
    EXPECT_EQ(identity->device, id.VolumeSerialNumber);
    EXPECT_EQ(std::memcmp(&identity->index, id.FileId.Identifier, 8), 0);
    EXPECT_EQ(std::memcmp(&identity->index_high, id.FileId.Identifier + 8, 8), 0);
  }
  CloseHandle(handle);

  bool refused = false;
  auto dialogue = run_dialogue("", 0, [&] { refused = !output_door(backslashed, identities({&*file})); });
  EXPECT_TRUE(refused);
  EXPECT_EQ(dialogue.text(), "Output file is the same as an input file!\n");
}

TEST(WindowsFiles, ExistenceIsAskedOfTheFileSystem) {
  TempDir dir;
  std::string locked = dir.write("locked.bin", "1");
  // A file held open without sharing cannot be opened again, but it plainly exists.
  HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(File::open_read(locked));
  EXPECT_TRUE(path_exists(locked));
  CloseHandle(holder);
  EXPECT_TRUE(path_exists(dir.root()));
  EXPECT_FALSE(path_exists(dir.path("missing.bin")));
  EXPECT_FALSE(path_exists(dir.path("missing folder/file.bin")));
}

TEST(WindowsFiles, ReservingSpaceNeverChangesWhatTheFileHolds) {
  TempDir dir;
  for (std::int64_t size : {std::int64_t{3}, std::int64_t{6}, std::int64_t{1} << 20}) {
    std::string path = dir.write("held.bin", "abcdef");
    {
      std::optional<File> file = File::open_write(path);
      ASSERT_TRUE(file);
      ASSERT_TRUE(file->write("abcdef", 6));
      file->reserve(size);
      EXPECT_EQ(file->measure_size(), 6) << size;
    }
    EXPECT_EQ(testing::read_file(path), "abcdef") << size;
  }
}

TEST(WindowsFiles, FoldersAndNamedPipesAreNoInput) {
  TempDir dir;
  const char* pipe_name = "\\\\.\\pipe\\varnelo-input-test";
  HANDLE pipe = CreateNamedPipeA(pipe_name, PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, 4096, 4096, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(File::open_read(pipe_name));
  CloseHandle(pipe);
  EXPECT_FALSE(File::open_read(dir.root()));
  EXPECT_FALSE(File::open_read(dir.root() + "\\"));
  EXPECT_TRUE(File::open_read(dir.write("plain.bin", "1")));
}

TEST(WindowsFiles, NamesInEveryScriptAreWrittenAndFoundAsTyped) {
  TempDir dir;
  for (const std::string& name : names_in_many_scripts) {
    const std::string path = dir.path(name), bytes = "bytes of " + name;
    std::optional<Output> output = Output::open(path);
    ASSERT_TRUE(output) << name;
    ASSERT_TRUE(output->file().write(bytes.data(), bytes.size()));
    ASSERT_TRUE(output->commit()) << name;
    EXPECT_EQ(testing::read_file(path), bytes) << name;
    std::optional<File> file = File::open_read(path);
    ASSERT_TRUE(file) << name;
    EXPECT_EQ(file->measure_size(), static_cast<std::int64_t>(bytes.size())) << name;
    EXPECT_TRUE(path_exists(path)) << name;
    // Letter case does not tell files apart, in any script.
    EXPECT_EQ(identity_of(upper_case(path)), file->identity()) << name;
  }
  std::vector<std::string> expected = names_in_many_scripts;
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(dir.names(), expected);
  for (const std::string& name : names_in_many_scripts)
    EXPECT_TRUE(platform::remove(platform::place_of(dir.path(name)))) << name;
  EXPECT_TRUE(dir.names().empty());
}

// Replacing swaps names, so a file with a second link gets the new bytes copied in instead, and
// the temporary file beside it goes.
TEST(WindowsFiles, AFileWithASecondLinkKeepsIt) {
  TempDir dir;
  const std::string first = dir.write("a.bin", "old"), second = dir.path("b.bin");
  ASSERT_TRUE(CreateHardLinkW(platform::wide_of(second).c_str(), platform::wide_of(first).c_str(), nullptr));
  std::optional<Output> output = Output::open(first);
  ASSERT_TRUE(output);
  ASSERT_TRUE(output->file().write("new bytes", 9));
  ASSERT_TRUE(output->commit());
  EXPECT_EQ(testing::read_file(first), "new bytes");
  EXPECT_EQ(testing::read_file(second), "new bytes");
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"a.bin", "b.bin"}));
}

TEST(WindowsFiles, PathsPastMaxPathTakeTheLongForm) {
  wchar_t folder[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, folder), 0u);
  const std::string here = platform::utf8_of(folder), long_name(300, 'n');
  const std::string here_slash = here.back() == '\\' ? here : here + "\\";
  struct Case {
    std::string path;
    std::string system_form;
  };
  const std::vector<Case> cases = {
      {"C:/short/name.bin", "C:/short/name.bin"},
      {"relative name.bin", "relative name.bin"},
      {"C:/" + long_name, "\\\\?\\C:\\" + long_name},
      {"C:\\a\\..\\b/./" + long_name, "\\\\?\\C:\\b\\" + long_name},
      {long_name, "\\\\?\\" + here_slash + long_name},
      {"\\\\server\\share\\" + long_name, "\\\\?\\UNC\\server\\share\\" + long_name},
      {"//server/share/" + long_name, "\\\\?\\UNC\\server\\share\\" + long_name},
      {"\\\\?\\C:\\" + long_name, "\\\\?\\C:\\" + long_name},
      {"\\\\.\\pipe\\" + long_name, "\\\\.\\pipe\\" + long_name},
      // MAX_PATH counts the terminator: 259 characters are the longest short form.
      {"C:/" + std::string(MAX_PATH - 4, 'n'), "C:/" + std::string(MAX_PATH - 4, 'n')},
      {"C:/" + std::string(MAX_PATH - 3, 'n'), "\\\\?\\C:\\" + std::string(MAX_PATH - 3, 'n')},
  };
  for (const Case& c : cases)
    EXPECT_EQ(platform::utf8_of(platform::system_path(c.path)), c.system_form) << c.path;
}

// Every call the program makes on a file, in a folder far past MAX_PATH.
TEST(WindowsFiles, EveryFileCallTakesPathsPastMaxPath) {
  TempDir dir;
  const std::string folder = deep_folder(dir, 700);
  const std::string path = folder + "/" + names_in_many_scripts[2];
  const std::string other = folder + "\\second.bin";
  for (int round = 0; round < 2; ++round) {
    // The second round replaces the file that the first made.
    std::optional<Output> output = Output::open(path);
    ASSERT_TRUE(output) << round;
    ASSERT_TRUE(output->file().write("abc", 3 + round));
    ASSERT_TRUE(output->commit()) << round;
  }
  EXPECT_EQ(testing::read_file(path), std::string("abc\0", 4));
  std::optional<File> file = File::open_read(path);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->measure_size(), 4);
  EXPECT_TRUE(path_exists(path));
  EXPECT_EQ(identity_of(path), file->identity());
  EXPECT_TRUE(names_one_of(path, identities({&*file})));
  EXPECT_EQ(output_key(path), (OutputKey{file->identity(), {}}));
  EXPECT_TRUE(platform::output_target(path).regular);
  EXPECT_TRUE(platform::writable(path));
  EXPECT_TRUE(File::open_write(other));
  EXPECT_FALSE(path_exists(folder + "/missing.bin"));
  EXPECT_NE(output_key(folder + "/missing.bin").name, "");
  EXPECT_TRUE(platform::remove(platform::place_of(other)));
  EXPECT_FALSE(path_exists(other));
}

TEST(WindowsFiles, NamesBeyondWhatTheSystemTakesAreTooLong) {
  const std::string cjk = "\xe4\xb8\xad";  // three bytes, one UTF-16 unit
  std::string cjk_name;
  for (int k = 0; k < 255; ++k)
    cjk_name += cjk;
  struct Case {
    std::string path;
    bool too_long;
  };
  const std::vector<Case> cases = {
      {"C:/" + std::string(255, 'n'), false},
      {"C:/" + std::string(256, 'n'), true},
      {std::string(256, 'n'), true},
      {std::string(256, 'n') + "/short", true},
      {"C:\\" + std::string(255, 'n') + "\\" + std::string(255, 'n') + "/x", false},
      {"C:/" + cjk_name, false},
      {"C:/" + cjk_name + cjk, true},
      {"C:/" + std::string(200, 'n') + "/" + std::string(200, 'n') + "/" + std::string(200, 'n'), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(name_too_long(c.path), c.too_long) << c.path.size();

  TempDir dir;
  const std::string path = dir.path(std::string(300, 'n'));
  auto input = run_dialogue(path + "\n", 0, [] { EXPECT_FALSE(open_input()); });
  EXPECT_EQ(input.transcript(), "{c12}Path is too long!\n{c7}");
  auto output = run_dialogue("", 1, [&] { EXPECT_FALSE(output_door(path, {})); });
  EXPECT_EQ(output.transcript(), "{c12}Alamat berkas terlalu panjang!\n{c7}");
  auto missing = run_dialogue(dir.path("missing") + "\n", 0, [] { EXPECT_FALSE(open_input()); });
  EXPECT_EQ(missing.text(), "Could not open file : \"" + dir.path("missing") + "\"\n");
}

// Names not yet there are one file when they differ only in letter case, in any script.
TEST(WindowsFiles, NamesThatDifferInCaseOnlyGiveOneOutput) {
  TempDir dir;
  struct Case {
    std::string first;
    std::string second;
    bool one_file;
  };
  const std::vector<Case> cases = {
      {"part.one", "PART.ONE", true},
      {"part.one", "Part.One", true},
      {"da\xc3\xb1\xc3\xa9.one", "DA\xc3\x91\xc3\x89.ONE", true},  // "dañé", "DAÑÉ"
      {"\xce\xb1\xce\xb2.one", "\xce\x91\xce\x92.one", true},      // "αβ", "ΑΒ"
      {"\xd0\xb6.one", "\xd0\x96.one", true},                      // "ж", "Ж"
      {"stra\xc3\x9f"
       "e.one",
       "STRASSE.one", false},  // "ß" has no one-letter capital
      {"part.one", "part.two", false},
      {"\xe4\xb8\xad.one", "\xe6\x96\x87.one", false},  // "中", "文"
  };
  for (const Case& c : cases) {
    EXPECT_EQ(output_key(dir.path(c.first)) == output_key(dir.path(c.second)), c.one_file) << c.first;
    // Through a folder spelled in another case as well.
    EXPECT_EQ(output_key(dir.path(c.first)) == output_key(upper_case(dir.root()) + "\\" + c.second),
              c.one_file)
        << c.first;
  }
}

TEST(WindowsPaths, OnePairOfDoubleQuotesAroundAPathGoes) {
  TempDir dir;
  const std::string path = dir.write(names_in_many_scripts[0], "abc");
  const std::vector<testing::PathCase> cases = {
      {"\"" + path + "\"", "", path},
      {"?", "\"" + path + "\"", path},
      {"\"C:\\a b\\c.bin\"", "", "C:\\a b\\c.bin"},
      {"\"\"x\"\"", "", "\"x\""},
      {"\"\"", "", ""},
      {"\"", "", "\""},
      {"\"half", "", "\"half"},
      {"half\"", "", "half\""},
      {" \"blank before\"", "", " \"blank before\""},
      {"'single'", "", "'single'"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(testing::path_as_read(c), c.expected) << c.typed;
  auto opened = run_dialogue("\"" + path + "\"\n", 0, [&] {
    std::optional<File> file = open_input();
    ASSERT_TRUE(file);
    EXPECT_EQ(file->path(), path);
  });
  EXPECT_EQ(opened.transcript(), "");
}

// Through a pipe the program writes exactly the plain text of the same dialogue run in-process:
// no colour, resize or clear bytes, and line feeds without carriage returns.
TEST(WindowsProcess, APipeGetsTheSameTextAsTheScriptedConsole) {
  const std::vector<std::string> sessions = {"1\n5\n\n6\n", "2\n0\n6\n", "1\n7\n0\n3\n\n6\n"};
  for (const auto& typed : sessions) {
    auto dialogue = run_dialogue(typed, 0, [&] { run_program(); });
    auto result = run_binary(typed);
    EXPECT_FALSE(result.timed_out);
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_EQ(result.output, dialogue.text()) << typed;
  }
}

std::string xor_with(const std::string& data, const std::string& key) {
  std::string out = data;
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char>(out[i] ^ key[i % key.size()]);
  return out;
}

// Through a pipe, typed names are UTF-8 as they come: every screen finds and makes them.
TEST(WindowsProcess, NamesInEveryScriptThroughAPipe) {
  const std::string& key = testing::utf8_key_vector.key;
  for (const std::string& name : names_in_many_scripts) {
    TempDir dir;
    const std::string bytes = testing::pattern_bytes(9000, static_cast<unsigned>(name.size()));
    dir.write(name, bytes);
    const std::string typed = "1\n1\n1\n" + name + "\n2\n1\n\n" +  // split in two
                              "2\n1\n" + name + "\nY\n\n" +        // join back over it
                              "4\n5\n\"" + name + "\"\nn\n\n" +    // a quoted path
                              "0\n1\n1\n1\n" + name + "\n" + key + "\n" + name + ".enc\n\n6\n";
    auto run = run_binary(typed, dir.root());
    EXPECT_EQ(run.exit_code, 0) << name;
    EXPECT_EQ(dir.read(name + ".001") + dir.read(name + ".002"), bytes) << name;
    EXPECT_EQ(dir.read(name), bytes) << name;
    EXPECT_NE(run.output.find("Checksum for file " + name + " is : "), std::string::npos) << run.output;
    EXPECT_EQ(dir.read(name + ".enc"), xor_with(bytes, key)) << name;
    EXPECT_EQ(dir.names().size(), 4u) << name;
  }
}

// The second name reaches the first one's file, so it is asked about as a name given twice.
TEST(WindowsProcess, PieceNamesThatDifferInCaseOnlyAreAskedAbout) {
  struct Case {
    std::string first;
    std::string second;
  };
  const std::vector<Case> cases = {
      {"part.one", "PART.ONE"},
      {"da\xc3\xb1\xc3\xa9.one", "DA\xc3\x91\xc3\x89.ONE"},  // "dañé.one", "DAÑÉ.ONE"
  };
  for (const Case& c : cases) {
    TempDir dir;
    const std::string bytes = testing::pattern_bytes(5000, 3);
    dir.write("in.bin", bytes);
    auto run = run_binary("1\n1\n2\nin.bin\n2\n1\n" + c.first + "\n" + c.second + "\nn\npiece.two\n\n6\n",
                          dir.root());
    EXPECT_EQ(run.exit_code, 0) << c.first;
    EXPECT_NE(run.output.find("File \"" + c.second + "\" already exist\nOverwrite file (Y/N)? "),
              std::string::npos)
        << run.output;
    EXPECT_EQ(dir.read(c.first) + dir.read("piece.two"), bytes) << c.first;
    std::vector<std::string> expected = {c.first, "in.bin", "piece.two"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(dir.names(), expected) << c.first;
  }
}

// A path far past MAX_PATH through split, join and checksum, its outputs replaced through
// temporary files beside them.
TEST(WindowsProcess, PathsPastMaxPathThroughEveryStep) {
  TempDir dir;
  const std::string folder = deep_folder(dir, 600);
  std::string path = folder + "/" + names_in_many_scripts[3];
  std::replace(path.begin(), path.end(), '/', '\\');
  const std::string bytes = testing::pattern_bytes(10000, 5);
  testing::write_file(path, bytes);
  auto run = run_binary("1\n1\n1\n" + path + "\n3\n1\n\n" + "2\n1\n" + path + "\nY\n\n" + "4\n4\n" + path +
                        "\nn\n\n6\n");
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_EQ(run.output.find("Could"), std::string::npos) << run.output;
  EXPECT_EQ(testing::read_file(path + ".001") + testing::read_file(path + ".002") +
                testing::read_file(path + ".003"),
            bytes);
  EXPECT_EQ(testing::read_file(path), bytes);
  EXPECT_NE(run.output.find("MD5 Checksum for file " + path + " is : "), std::string::npos) << run.output;
  // The pieces and the joined file, and no temporary file beside them.
  std::size_t files = 0;
  WIN32_FIND_DATAW found;
  HANDLE listing = FindFirstFileW(platform::system_path(folder + "\\*").c_str(), &found);
  ASSERT_NE(listing, INVALID_HANDLE_VALUE);
  do {
    files += found.cFileName[0] != L'.';
  } while (FindNextFileW(listing, &found));
  FindClose(listing);
  EXPECT_EQ(files, 4u);
}

// A raw command line, the arguments after the program's name, and which units of each stood
// inside quotes ('1'), where given.
struct SplitCase {
  std::wstring line;
  std::vector<std::wstring> arguments;
  std::vector<std::string> quoted = {};
};

// The documented rules for backslashes and quotes, with CommandLineToArgvW as a second oracle.
TEST(WindowsCommandLine, SplitsAsTheSystemDoes) {
  const std::vector<SplitCase> cases = {
      {L"p.exe \"a b c\" d e", {L"a b c", L"d", L"e"}},
      {L"p.exe \"ab\\\"c\" \"\\\\\" d", {L"ab\"c", L"\\", L"d"}},
      {L"p.exe a\\\\\\b d\"e f\"g h", {L"a\\\\\\b", L"de fg", L"h"}},
      {L"p.exe a\\\\\\\"b c d", {L"a\\\"b", L"c", L"d"}},
      {L"p.exe a\\\\\\\\\"b c\" d e", {L"a\\\\b c", L"d", L"e"}},
      // A pair of quotes inside quotes is one quote and ends the quoted part (the C runtime since
      // 2008 stays inside).
      {L"p.exe a\"b\"\" c d", {L"ab\"", L"c", L"d"}},
      {L"p.exe \"\"\"", {L"\""}},
      {L"p.exe \"\" x", {L"", L"x"}},
      {L"p.exe   lead \t  trail  ", {L"lead", L"trail"}},
      // The program's name ends at its closing quote, backslashes and all.
      {L"\"C:\\My Prog\\\"x y", {L"x", L"y"}},
      {L"C:\\p\\p.exe", {}},
      {L"p.exe *.\"?\" \"a*\"* \\\"*", {L"*.?", L"a**", L"\"*"}, {"001", "110", "00"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(platform::utf8_of(c.line));
    std::vector<std::wstring> texts;
    std::vector<std::string> quoted;
    for (const TypedArgument& argument : split_command_line(c.line)) {
      texts.push_back(argument.text);
      quoted.emplace_back();
      for (bool unit_quoted : argument.quoted)
        quoted.back() += unit_quoted ? '1' : '0';
    }
    EXPECT_EQ(texts, c.arguments);
    int count = 0;
    LPWSTR* system = CommandLineToArgvW(c.line.c_str(), &count);
    ASSERT_TRUE(system);
    EXPECT_EQ(texts, std::vector<std::wstring>(system + 1, system + count));
    LocalFree(system);
    if (!c.quoted.empty()) {
      EXPECT_EQ(quoted, c.quoted);
    }
  }
}

// Which arguments are expanded, into what and in what order, over folders listed from a table.
TEST(WindowsCommandLine, WildcardsNameFilesInOrder) {
  const std::map<std::wstring, std::vector<std::wstring>> folders = {
      {L"", {L"B.iso", L"a.isox", L"c.txt", L"\u00fc\u20ac.iso", L"a.iso"}},
      {L"sub\\", {L"c.iso"}},
      {L"C:", {L"d.iso"}},
      {L"g\\", {L"\u03c9mega", L"\U00020000.x", L"\U00020000\U00020000.x", L"abcbca", L"abcbc"}},
      {L"h\\", {L"a.x", L"*.x"}},
  };
  const FileLister list = [&](const std::wstring& folder) {
    auto found = folders.find(folder);
    return found == folders.end() ? std::vector<std::wstring>{} : found->second;
  };
  const std::string every_iso[] = {"a.iso", "B.iso", "\xc3\xbc\xe2\x82\xac.iso"};
  const std::vector<std::pair<std::wstring, std::vector<std::string>>> cases = {
      {L"sum *.iso", {"sum", every_iso[0], every_iso[1], every_iso[2]}},
      {L"sum \"*.iso\"", {"sum", "*.iso"}},
      {L"sum *.none", {"sum", "*.none"}},
      {L"sum sub\\*.iso \"sub\"\\?.iso", {"sum", "sub\\c.iso", "sub\\c.iso"}},
      {L"sum s?b\\*.iso", {"sum", "s?b\\*.iso"}},
      {L"sum \\\\?\\C:\\x\\*.iso", {"sum", "\\\\?\\C:\\x\\*.iso"}},
      {L"sum C:*.iso", {"sum", "C:d.iso"}},
      {L"sum *.*", {"sum", "a.iso", "a.isox", "B.iso", "c.txt", every_iso[2]}},
      {L"sum --md5 c.*", {"sum", "--md5", "c.txt"}},
      {L"encrypt --key *.iso *.iso", {"encrypt", "--key", "*.iso", every_iso[0], every_iso[1], every_iso[2]}},
      {L"encrypt --key=*.iso -o *.txt -*.txt", {"encrypt", "--key=*.iso", "-o", "*.txt", "-*.txt"}},
      {L"sum -- -* c.*", {"sum", "--", "-*", "c.txt"}},
      // A pair of surrogates is one character; case is ignored beyond ASCII too.
      {L"sum g\\?.x g\\\u03a9* g\\a*b*c", {"sum", "g\\\xf0\xa0\x80\x80.x", "g\\\xcf\x89mega", "g\\abcbc"}},
      // Two backslashes before a quote are one; the quoted '*' is a character of the name.
      {L"sum h\\\\\"*\"?x", {"sum", "h\\*.x"}},
  };
  for (const auto& [line, expected] : cases)
    EXPECT_EQ(expanded_arguments(split_command_line(L"p.exe " + line), list), expected)
        << platform::utf8_of(line);
}

// The real program on a real folder: what a pattern names is what naming the files one by one
// gives; what it cannot expand fails to open as typed.
TEST(WindowsProcess, WildcardsTypedForTheProgramNameFiles) {
  TempDir dir;
  const std::string u_euro = "\xc3\xbc\xe2\x82\xac.iso";  // "ü€.iso"
  for (const std::string name : {"a.iso", "b.iso", "a.isox", u_euro.c_str()})
    dir.write(name, name + " bytes");
  ASSERT_TRUE(std::filesystem::create_directory(testing::file_name(dir.path("sub"))));
  dir.write("sub/c.iso", "c");
  std::string root = dir.root();
  std::replace(root.begin(), root.end(), '/', '\\');
  const std::string folder = "\"" + root + "\"\\";
  const std::vector<std::pair<std::string, std::vector<std::string>>> expanding = {
      {"sum " + folder + "*.iso", {"sum", root + "\\a.iso", root + "\\b.iso", root + "\\" + u_euro}},
      {"sum --md5 " + folder + "sub\\*.iso", {"sum", "--md5", root + "\\sub\\c.iso"}},
  };
  for (const auto& [typed_line, arguments] : expanding) {
    SCOPED_TRACE(typed_line);
    const auto one_by_one = testing::run_command(arguments);
    const auto expanded = testing::run_typed_command(typed_line);
    EXPECT_EQ(one_by_one.exit_code, 0) << one_by_one.err;
    EXPECT_EQ(expanded.exit_code, 0);
    EXPECT_EQ(expanded.out, one_by_one.out);
  }
  const std::vector<std::pair<std::string, std::string>> kept = {
      {"sum \"" + root + "\\*.iso\"", root + "\\*.iso"},
      {"sum " + folder + "*.none", root + "\\*.none"},
      {"sum \"\\\\?\\" + root + "\"\\*.iso", "\\\\?\\" + root + "\\*.iso"},
  };
  for (const auto& [typed_line, argument] : kept) {
    SCOPED_TRACE(typed_line);
    const auto run = testing::run_typed_command(typed_line);
    EXPECT_NE(run.exit_code, 0);
    EXPECT_NE(run.err.find("cannot open '" + argument + "': "), std::string::npos) << run.err;
  }
}
}  // namespace
}  // namespace varnelo

// The Windows console port and file calls, run for real (under wine in CI).

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shell/console_port.hpp"
#include "shell/menus.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_binary;
using testing::run_dialogue;
using testing::TempDir;

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
  std::string upper = path;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
  for (const auto& spelling : {path, backslashed, dir.root() + "/./same.bin", upper})
    EXPECT_EQ(identity_of(spelling), identity) << spelling;
  EXPECT_NE(identity_of(other), identity);
  EXPECT_FALSE(identity_of(dir.path("missing.bin")));

  bool refused = false;
  auto dialogue = run_dialogue("", 0, [&] { refused = refuses_as_input(backslashed, identities({&*file})); });
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

}  // namespace
}  // namespace varnelo

// The sum command through the real program: its two line forms, the checks it reads, the digits
// the checksum screen shows for the same file, and lists the standard tools write and read.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "checksum/digest_set.hpp"
#include "checksum/screens.hpp"
#include "support/test_support.hpp"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace varnelo {
namespace {

using testing::run_command;
using testing::TempDir;

// Published digests of "abc".
const std::string sha512_abc =
    "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d44"
    "23643ce80e2a9ac94fa54ca49f";
const std::string sha384_abc =
    "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7";
const std::string sha256_abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const std::string sha224_abc = "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7";
const std::string sha1_abc = "a9993e364706816aba3e25717850c26c9cd0d89d";
const std::string ripemd160_abc = "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc";
const std::string md5_abc = "900150983cd24fb0d6963f7d28e17f72";

// Published Checksum64 of "abc", with all 16 digits as these forms print it.
const std::string checksum64_abc = "4be3e85a17edffec";

struct SumCase {
  std::vector<std::string> arguments;  // "{dir}" stands for the test's folder
  std::string input;
  int exit_code;
  std::string out;
  std::string err_contains;
};

// "{dir}" is the folder as given, "{/dir}" as a walk names it: "/" between all its parts.
std::string in_dir(std::string text, const TempDir& dir) {
  std::string forward = dir.root();
#ifdef _WIN32
  std::replace(forward.begin(), forward.end(), '\\', '/');
#endif
  for (std::size_t at; (at = text.find("{dir}")) != std::string::npos;)
    text.replace(at, 5, dir.root());
  for (std::size_t at; (at = text.find("{/dir}")) != std::string::npos;)
    text.replace(at, 6, forward);
  return text;
}

void run_cases(const std::vector<SumCase>& cases, const TempDir& dir) {
  for (const auto& c : cases) {
    SCOPED_TRACE("row " + std::to_string(&c - cases.data() + 1));  // rows may share their arguments
    std::vector<std::string> arguments;
    std::string shown;
    for (const auto& argument : c.arguments) {
      arguments.push_back(in_dir(argument, dir));
      shown += argument + " ";
    }
    auto result = run_command(arguments, in_dir(c.input, dir), {{"LC_ALL", "C"}});
    EXPECT_EQ(result.exit_code, c.exit_code) << shown << result.err;
    EXPECT_EQ(result.out, in_dir(c.out, dir)) << shown;
    EXPECT_NE(result.err.find(in_dir(c.err_contains, dir)), std::string::npos) << shown << result.err;
  }
}

TEST(SumCommand, LinesOfOneAlgorithmAndTaggedLinesOfSeveral) {
  TempDir dir;
  dir.write("abc", "abc");
  dir.write("empty", "");
  std::filesystem::create_directories(dir.path("t/a"));
  dir.write("t/b", "abc");
  dir.write("t/a/c", "abc");
  dir.write("t/a/d", "");
  const std::string empty = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
  const std::string all = "SHA512 ({dir}/abc) = " + sha512_abc + "\nSHA384 ({dir}/abc) = " + sha384_abc +
                          "\nSHA256 ({dir}/abc) = " + sha256_abc + "\nSHA224 ({dir}/abc) = " + sha224_abc +
                          "\nSHA1 ({dir}/abc) = " + sha1_abc + "\nRMD160 ({dir}/abc) = " + ripemd160_abc +
                          "\nMD5 ({dir}/abc) = " + md5_abc + "\nCHECKSUM64 ({dir}/abc) = " + checksum64_abc +
                          "\n";
  run_cases(
      {
          {{"sum", "{dir}/abc"}, "", 0, sha256_abc + "  {dir}/abc\n", ""},
          {{"sum", "--sha512", "{dir}/abc"}, "", 0, sha512_abc + "  {dir}/abc\n", ""},
          {{"sum", "--sha384", "{dir}/abc"}, "", 0, sha384_abc + "  {dir}/abc\n", ""},
          {{"sum", "--sha224", "{dir}/abc"}, "", 0, sha224_abc + "  {dir}/abc\n", ""},
          {{"sum", "--sha1", "{dir}/abc", "{dir}/abc"},
           "",
           0,
           sha1_abc + "  {dir}/abc\n" + sha1_abc + "  {dir}/abc\n",
           ""},
          {{"sum", "--ripemd160", "{dir}/abc"}, "", 0, ripemd160_abc + "  {dir}/abc\n", ""},
          {{"sum", "--md5", "{dir}/abc"}, "", 0, md5_abc + "  {dir}/abc\n", ""},
          // Checksum64 in these forms has all 16 digits, leading zeros too.
          {{"sum", "--checksum64", "{dir}/empty"}, "", 0, "204967e9132b3e81  {dir}/empty\n", ""},
          {{"sum", "--tag", "--md5", "{dir}/abc"}, "", 0, "MD5 ({dir}/abc) = " + md5_abc + "\n", ""},
          {{"sum", "--md5", "--sha1", "{dir}/abc"},
           "",
           0,
           "SHA1 ({dir}/abc) = " + sha1_abc + "\nMD5 ({dir}/abc) = " + md5_abc + "\n",
           ""},
          {{"sum", "--all", "{dir}/abc"}, "", 0, all, ""},
          {{"sum", "-"}, "abc", 0, sha256_abc + "  -\n", ""},
          {{"sum"}, "abc", 0, sha256_abc + "  -\n", ""},
          {{"sum", "--tag"}, "abc", 0, "SHA256 (-) = " + sha256_abc + "\n", ""},
          // A file that cannot be read is named, the others still summed.
          {{"sum", "{dir}/missing", "{dir}/abc"},
           "",
           2,
           sha256_abc + "  {dir}/abc\n",
           "cannot open '{dir}/missing'"},
          {{"sum", "{dir}"}, "", 2, "", "cannot open '{dir}'"},
          {{"sum", "--check", "--tag", "x"}, "", 2, "", "--check takes no --tag"},
          // Many files at once, in the order given; folders walked in name order; lists of names.
          {{"sum", "-j", "2", "{dir}/abc", "{dir}/empty", "{dir}/missing", "{dir}/abc", "{dir}/empty"},
           "",
           2,
           sha256_abc + "  {dir}/abc\n" + empty + "  {dir}/empty\n" + sha256_abc + "  {dir}/abc\n" + empty +
               "  {dir}/empty\n",
           "cannot open '{dir}/missing'"},
          {{"sum", "-r", "{dir}/t", "{dir}/abc"},
           "",
           0,
           sha256_abc + "  {/dir}/t/a/c\n" + empty + "  {/dir}/t/a/d\n" + sha256_abc + "  {/dir}/t/b\n" +
               sha256_abc + "  {dir}/abc\n",
           ""},
          {{"sum", "--files-from", "-"},
           "{dir}/empty\n{dir}/abc\n",
           0,
           empty + "  {dir}/empty\n" + sha256_abc + "  {dir}/abc\n",
           ""},
          {{"sum", "-z", "--files-from", "-"},
           std::string("{dir}/abc\0{dir}/empty\0", 22),
           0,
           sha256_abc + "  {dir}/abc" + '\0' + empty + "  {dir}/empty" + '\0',
           ""},
          {{"sum", "--files-from", "-", "{dir}/abc"},
           "",
           2,
           "",
           "--files-from takes the names from its list"},
          {{"sum", "-j", "0", "{dir}/abc"}, "", 2, "", "--jobs takes a whole number from 1"},
      },
      dir);
}

#ifndef _WIN32
// Names holding a backslash, a line feed or a carriage return are escaped as the standard tools do.
TEST(SumCommand, NamesWithBackslashesAndLineBreaksAreEscaped) {
  TempDir dir;
  dir.write("a\\b", "abc");
  dir.write("c\nd", "abc");
  dir.write("e\rf", "abc");
  run_cases(
      {
          {{"sum", "{dir}/a\\b"}, "", 0, "\\" + sha256_abc + "  {dir}/a\\\\b\n", ""},
          {{"sum", "{dir}/c\nd"}, "", 0, "\\" + sha256_abc + "  {dir}/c\\nd\n", ""},
          {{"sum", "--md5", "--tag", "{dir}/e\rf"}, "", 0, "\\MD5 ({dir}/e\\rf) = " + md5_abc + "\n", ""},
          {{"sum", "--check"}, "\\" + sha256_abc + "  {dir}/c\\nd\n", 0, "\\{dir}/c\\nd: OK\n", ""},
      },
      dir);
}
#endif

TEST(SumCommand, ChecksReadBothFormsAndCountWhatFailed) {
  TempDir dir;
  dir.write("abc", "abc");
  dir.write("other", "abd");
  // Lines naming abc, with its MD5 or a wrong one, or a missing file, and what a check shows for abc.
  const std::string md5_line = md5_abc + "  {dir}/abc\n", bad_line = std::string(32, '0') + "  {dir}/abc\n";
  const std::string missing_line = md5_abc + "  {dir}/missing\n";
  const std::string ok = "{dir}/abc: OK\n", failed = "{dir}/abc: FAILED\n";
  run_cases(
      {
          {{"sum", "-c"}, sha256_abc + "  {dir}/abc\n", 0, ok, ""},
          {{"sum", "--check"}, md5_abc + " *{dir}/abc\r\n", 0, ok, ""},
          {{"sum", "--check"},
           "SHA1 ({dir}/abc) = " + sha1_abc + "\nMD5 ({dir}/abc) = " + md5_abc + "\n",
           0,
           ok + ok,
           ""},
          {{"sum", "--check"}, "CHECKSUM64 ({dir}/abc) = " + checksum64_abc + "\n", 0, ok, ""},
          // Upper-case digits match too; comments and blank lines are passed over.
          {{"sum", "--check"}, "# list\n\nMD5 ({dir}/abc) = 900150983CD24FB0D6963F7D28E17F72\n", 0, ok, ""},
          {{"sum", "--check"},
           bad_line + md5_line,
           1,
           failed + ok,
           "WARNING: 1 computed checksum did NOT match"},
          {{"sum", "--check", "--quiet"},
           bad_line + md5_line,
           1,
           failed,
           "1 computed checksum did NOT match"},
          {{"sum", "--check", "-q"}, md5_line, 0, "", ""},
          {{"sum", "--check"},
           missing_line + md5_abc + "  {dir}/other\n",
           1,
           "{dir}/missing: FAILED open or read\n{dir}/other: FAILED\n",
           "WARNING: 1 listed file could not be read"},
          // A listed file that is missing fails the check even when nothing else does.
          {{"sum", "--check"},
           missing_line,
           1,
           "{dir}/missing: FAILED open or read\n",
           "WARNING: 1 listed file could not be read"},
          // A line that is no sum line is counted, but fails the check only with --strict.
          {{"sum", "--check"}, "nonsense\n" + md5_line, 0, ok, "WARNING: 1 line is improperly formatted"},
          {{"sum", "--check", "--strict"},
           "nonsense\n" + md5_line,
           1,
           ok,
           "WARNING: 1 line is improperly formatted"},
          {{"sum", "--check", "-w"},
           md5_line + "nonsense\n\n# note\nMD5 ({dir}/abc) = 12\n",
           0,
           ok,
           "varnelo: -: 2: improperly formatted checksum line\nvarnelo: -: 5: improperly formatted checksum "
           "line\nvarnelo: WARNING: 2 lines are improperly formatted\n"},
          // The last of --warn, --status and --quiet counts.
          {{"sum", "--check", "-w", "--status"}, "nonsense\n" + md5_line, 0, "", ""},
          {{"sum", "--check", "--status", "-q"}, bad_line + md5_line, 1, failed, ""},
          {{"sum", "--check", "--status"}, bad_line + missing_line, 1, "", "cannot open '{dir}/missing'"},
          // Missing files are passed over with --ignore-missing, but something must be checked.
          {{"sum", "--check", "--ignore-missing"}, missing_line + md5_line, 0, ok, ""},
          {{"sum", "--check", "--ignore-missing"}, missing_line, 1, "", "-: no file was verified"},
          {{"sum", "--check", "--ignore-missing"},
           md5_abc + "  {dir}\n",
           1,
           "{dir}: FAILED open or read\n",
           "cannot open '{dir}'"},
          // Separators: two spaces, space and star, one space, a tab; a list whose first line has one
          // blank and no mark keeps to that, and its names may start with a space.
          {{"sum", "--check"},
           md5_abc + " {dir}/abc\n" + md5_abc + "\t{dir}/abc\n" + md5_line,
           1,
           ok + ok + " {dir}/abc: FAILED open or read\n",
           "cannot open ' {dir}/abc'"},
          {{"sum", "--check"},
           md5_abc + "\t*{dir}/abc\n" + md5_abc + " {dir}/abc\n" + md5_line,
           0,
           ok + ok + ok,
           ""},
          // A NUL cannot stand in a file name: the line is no sum line.
          {{"sum", "--check"},
           md5_abc + "  {dir}/abc" + std::string(1, '\0') + "x\n",
           1,
           "",
           "no properly formatted checksum lines found"},
          // A line longer than any sum line ends the list, which is then trouble.
          {{"sum", "--check"},
           md5_line + std::string(9000, 'a') + "\n" + md5_line,
           2,
           ok,
           "-: 2: line too long for a checksum line"},
          {{"sum", "--status", "{dir}/abc"}, "", 2, "", "go with --check"},
          {{"sum", "--check"}, "", 1, "", "no properly formatted checksum lines found"},
          // 40 digits are SHA-1 or RIPEMD-160, 16 Checksum64; an algorithm option allows only its lines.
          {{"sum", "--check"},
           ripemd160_abc + "  {dir}/abc\n" + sha1_abc + "  {dir}/abc\n" + sha1_abc + "  {dir}/other\n",
           1,
           ok + ok + "{dir}/other: FAILED\n",
           "did NOT match"},
          {{"sum", "--check", "--ripemd160"}, ripemd160_abc + "  {dir}/abc\n", 0, ok, ""},
          {{"sum", "--check", "--sha1"}, ripemd160_abc + "  {dir}/abc\n", 1, failed, "did NOT match"},
          {{"sum", "--check"}, checksum64_abc + "  {dir}/abc\n", 0, ok, ""},
          {{"sum", "--check", "--checksum64"}, checksum64_abc + "  {dir}/abc\n", 0, ok, ""},
          {{"sum", "--check", "--sha256"},
           "MD5 ({dir}/abc) = " + md5_abc + "\n" + md5_abc +
               "  {dir}/abc\nSHA256 ({dir}/abc) = " + sha256_abc + "\n",
           0,
           ok,
           "WARNING: 2 lines are improperly formatted"},
          {{"sum", "--check", "--md5", "--sha1"},
           "SHA256 ({dir}/abc) = " + sha256_abc + "\n" + md5_line + ripemd160_abc + "  {dir}/abc\n",
           1,
           ok + failed,
           "WARNING: 1 line is improperly formatted"},
          // A digest of the wrong length for its tag is no sum line.
          {{"sum", "--check"}, "MD5 ({dir}/abc) = " + sha1_abc + "\n", 1, "", "no properly formatted"},
          {{"sum", "--check", "{dir}/missing.sums"}, "", 2, "", "cannot open '{dir}/missing.sums'"},
      },
      dir);
  // Lists named as files, one after the other.
  dir.write("list1", sha256_abc + "  " + dir.path("abc") + "\n");
  dir.write("list2", "MD5 (" + dir.path("other") + ") = " + md5_abc + "\n");
  run_cases(
      {{{"sum", "--check", "{dir}/list1", "{dir}/list2"}, "", 1, "{dir}/abc: OK\n{dir}/other: FAILED\n", ""}},
      dir);
}

// The digits of every algorithm are those the checksum screen shows for the same file.
TEST(SumCommand, DigitsEqualTheScreens) {
  TempDir dir;
  const std::string path = dir.write("data", testing::pattern_bytes(200000, 5));
  const auto result = run_command({"sum", "--all", path});
  ASSERT_EQ(result.exit_code, 0) << result.err;
  struct Choice {
    std::string typed;
    std::string tag;
  };
  const std::vector<Choice> choices = {{"1\n{p}\n1\nn\n\n", "SHA512"}, {"1\n{p}\n2\nn\n\n", "SHA384"},
                                       {"1\n{p}\n3\nn\n\n", "SHA256"}, {"1\n{p}\n4\nn\n\n", "SHA224"},
                                       {"2\n{p}\nn\n\n", "SHA1"},      {"3\n{p}\nn\n\n", "RMD160"},
                                       {"4\n{p}\nn\n\n", "MD5"},       {"5\n{p}\nn\n\n", "CHECKSUM64"}};
  for (const auto& choice : choices) {
    std::string typed = choice.typed;
    typed.replace(typed.find("{p}"), 3, path);
    auto dialogue = testing::run_dialogue(typed, 0, [] {
      Menu menu;
      checksum_screen(menu);
    });
    const std::string lead = choice.tag + " (" + path + ") = ";
    const std::size_t at = result.out.find(lead);
    ASSERT_NE(at, std::string::npos) << choice.tag;
    std::string digits = result.out.substr(at + lead.size(), result.out.find('\n', at) - at - lead.size());
    // The screen prints Checksum64 without its leading zeros.
    if (choice.tag == "CHECKSUM64") digits = digits.substr(digits.find_first_not_of('0'));
    EXPECT_NE(dialogue.text().find(digits + "\n"), std::string::npos) << choice.tag;
  }
}

#ifndef _WIN32
// Lists made by sha256sum and md5sum check here, and ours check there, in both forms.
TEST(SumCommand, ListsCheckBothWaysWithTheStandardTools) {
  TempDir dir;
  dir.write("one", testing::pattern_bytes(5000, 1));
  dir.write("two", testing::pattern_bytes(70000, 2));
  dir.write("b\\s", "backslash");
  // Runs a shell line in the folder, so that every list holds the same relative names.
  auto status = [&](const std::string& line) {
    int raw = std::system(("cd '" + dir.root() + "' && " + line).c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  for (const auto& [tool, option] :
       {std::pair<std::string, std::string>{"sha256sum", "--sha256"}, {"md5sum", "--md5"}}) {
    if (status("command -v " + tool + " >/dev/null") != 0) {
      std::printf("%s is not installed; skipped\n", tool.c_str());
      continue;
    }
    const std::string files = " one two 'b\\s'";
    ASSERT_EQ(status(tool + files + " > theirs"), 0);
    ASSERT_EQ(status("\"$VARNELO_BINARY\" sum " + option + files + " > ours"), 0);
    ASSERT_EQ(status("\"$VARNELO_BINARY\" sum --tag " + option + files + " > tagged"), 0);
    EXPECT_EQ(dir.read("ours"), dir.read("theirs")) << tool;
    EXPECT_EQ(status("\"$VARNELO_BINARY\" sum --check --quiet theirs"), 0) << tool;
    EXPECT_EQ(status(tool + " --check --status ours"), 0) << tool;
    EXPECT_EQ(status(tool + " --check --status tagged"), 0) << tool;
    // A changed file fails on both sides.
    dir.write("two", testing::pattern_bytes(70000, 3));
    EXPECT_EQ(status("\"$VARNELO_BINARY\" sum --check --quiet theirs 2>/dev/null >/dev/null"), 1) << tool;
    EXPECT_EQ(status(tool + " --check --status ours"), 1) << tool;
    dir.write("two", testing::pattern_bytes(70000, 2));
  }
}

// A list checked by sha256sum or md5sum and by us gives the same results on standard output,
// byte for byte, and the same exit status: their lists and ours, well or badly formed.
TEST(SumCommand, ChecksPrintWhatTheStandardToolsPrint) {
  TempDir dir;
  std::filesystem::create_directory(dir.path("d"));
  for (const char* name : {"abc", "a\nb", "c\\d", "e\rf", "x\\y\nz"})
    dir.write(std::string("d/") + name, "abc");
  auto status = [&](const std::string& line) {
    int raw = std::system(("cd '" + dir.path("d") + "' && " + line).c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  struct Row {
    std::string tool;
    std::string options;
    std::string list;  // written as it stands, unless `make` writes it
    std::string make;  // a shell line that writes ../list
  };
  const std::string ours = "\"$VARNELO_BINARY\" sum ";
  const std::string sha = sha256_abc, md5 = md5_abc, zeros(64, '0');
  const std::vector<Row> rows = {
      {"sha256sum", "", sha + "  abc\n" + zeros + "  abc\n" + sha + " *abc\n", ""},
      {"sha256sum", "", sha + "  abc\nnonsense\n", ""},
      {"sha256sum", "--strict", sha + "  abc\nnonsense\n", ""},
      {"sha256sum", "--warn", sha + "  abc\nnonsense\n", ""},
      {"sha256sum", "--status", sha + "  abc\nnonsense\n" + zeros + "  abc\n", ""},
      {"sha256sum", "--quiet", sha + "  abc\n" + zeros + "  abc\n" + sha + "  missing\n", ""},
      {"sha256sum", "", sha + "  missing\n" + sha + "  abc\n", ""},
      {"sha256sum", "--ignore-missing", sha + "  missing\n" + sha + "  abc\n", ""},
      {"sha256sum", "--ignore-missing", sha + "  missing\n", ""},
      {"sha256sum", "--ignore-missing", zeros + "  abc\n" + sha + "  missing\n", ""},
      {"sha256sum", "", "nonsense\n", ""},
      {"sha256sum", "", "", ""},
      // Escaped names, names with backslashes that are not escaped, and escapes that do not exist.
      {"sha256sum", "", "\\" + sha + "  a\\nb\n" + sha + "  c\\d\n\\" + sha + "  c\\\\d\n", ""},
      {"sha256sum", "", "\\" + sha + "  e\\rf\n\\" + sha + "  x\\\\y\\nz\n\\" + sha + "  c\\q\n", ""},
      {"sha256sum", "", sha + "  a\\nb\n\\SHA256 (x\\\\y\\nz) = " + sha + "\n", ""},
      {"sha256sum", "", "# note\n\n  SHA256 (abc)= " + sha + "\r\nSHA256(abc) = 00\n", ""},
      {"sha256sum", "", sha + "\tabc\n" + sha + " abc\n" + sha + "  .\n", ""},
      {"sha256sum", "", "", "sha256sum * > ../list"},
      {"sha256sum", "", "", ours + "* > ../list && echo '" + zeros + "  abc' >> ../list"},
      {"sha256sum", "--tag", "", ours + "--tag * > ../list && echo nonsense >> ../list"},
      {"md5sum", "", md5 + "  abc\nMD5 (abc) = " + md5 + "\n" + sha + "  abc\n", ""},
      {"md5sum", "--warn", "", ours + "--md5 * > ../list && echo '" + md5 + "  missing' >> ../list"},
      {"md5sum", "", "", "md5sum --tag * > ../list"},
  };
  for (const Row& row : rows) {
    if (status("command -v " + row.tool + " >/dev/null") != 0) {
      std::printf("%s is not installed; skipped\n", row.tool.c_str());
      continue;
    }
    if (row.make.empty())
      dir.write("list", row.list);
    else
      ASSERT_EQ(status(row.make), 0) << row.make;
    // --tag stands for the tool's own algorithm option, with which we check only its lines.
    const std::string option = row.tool == "md5sum" ? "--md5" : "--sha256";
    const std::string options = row.options == "--tag" ? "" : row.options;
    const int theirs = status(row.tool + " -c " + options + " ../list > ../theirs 2>/dev/null");
    for (const std::string& restriction : {option, std::string()}) {
      // Lists with other algorithms' lines are the same only for a check restricted as the tool's.
      if (restriction.empty() && (row.options == "--tag" || row.tool == "md5sum")) continue;
      SCOPED_TRACE(row.tool + " " + row.options + " " + restriction + "\n" + row.list);
      EXPECT_EQ(status(ours + "-c " + restriction + " " + options + " ../list > ../ours 2>/dev/null"),
                theirs);
      EXPECT_EQ(dir.read("ours"), dir.read("theirs"));
    }
  }
  // Several jobs keep the order; -r and --files-from name files as the standard tools do, and
  // what they write checks there and here alike.
  for (const std::string& line : {ours + "-j 3 * > ../list && sha256sum * | cmp -s - ../list",
                                  ours +
                                      "-j 2 -r . > ../list && find . -type f -print0 | LC_ALL=C sort -z | "
                                      "xargs -0 sha256sum | cmp -s - "
                                      "../list && sha256sum -c ../list > ../theirs && " +
                                      ours + "-c -j 3 ../list | cmp -s - ../theirs",
                                  "printf 'abc\\0c\\\\d\\0e\\rf\\0' | " + ours +
                                      "-z --files-from - > ../list && sha256sum -z abc 'c\\d' \"$(printf "
                                      "'e\\rf')\" | cmp -s - ../list && " +
                                      ours + "-c -z ../list | tr '\\0' '\\n' | grep -c ': OK$' | grep -qx 3"})
    EXPECT_EQ(status(line), 0) << line;
  // A folder that cannot be listed is named with its reason and the walk goes on; a link to a
  // folder is not followed.
  const std::string as_other = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
  // Run as another user only where that user can reach the program at all.
  if (as_other.empty() || status(as_other + "\"$VARNELO_BINARY\" --version >/dev/null 2>&1") == 0) {
    std::filesystem::create_directories(dir.path("t/locked"));
    std::filesystem::create_directories(dir.path("t/sub"));
    dir.write("t/sub/b", "abc");
    std::filesystem::create_directory_symlink("sub", dir.path("t/link"));
    std::filesystem::permissions(dir.root(), std::filesystem::perms::all);
    std::filesystem::permissions(dir.path("t/locked"), std::filesystem::perms::none);
    EXPECT_EQ(status("cd .. && " + as_other + ours + "-r t > out 2> err"), 2);
    EXPECT_EQ(dir.read("out"), sha + "  t/sub/b\n");
    EXPECT_EQ(dir.read("err"), "varnelo: cannot open 't/locked': Permission denied\n");
    std::filesystem::permissions(dir.path("t/locked"), std::filesystem::perms::owner_all);
  }
  // A list that never ends in a line feed ends the check, in bounded memory (a sanitized program
  // reserves more address space than the limit).
  bool sanitized = false;
#if defined(__SANITIZE_ADDRESS__)
  sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  sanitized = true;
#endif
#endif
  if (!sanitized) {
    EXPECT_EQ(status("ulimit -v 600000 && timeout 60 " + ours + "--check /dev/zero 2>/dev/null"), 2);
  }
  // On a terminal a name cannot retitle or clear the window.
  if (status("command -v script >/dev/null") == 0) {
    dir.write("d/\x1b]0;t\a\x1b[2J", "abc");
    dir.write("list", sha + "  \x1b]0;t\a\x1b[2J\n" + sha + "  \x1b[2Jgone\n");
    status("timeout 60 script -qec '" + ours + "-c ../list' /dev/null > ../shown");
    const std::string shown = dir.read("shown");
    EXPECT_EQ(shown.find('\x1b'), std::string::npos) << shown;
    EXPECT_NE(shown.find("?]0;t??[2J: OK"), std::string::npos) << shown;
    EXPECT_NE(shown.find("?[2Jgone: FAILED open or read"), std::string::npos) << shown;
  }
}
#endif

}  // namespace
}  // namespace varnelo

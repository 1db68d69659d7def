// The split and join commands through the real program: the pieces the split screen writes for
// the same choices, sizes given in units, joins found and listed, and outputs refused.

#include <filesystem>
#include <string>
#include <vector>

#include "splitjoin/screen_run.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_command;
using testing::TempDir;

// The sizes of NAME.001, NAME.002, ... as far as they exist.
std::vector<std::size_t> piece_sizes(const TempDir& dir, const std::string& name) {
  std::vector<std::size_t> sizes;
  for (int k = 1; k < 1000; ++k) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, ".%03d", k);
    if (!dir.exists(name + suffix)) break;
    sizes.push_back(dir.read(name + suffix).size());
  }
  return sizes;
}

std::string joined(const TempDir& dir, const std::string& name) {
  std::string bytes;
  for (int k = 1; k < 1000; ++k) {
    char suffix[8];
    std::snprintf(suffix, sizeof suffix, ".%03d", k);
    if (!dir.exists(name + suffix)) break;
    bytes += dir.read(name + suffix);
  }
  return bytes;
}

TEST(SplitCommand, PiecesOfTheSizesAskedFor) {
  struct Case {
    std::size_t input;
    std::vector<std::string> options;
    int exit_code;
    std::vector<std::size_t> pieces;
    std::string err_contains;
  };
  const std::vector<Case> cases = {
      // The menus' equal-size rule: rounded up, fewer pieces when the rounding uses the file up.
      {10, {"--pieces", "4"}, 0, {3, 3, 3, 1}, ""},
      {9, {"--pieces", "4"}, 0, {3, 3, 3}, ""},
      {12, {"--pieces", "5"}, 0, {3, 3, 3, 3}, ""},
      {7, {"--pieces", "7"}, 0, {1, 1, 1, 1, 1, 1, 1}, ""},
      {5000, {"--pieces", "1"}, 0, {5000}, ""},
      {3, {"--pieces", "4"}, 2, {}, "fewer bytes than the 4 pieces"},
      {0, {"--pieces", "1"}, 2, {}, "is empty"},
      {10, {"--size", "4"}, 0, {4, 4, 2}, ""},
      {10, {"--size", "5B"}, 0, {5, 5}, ""},
      {3000, {"--size", "1KB"}, 0, {1024, 1024, 952}, ""},
      {3000, {"--size", "1kb"}, 0, {1024, 1024, 952}, ""},
      {3 << 20, {"--size", "2MB"}, 0, {2 << 20, 1 << 20}, ""},
      {100, {"--size", "1GB"}, 0, {100}, ""},
      {1000, {"--size", "1"}, 2, {}, "would make 1000 pieces"},
      {999, {"--size", "1"}, 0, std::vector<std::size_t>(999, 1), ""},
      {10, {"--size", "0"}, 2, {}, "--size takes a size"},
      // Units with or without B or iB, decimals, all in 1024s, up to the largest size there is.
      {10, {"--size", "3TB"}, 0, {10}, ""},
      {3000, {"--size", "1.5K"}, 0, {1536, 1464}, ""},
      {3000, {"--size", "1kib"}, 0, {1024, 1024, 952}, ""},
      {3 << 20, {"--size", "1.5M"}, 0, {3 << 19, 3 << 19}, ""},
      {10, {"--size", "9223372036854775807"}, 0, {10}, ""},
      {10, {"--size", "0.5B"}, 2, {}, "not '0.5B'"},
      {10, {"--size", "1.2.3"}, 2, {}, "not '1.2.3'"},
      {10, {"--size", "3PB"}, 2, {}, "not '3PB'"},
      {10, {"--size", "9223372036854775808"}, 2, {}, "--size takes a size"},
      {10, {"--pieces", "0"}, 2, {}, "from 1 to 999, not '0'"},
      {10, {"--pieces", "1000"}, 2, {}, "usage: varnelo split"},
      {10, {"--pieces", "2", "--size", "3"}, 2, {}, "either --pieces or --size"},
      {10, {}, 2, {}, "either --pieces or --size"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string path = dir.write("data", testing::pattern_bytes(c.input, 3));
    std::vector<std::string> arguments = {"split", path};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    auto result = run_command(arguments, {}, {{"LC_ALL", "C"}});
    EXPECT_EQ(result.exit_code, c.exit_code) << c.input << " " << c.options[0] << result.err;
    EXPECT_EQ(piece_sizes(dir, "data"), c.pieces) << c.input << " " << c.options[0];
    if (c.exit_code == 0) {
      EXPECT_EQ(joined(dir, "data"), dir.read("data"));
    }
    EXPECT_NE(result.err.find(c.err_contains), std::string::npos) << result.err;
    EXPECT_TRUE(result.out.empty());
  }
}

// The command writes the same pieces as the split screen answered with the same choices.
TEST(SplitCommand, PiecesEqualTheScreens) {
  for (const std::size_t size : {10u, 4096u, 70001u}) {
    for (const int count : {1, 3, 4, 7}) {
      TempDir menu_dir, command_dir;
      const std::string bytes = testing::pattern_bytes(size, count);
      const std::string menu_path = menu_dir.write("data", bytes);
      const std::string command_path = command_dir.write("data", bytes);
      splitjoin_test::run_split("1\n" + menu_path + "\n" + std::to_string(count) + "\n1\n\n");
      ASSERT_EQ(run_command({"split", command_path, "--pieces", std::to_string(count)}).exit_code, 0);
      const auto sizes = piece_sizes(menu_dir, "data");
      ASSERT_FALSE(sizes.empty());
      EXPECT_EQ(piece_sizes(command_dir, "data"), sizes) << size << " " << count;
      for (std::size_t k = 1; k <= sizes.size(); ++k) {
        char suffix[8];
        std::snprintf(suffix, sizeof suffix, ".%03zu", k);
        EXPECT_EQ(command_dir.read(std::string("data") + suffix),
                  menu_dir.read(std::string("data") + suffix));
      }
    }
  }
}

// An existing piece stops the split before any piece is written, unless --force; a piece that
// is the input is refused even then.
TEST(SplitCommand, ExistingPiecesAreRefusedWithoutForce) {
  TempDir dir;
  const std::string path = dir.write("data", testing::pattern_bytes(30, 1));
  dir.write("data.002", "old");
  auto refused = run_command({"split", path, "--pieces", "3"}, {}, {{"LC_ALL", "C"}});
  EXPECT_EQ(refused.exit_code, 2);
  EXPECT_NE(refused.err.find("'" + dir.path("data.002") + "' exists; --force replaces it"),
            std::string::npos);
  EXPECT_FALSE(dir.exists("data.001"));
  EXPECT_EQ(dir.read("data.002"), "old");
  auto forced = run_command({"split", "-f", path, "--pieces", "3"});
  EXPECT_EQ(forced.exit_code, 0);
  EXPECT_EQ(piece_sizes(dir, "data"), (std::vector<std::size_t>{10, 10, 10}));
  // --prefix puts the pieces elsewhere, and may not make one of them the input.
  dir.write("p.002", "input");
  auto same = run_command({"split", "--force", dir.path("p.002"), "--size", "2", "--prefix", dir.path("p")});
  EXPECT_EQ(same.exit_code, 2);
  EXPECT_EQ(dir.read("p.002"), "input");
  EXPECT_FALSE(dir.exists("p.001"));
  // Nor may --force remove the input as a piece left from an earlier set.
  dir.write("in.003", "0123456789");
  auto stale_input = run_command(
      {"split", "-f", dir.path("in.003"), "--size", "5", "--prefix", dir.path("in")}, {}, {{"LC_ALL", "C"}});
  EXPECT_EQ(stale_input.exit_code, 2);
  EXPECT_NE(stale_input.err.find("is the file being split"), std::string::npos) << stale_input.err;
  EXPECT_EQ(dir.read("in.003"), "0123456789");
  EXPECT_FALSE(dir.exists("in.001"));
  EXPECT_EQ(run_command({"split", path, "--pieces", "2", "--prefix", dir.path("q")}).exit_code, 0);
  EXPECT_EQ(joined(dir, "q"), dir.read("data"));
  EXPECT_EQ(run_command({"split", "-", "--pieces", "2"}, "abc").exit_code, 2);
  // Two piece names that reach one file: the second piece would replace the first, so even
  // --force does not let the split begin.
  dir.write("r.001", "old");
#ifdef _WIN32
  std::filesystem::create_hard_link(testing::file_name(dir.path("r.001")),
                                    testing::file_name(dir.path("r.002")));
#else
  std::filesystem::create_symlink("r.001", dir.path("r.002"));
#endif
  auto twice =
      run_command({"split", "-f", path, "--pieces", "2", "--prefix", dir.path("r")}, {}, {{"LC_ALL", "C"}});
  EXPECT_EQ(twice.exit_code, 2);
  EXPECT_NE(twice.err.find("'" + dir.path("r.001") + "' and '" + dir.path("r.002") + "' are one file"),
            std::string::npos)
      << twice.err;
  EXPECT_EQ(dir.read("r.001"), "old");
}

// Members of an earlier set that the new split does not replace are refused, or with --force
// removed with its commit; a vendor's list of the whole file alone is no member.
TEST(SplitCommand, LeftoversOfAnEarlierSet) {
  struct Case {
    int old_pieces;
    std::string old_list;  // "piece": a list naming data.001; "vendor": one naming data alone
    std::vector<std::string> options;
    int exit_code;
    std::vector<std::string> present, absent;
    std::string err_contains;
  };
  const std::vector<Case> cases = {
      {7, "", {"--pieces", "5"}, 2, {"data.007"}, {}, "'{dir}/data.006' is left from an earlier split"},
      {7, "", {"--pieces", "5", "-f"}, 0, {"data.005"}, {"data.006", "data.007"}, "removed '{dir}/data.007'"},
      {0, "piece", {"--pieces", "2"}, 2, {"data.sha256"}, {"data.001"}, "'{dir}/data.sha256' is left"},
      {3, "piece", {"--pieces", "3", "-f"}, 0, {"data.003"}, {"data.sha256"}, "removed '{dir}/data.sha256'"},
      {3, "piece", {"--pieces", "2", "-f", "--sums=md5"}, 0, {"data.md5"}, {"data.sha256", "data.003"}, ""},
      {0, "vendor", {"--pieces", "2"}, 0, {"data.sha256", "data.002"}, {}, ""},
      {0, "", {"--pieces", "2", "--sums=crc32"}, 2, {}, {"data.001"}, "--sums takes one of"},
      {2, "", {"--pieces", "2", "--sums"}, 2, {"data.002"}, {"data.sha256"}, "data.001' exists"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string path = dir.write("data", testing::pattern_bytes(5000, 7));
    for (int k = 1; k <= c.old_pieces; ++k)
      dir.write("data.00" + std::to_string(k), "old");
    if (c.old_list == "piece") dir.write("data.sha256", std::string(64, 'a') + "  data.001\n");
    if (c.old_list == "vendor") dir.write("data.sha256", std::string(64, 'a') + "  data\n");
    std::vector<std::string> arguments = {"split", path};
    arguments.insert(arguments.end(), c.options.begin(), c.options.end());
    auto result = run_command(arguments, {}, {{"LC_ALL", "C"}});
    std::string err = c.err_contains;
    if (err.find("{dir}") != std::string::npos) err.replace(err.find("{dir}"), 5, dir.root());
    EXPECT_EQ(result.exit_code, c.exit_code) << c.options.back() << result.err;
    EXPECT_NE(result.err.find(err), std::string::npos) << result.err;
    for (const std::string& name : c.present)
      EXPECT_TRUE(dir.exists(name)) << name << " " << c.options.back();
    for (const std::string& name : c.absent)
      EXPECT_FALSE(dir.exists(name)) << name << " " << c.options.back();
    if (c.exit_code == 0) {
      EXPECT_EQ(joined(dir, "data"), dir.read("data"));
    } else if (c.old_pieces > 0) {
      EXPECT_EQ(dir.read("data.001"), "old");
    }
  }
}

#ifndef _WIN32
// The list a split writes is read by the real sha256sum and md5sum: the pieces before the join,
// the whole file after it.
TEST(SplitCommand, ItsListChecksWithTheStandardTools) {
  TempDir dir;
  auto status = [&](const std::string& line) {
    int raw = std::system(("cd '" + dir.root() + "' && " + line).c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  };
  for (const auto& [tool, algorithm] :
       {std::pair<std::string, std::string>{"sha256sum", "sha256"}, {"md5sum", "md5"}}) {
    if (status("command -v " + tool + " >/dev/null") != 0) continue;
    const std::string bytes = testing::pattern_bytes(70001, 5);
    dir.write("w", bytes);
    ASSERT_EQ(status("\"$VARNELO_BINARY\" split -f w --pieces 20 --sums=" + algorithm + " --prefix p"), 0);
    ASSERT_EQ(status(tool + " w > whole"), 0);
    // The last line is the whole file's, by the name the join gives it.
    const std::string list = dir.read("p." + algorithm), theirs = dir.read("whole");
    EXPECT_TRUE(list.ends_with(theirs.substr(0, theirs.size() - 2) + "p\n")) << list;
    EXPECT_EQ(status(tool + " -c --status --ignore-missing p." + algorithm), 0) << tool;
    EXPECT_EQ(status("\"$VARNELO_BINARY\" sum -c --quiet --ignore-missing p." + algorithm), 0) << tool;
    ASSERT_EQ(status("\"$VARNELO_BINARY\" join -f p.001"), 0);
    EXPECT_EQ(status(tool + " -c --status p." + algorithm), 0) << tool;
    // A damaged middle piece fails there too.
    dir.write("p.002", dir.read("p.002").replace(10, 1, "#"));
    EXPECT_EQ(status(tool + " -c --status --ignore-missing p." + algorithm), 1) << tool;
    EXPECT_EQ(status("rm p && \"$VARNELO_BINARY\" join p.001 2>/dev/null"), 1) << tool;
    EXPECT_FALSE(dir.exists("p"));
  }
}
#endif

TEST(JoinCommand, FoundFromTheFirstPieceOrListed) {
  struct Case {
    std::vector<std::string> arguments;  // {dir} for the folder
    int exit_code;
    std::string output;  // the file expected to hold the join, or "-" for standard output
    std::string bytes;
    std::string err_contains;
  };
  const std::vector<Case> cases = {
      {{"join", "{dir}/f"}, 0, "f", "aaabbbcd", ""},
      {{"join", "{dir}/f.001"}, 0, "f", "aaabbbcd", ""},
      {{"join", "{dir}/f.001", "-o", "{dir}/out"}, 0, "out", "aaabbbcd", ""},
      {{"join", "-o", "-", "{dir}/f"}, 0, "-", "aaabbbcd", ""},
      {{"join", "-o", "{dir}/out", "{dir}/f.003", "{dir}/f.001"}, 0, "out", "caaa", ""},
      {{"join", "-o", "-", "{dir}/g.001", "-"}, 2, "", "", "a piece must be a file"},
      {{"join", "{dir}/g"}, 0, "g", "g", ""},
      // Lists of sums beside the pieces (published SHA-256 and MD5 of "abc") check every piece.
      {{"join", "{dir}/s"}, 0, "s", "abcabc", ""},
      {{"join", "{dir}/t.001"}, 1, "", "", "'{dir}/t.002' does not match its sum in the list"},
      {{"join", "{dir}/u"}, 2, "", "", "'{dir}/u.002' is in the list of sums but missing"},
      {{"join", "{dir}/v"}, 0, "v", "abcabc", ""},
      {{"join", "{dir}/v", "--sums", "{dir}/s.sha256"},
       1,
       "",
       "",
       "'{dir}/v.001' is not in the list of sums"},
      {{"join", "{dir}/v", "--sums", "{dir}/given"}, 0, "v", "abcabc", ""},
      {{"join", "-o", "{dir}/out", "{dir}/s.001", "{dir}/s.002", "--sums", "{dir}/given"},
       2,
       "",
       "",
       "--sums goes with"},
      // A gap: refused, and listing the pieces joins them anyway.
      {{"join", "{dir}/h"}, 2, "", "", "'{dir}/h.002' is missing, but '{dir}/h.003' is there past it; list"},
      {{"join", "-o", "{dir}/out", "{dir}/h.001", "{dir}/h.003"}, 0, "out", "h1past a gap", ""},
      {{"join", "{dir}/missing"}, 2, "", "", "cannot open '{dir}/missing.001'"},
      {{"join", "{dir}/f.001", "{dir}/f.002"}, 2, "", "", "needs -o OUT"},
      {{"join"}, 2, "", "", "usage: varnelo join FIRST [-o OUT]"},
      {{"join", "{dir}/f", "-o", "{dir}/f.002", "--force"},
       2,
       "",
       "",
       "is an input and cannot be the output"},
      {{"join", "-o", "{dir}/exists", "{dir}/f.001", "{dir}/f.002"},
       2,
       "",
       "",
       "exists; --force replaces it"},
      {{"join", "-f", "-o", "{dir}/exists", "{dir}/f.001", "{dir}/f.002"}, 0, "exists", "aaabbb", ""},
  };
  for (const auto& c : cases) {
    TempDir dir;
    dir.write("f.001", "aaa");
    dir.write("f.002", "bbb");
    dir.write("f.003", "c");
    dir.write("f.004", "d");
    dir.write("h.001", "h1");
    dir.write("h.003", "past a gap");
    dir.write("g.001", "g");
    dir.write("exists", "old");
    const std::string sha = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    const std::string md5 = "900150983cd24fb0d6963f7d28e17f72";
    for (const std::string set : {"s", "t", "u", "v"})
      dir.write(set + ".001", "abc");
    dir.write("s.002", "abc");
    dir.write("s.sha256", sha + "  s.001\n" + sha + " *s.002\n" + std::string(64, '0') + "  s\n");
    dir.write("t.002", "abX");
    dir.write("t.003", "abc");
    dir.write("t.md5", md5 + "  t.001\n" + md5 + "  t.002\n" + md5 + "  t.003\n");
    dir.write("u.sha256", sha + "  u.001\n" + sha + "  u.002\n");
    dir.write("v.002", "abc");
    dir.write("v.sha256", std::string(64, '0') + "  v\n");  // a vendor's list of the whole file
    dir.write("given", "MD5 (v.001) = " + md5 + "\n" + sha + "  v.002\n");
    std::vector<std::string> arguments;
    for (std::string argument : c.arguments) {
      if (argument.find("{dir}") != std::string::npos)
        argument.replace(argument.find("{dir}"), 5, dir.root());
      arguments.push_back(argument);
    }
    auto result = run_command(arguments, "stdin", {{"LC_ALL", "C"}});
    std::string err = c.err_contains;
    for (std::size_t at; (at = err.find("{dir}")) != std::string::npos;)
      err.replace(at, 5, dir.root());
    EXPECT_EQ(result.exit_code, c.exit_code) << c.arguments.size() << result.err;
    EXPECT_NE(result.err.find(err), std::string::npos) << result.err;
    if (c.output == "-") {
      EXPECT_EQ(result.out, c.bytes);
    } else if (!c.output.empty()) {
      EXPECT_EQ(dir.read(c.output), c.bytes);
    }
    if (c.exit_code != 0) {
      EXPECT_EQ(dir.read("exists"), "old");
      for (const char* whole : {"out", "t", "u", "v"})
        EXPECT_FALSE(dir.exists(whole)) << whole;
    }
  }
}

// A split and its join give the file back, through files and through standard output.
TEST(JoinCommand, RoundTripsASplit) {
  TempDir dir;
  const std::string bytes = testing::pattern_bytes(3 * 1048576 + 11, 4);
  const std::string path = dir.write("big", bytes);
  ASSERT_EQ(run_command({"split", path, "--size", "1MB", "--prefix", dir.path("part")}).exit_code, 0);
  EXPECT_EQ(piece_sizes(dir, "part").size(), 4u);
  auto piped = run_command({"join", dir.path("part.001"), "-o", "-"});
  EXPECT_EQ(piped.exit_code, 0);
  EXPECT_TRUE(piped.out == bytes);
  ASSERT_EQ(run_command({"join", dir.path("part")}).exit_code, 0);
  EXPECT_TRUE(dir.read("part") == bytes);
  // A stream is cut as it comes, into as many pieces as it fills, and joins back whole.
  ASSERT_EQ(run_command({"split", "-", "--size", "1M", "--prefix", dir.path("stream")}, bytes).exit_code, 0);
  EXPECT_EQ(piece_sizes(dir, "stream"), (std::vector<std::size_t>{1 << 20, 1 << 20, 1 << 20, 11}));
  EXPECT_TRUE(run_command({"join", dir.path("stream.001"), "-o", "-"}).out == bytes);
  // What a stream's split refuses, before any piece is written.
  dir.write("taken.500", "old");
  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"split", "-", "--pieces", "2", "--prefix", dir.path("x")}, "needs the size of the file"},
      {{"split", "-", "--size", "1K"}, "needs --prefix"},
      {{"split", "-", "--size", "1", "--prefix", dir.path("x")}, "goes on past 999 pieces"},
      {{"split", "-", "--size", "1K", "--prefix", dir.path("taken")}, "taken.500' exists"},
  };
  for (const auto& [arguments, message] : refused) {
    auto result = run_command(arguments, std::string(1000, 'a'), {{"LC_ALL", "C"}});
    EXPECT_EQ(result.exit_code, 2) << message;
    EXPECT_NE(result.err.find(message), std::string::npos) << result.err;
    EXPECT_EQ(piece_sizes(dir, "x"), std::vector<std::size_t>{}) << message;
    EXPECT_EQ(piece_sizes(dir, "taken"), std::vector<std::size_t>{}) << message;
  }
}

}  // namespace
}  // namespace varnelo

#include <filesystem>
#include <string>
#include <vector>

#include "screen_run.hpp"

namespace varnelo {
namespace {

using splitjoin_test::run_join;
using splitjoin_test::run_split;
using testing::TempDir;

TEST(SplitJoinPosix, AFullDiskIsAWriteErrorNeverACompletion) {
  TempDir dir;
  std::string input = dir.write("in", testing::pattern_bytes(10000));
  auto split = run_split("2\n" + input + "\n1\n1\n/dev/full\nY\n\n");
  EXPECT_TRUE(
      split.screen.ends_with("{c4}Write error on file : {c12}\"/dev/full\"\n{c7}press enter to continue..."))
      << split.screen;
  EXPECT_FALSE(split.shows("Completed!"));

  auto join = run_join("2\n1\n" + input + "\n/dev/full\nY\n\n", 1);
  EXPECT_TRUE(
      join.screen.ends_with("{c4}Gagal menulis ke berkas : {c12}\"/dev/full\"\n{c7}tekan enter untuk "
                            "melanjutkan..."))
      << join.screen;
  EXPECT_FALSE(join.shows("Waktu proses"));
}

TEST(SplitJoinPosix, AnOutputLinkedToAnInputIsRefused) {
  TempDir dir;
  std::string bytes = testing::pattern_bytes(100);
  std::string input = dir.write("in", bytes);
  std::filesystem::create_symlink(input, input + ".002");
  auto split = run_split("1\n" + input + "\n2\n1\n\n");
  EXPECT_TRUE(split.screen.ends_with(
      "{c12}Output file is the same as an input file!\n{c7}press enter to continue..."));
  EXPECT_EQ(testing::read_file(input), bytes);

  std::string whole = dir.path("whole");
  testing::write_file(whole + ".001", "first");
  testing::write_file(whole + ".002", "second");
  std::filesystem::create_hard_link(whole + ".002", whole);
  auto join = run_join("1\n" + whole + "\n\n", 1);
  EXPECT_TRUE(
      join.screen.ends_with("{c12}Berkas keluaran sama dengan berkas masukan!\n{c7}tekan enter untuk "
                            "melanjutkan..."));
  EXPECT_EQ(testing::read_file(whole + ".002"), "second");
}

// A path of exactly `length` characters inside `dir`, its folders made.
std::string path_of_length(const TempDir& dir, std::size_t length) {
  std::string path = dir.root();
  while (path.size() + 201 < length) {
    path += "/" + std::string(199, 'd');
    std::filesystem::create_directory(path);
  }
  path += "/" + std::string(length - path.size() - 1, 'f');
  return path;
}

TEST(SplitJoinPosix, PiecesNamesMustFitTheirBuffer) {
  TempDir dir;
  std::string longest = path_of_length(dir, 995);
  std::string too_long = path_of_length(dir, 996);
  testing::write_file(longest, "abcdef");
  testing::write_file(too_long, "abcdef");

  auto refused = run_split("1\n" + too_long + "\n\n", 1);
  EXPECT_TRUE(refused.screen.ends_with(
      "{c7}{c12}Alamat berkas terlalu panjang!\n{c7}tekan enter untuk melanjutkan..."));
  EXPECT_FALSE(std::filesystem::exists(too_long + ".001"));

  run_split("1\n" + longest + "\n2\n1\n\n");
  EXPECT_EQ(testing::read_file(longest + ".002"), "def");
  // Typed piece names do not grow the input path, so the long input may be split by name.
  run_split("2\n" + too_long + "\n1\n1\n" + dir.path("whole") + "\n\n");
  EXPECT_EQ(dir.read("whole"), "abcdef");

  std::filesystem::remove(longest);
  auto joined = run_join("1\n" + longest + "\n\n");
  EXPECT_EQ(testing::read_file(longest), "abcdef");
  auto too_long_join = run_join("1\n" + too_long + "\n\n");
  EXPECT_TRUE(
      too_long_join.screen.ends_with("{c2}{c7}{c12}Path is too long!\n{c7}press enter to continue..."));
}

}  // namespace
}  // namespace varnelo

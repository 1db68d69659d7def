// A file past 4 GiB, split and joined back through the screens. The input is sparse and only a
// few marked regions hold data; the pieces, which the split writes in full, get their zero
// stretches punched out again before the join, so the disk holds one full copy at a time.

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "screen_run.hpp"

namespace varnelo {
namespace {

using splitjoin_test::run_join;
using splitjoin_test::run_split;

constexpr std::int64_t four_gib = std::int64_t{1} << 32;
constexpr std::int64_t total = four_gib + 3 * 4096 + 17;
constexpr std::int64_t marker_size = 64;

// Offsets of the marked regions, in order: both ends, across 2 GiB and 4 GiB, and across each
// piece boundary.
std::vector<std::int64_t> marker_offsets(std::int64_t piece) {
  std::vector<std::int64_t> offsets = {0, (std::int64_t{1} << 31) - 30, four_gib - 20, total - marker_size};
  for (std::int64_t boundary = piece; boundary < total; boundary += piece)
    offsets.push_back(boundary - 40);
  std::sort(offsets.begin(), offsets.end());
  return offsets;
}

std::string marker(std::int64_t offset) {
  std::string text = "<" + std::to_string(offset) + ">";
  text.resize(marker_size, '#');
  return text;
}

std::string read_at(const std::string& path, std::int64_t offset, std::int64_t size) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(offset);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.read(bytes.data(), size);
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

// Checks the file that holds bytes `start` onwards of the whole: every part of a marker it holds,
// and a few stretches between markers that must be zero.
void expect_marked(const std::string& path, std::int64_t start, std::int64_t piece) {
  auto end = start + static_cast<std::int64_t>(std::filesystem::file_size(path));
  for (std::int64_t offset : marker_offsets(piece)) {
    std::int64_t from = std::max(offset, start);
    std::int64_t to = std::min(offset + marker_size, end);
    if (from >= to) continue;
    EXPECT_EQ(read_at(path, from - start, to - from), marker(offset).substr(from - offset, to - from))
        << path << " at " << offset;
  }
  for (std::int64_t offset : {std::int64_t{4096}, std::int64_t{3000000000}, four_gib + 4096}) {
    if (offset < start || offset + 4096 > end) continue;
    EXPECT_TRUE(read_at(path, offset - start, 4096) == std::string(4096, '\0')) << path << " at " << offset;
  }
}

// Frees the piece's blocks outside the marked regions; what is read back does not change.
void punch_out_zeros(const std::string& path, std::int64_t start, std::int64_t size, std::int64_t piece) {
  int fd = open(path.c_str(), O_RDWR);
  ASSERT_GE(fd, 0);
  std::int64_t from = 0;
  for (std::int64_t offset : marker_offsets(piece)) {
    std::int64_t local = offset - start;
    if (local + marker_size <= 0 || local >= size) continue;
    std::int64_t keep = local / 4096 * 4096;
    if (keep > from) fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, from, keep - from);
    from = std::max(from, (local + marker_size + 4095) / 4096 * 4096);
  }
  if (size > from) fallocate(fd, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, from, size - from);
  close(fd);
}

TEST(SplitJoinLong, AFilePastFourGibRoundTrips) {
  testing::TempDir dir;
  std::string input = dir.path("big.bin");
  const std::int64_t piece = total / 3 + (total % 3 != 0);
  {
    std::ofstream out(input, std::ios::binary);
    for (std::int64_t offset : marker_offsets(piece)) {
      out.seekp(offset);
      out << marker(offset);
    }
  }
  std::filesystem::resize_file(input, static_cast<std::uintmax_t>(total));

  auto split = run_split("1\n" + input + "\n3\n1\n\n");
  ASSERT_TRUE(split.shows("Completed!")) << split.screen.substr(split.screen.size() - 300);
  for (int number = 1; number <= 3; ++number) {
    std::string name = input + ".00" + std::to_string(number);
    std::int64_t start = (number - 1) * piece;
    std::int64_t size = std::min(piece, total - start);
    ASSERT_EQ(static_cast<std::int64_t>(std::filesystem::file_size(name)), size) << name;
    expect_marked(name, start, piece);
    punch_out_zeros(name, start, size, piece);
  }
  std::filesystem::remove(input);

  auto join = run_join("1\n" + input + ".001\n\n");
  EXPECT_TRUE(join.shows("Info : detected 3 files\nTotal filesize : " + std::to_string(total) + " Bytes.\n"));
  ASSERT_EQ(static_cast<std::int64_t>(std::filesystem::file_size(input)), total);
  expect_marked(input, 0, piece);
  EXPECT_EQ(join.percents.back(), 99);
}

}  // namespace
}  // namespace varnelo

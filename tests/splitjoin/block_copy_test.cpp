#include "splitjoin/block_copy.hpp"

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.hpp"

namespace varnelo::splitjoin {
namespace {

using testing::TempDir;
using Reports = std::vector<std::pair<std::uint16_t, std::int64_t>>;

// The accounting as stated, one 4096-byte block at a time, for pieces copied one after another.
Reports reference_reports(const std::vector<std::int64_t>& pieces) {
  std::int64_t total = 0;
  for (std::int64_t piece : pieces)
    total += piece;
  Reports reports;
  std::int64_t done = 0;
  std::uint16_t shown = 0;
  bool redraw = true;
  for (std::int64_t piece : pieces) {
    for (std::int64_t copied = 0; copied < piece;) {
      if (total > 0 && done * 100 / total > shown) {
        ++shown;
        redraw = true;
      }
      if (redraw) {
        reports.emplace_back(shown, done);
        redraw = false;
      }
      std::int64_t block = std::min<std::int64_t>(4096, piece - copied);
      done += block;
      copied += block;
    }
  }
  return reports;
}

// Runs the accounting with a mover that only checks the spans it is given.
Reports accounted_reports(const std::vector<std::int64_t>& pieces) {
  std::int64_t total = 0;
  for (std::int64_t piece : pieces)
    total += piece;
  BlockProgress progress(total);
  Reports reports;
  for (std::int64_t piece : pieces) {
    std::int64_t moved = 0;
    bool ok = progress.run(
        piece,
        [&](std::int64_t span) {
          EXPECT_GT(span, 0);
          moved += span;
          // A span ends on a block boundary of the piece, or at its end.
          EXPECT_TRUE(moved == piece || moved % block_size == 0) << moved << " of " << piece;
          return true;
        },
        [&](std::uint16_t shown, std::int64_t done) { reports.emplace_back(shown, done); });
    EXPECT_TRUE(ok);
    EXPECT_EQ(moved, piece);
  }
  EXPECT_EQ(progress.done(), total);
  return reports;
}

TEST(BlockProgress, ReportsExactlyWhatTheBlockLoopWould) {
  const std::vector<std::vector<std::int64_t>> cases = {
      {1},
      {4095},
      {4096},
      {4097},
      {102400},
      {409600},
      {409601},
      {1 << 20},
      {3, 3, 3, 1},
      {4097, 4096},
      {0, 0, 5},
      {1000000, 1, 1000000},
      {4096 * 99},
      {4096 * 100},
      {4096 * 101 + 17},
      {268435456, 268435456, 268435456, 268435456},
      {5000000000, 12345},
  };
  for (const auto& pieces : cases) {
    EXPECT_EQ(accounted_reports(pieces), reference_reports(pieces))
        << pieces.size() << " pieces, first " << pieces[0];
  }
}

TEST(BlockProgress, RandomPieceSetsAgreeWithTheBlockLoop) {
  std::mt19937_64 random(42);
  for (int round = 0; round < 300; ++round) {
    std::vector<std::int64_t> pieces(1 + random() % 6);
    for (auto& piece : pieces)
      piece = static_cast<std::int64_t>(random() % (round < 150 ? 50000 : 3000000));
    ASSERT_EQ(accounted_reports(pieces), reference_reports(pieces)) << "round " << round;
  }
}

TEST(BlockProgress, LagsBehindOnSmallTotalsAndNeverReportsAnEmptySet) {
  // 25 blocks in one piece: the shown percentage reaches 24 at most.
  Reports reports = accounted_reports({100 * 1024});
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.front(), std::make_pair(std::uint16_t{0}, std::int64_t{0}));
  EXPECT_EQ(reports.back().first, 24);
  EXPECT_EQ(reports.size(), 25u);

  EXPECT_TRUE(accounted_reports({0, 0, 0}).empty());
}

TEST(BlockProgress, StopsAtTheFirstFailedMove) {
  BlockProgress progress(1 << 20);
  int moves = 0;
  bool ok = progress.run(
      1 << 20, [&](std::int64_t) { return ++moves < 3; }, [](std::uint16_t, std::int64_t) {});
  EXPECT_FALSE(ok);
  EXPECT_EQ(moves, 3);
  EXPECT_LT(progress.done(), 1 << 20);
}

TEST(CopyBlocks, CopiesFromTheCurrentPositionAndNamesTheFailingSide) {
  TempDir dir;
  std::string bytes = testing::pattern_bytes(3 * 4096 + 123, 7);
  std::string source_path = dir.write("source", bytes);
  struct Case {
    const char* name;
    std::int64_t readable;
    std::int64_t writable;
    CopyResult result;
  };
  const std::vector<Case> cases = {
      {"whole", -1, -1, CopyResult::copied},
      {"short read", 5000, -1, CopyResult::read_failed},
      {"failed write", -1, 4096, CopyResult::write_failed},
  };
  for (const auto& c : cases) {
    std::string target_path = dir.path(std::string("target ") + c.name);
    set_fault_plan({c.readable >= 0 ? source_path : target_path, c.readable, c.writable});
    {
      auto source = File::open_read(source_path);
      auto target = File::open_write(target_path);
      ASSERT_TRUE(source && target);
      ASSERT_TRUE(source->seek(100));
      BlockProgress progress(static_cast<std::int64_t>(bytes.size()) - 100);
      EXPECT_EQ(copy_blocks(*source, *target, progress.total(), progress, [](std::uint16_t, std::int64_t) {}),
                c.result)
          << c.name;
    }
    set_fault_plan({});
    if (c.result == CopyResult::copied) {
      EXPECT_EQ(testing::read_file(target_path), bytes.substr(100));
    }
  }
}

// Bytes a piece holds after a copy whose source gives out after `readable` bytes: the reads
// and writes go in steps of at most 1 MiB counted from the start of every span, and a step that
// came short writes nothing.
std::int64_t written_before_short_read(BlockProgress progress, std::int64_t size, std::int64_t readable) {
  std::int64_t written = 0;
  bool stopped = false;
  progress.run(
      size,
      [&](std::int64_t span) {
        for (std::int64_t at = 0; at < span && !stopped; at += std::int64_t{1} << 20) {
          std::int64_t step = std::min<std::int64_t>(span - at, std::int64_t{1} << 20);
          if (written + step > readable)
            stopped = true;
          else
            written += step;
        }
        return !stopped;
      },
      [](std::uint16_t, std::int64_t) {});
  return written;
}

TEST(CopyBlocks, LargePiecesInARowWithFailuresLeavingTheSamePrefix) {
  TempDir dir;
  // Two pieces of a 200 MiB whole, the display due every 2 MiB, the first piece starting 1.5 MiB
  // in: the spans are cut across the 1 MiB steps of the pieces.
  const std::int64_t total = 200 << 20, already = 3 << 19;
  const std::vector<std::int64_t> pieces = {(5 << 20) + 123, (2 << 20) + 4096};
  std::string bytes = testing::pattern_bytes(static_cast<std::size_t>(pieces[0] + pieces[1]), 9);
  std::string source_path = dir.write("source", bytes);
  struct Case {
    std::int64_t readable;
    std::int64_t writable;
  };
  const std::vector<Case> cases = {
      {-1, -1},
      {0, -1},
      {1 << 20, -1},
      {(1 << 20) + (1 << 19), -1},
      {(4 << 20) + 5, -1},
      {pieces[0] + 100, -1},
      {-1, 0},
      {-1, 3000000},
  };
  for (const auto& c : cases) {
    const std::string where = std::to_string(c.readable) + " / " + std::to_string(c.writable);
    std::vector<std::string> targets = {dir.path("first"), dir.path("second")};
    set_fault_plan({c.readable >= 0 ? source_path : targets[0], c.readable, c.writable});
    BlockProgress progress(total);
    progress.moved(already);
    std::vector<std::int64_t> expected_sizes;
    std::vector<CopyResult> results;
    {
      auto source = File::open_read(source_path);
      ASSERT_TRUE(source.has_value());
      for (std::size_t k = 0; k < pieces.size(); ++k) {
        std::int64_t left_readable = c.readable < 0 ? pieces[k] : c.readable - source->position();
        expected_sizes.push_back(written_before_short_read(progress, pieces[k], left_readable));
        auto target = File::open_write(targets[k]);
        ASSERT_TRUE(target.has_value());
        Reports reports;
        results.push_back(
            copy_blocks(*source, *target, pieces[k], progress,
                        [&](std::uint16_t shown, std::int64_t done) { reports.emplace_back(shown, done); }));
        if (results.back() != CopyResult::copied) break;
        EXPECT_EQ(source->position(), pieces[0] + (k ? pieces[1] : 0)) << where;
      }
    }
    set_fault_plan({});
    std::size_t offset = 0;
    for (std::size_t k = 0; k < results.size(); ++k) {
      std::string written = testing::read_file(targets[k]);
      if (c.writable >= 0 && k == 0) {
        EXPECT_EQ(results[k], CopyResult::write_failed) << where;
        EXPECT_EQ(written, bytes.substr(0, static_cast<std::size_t>(c.writable))) << where;
        continue;
      }
      EXPECT_EQ(written, bytes.substr(offset, static_cast<std::size_t>(expected_sizes[k])))
          << where << " piece " << k;
      EXPECT_EQ(results[k], expected_sizes[k] == pieces[k] ? CopyResult::copied : CopyResult::read_failed)
          << where << " piece " << k;
      offset += written.size();
    }
  }
}

}  // namespace
}  // namespace varnelo::splitjoin

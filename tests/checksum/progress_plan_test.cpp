#include <string>
#include <utility>
#include <vector>

#include "checksum/file_feed.hpp"
#include "checksum/progress_plan.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

__extension__ typedef unsigned __int128 Wide;

using Call = std::pair<std::uint16_t, std::int64_t>;  // shown percentage, bytes shown

// The block loop as the user sees it: words read one by one near the end, the 0x80 marker,
// the length words, and one progress step before every block.
std::vector<Call> literal_block_loop(std::int64_t length, std::int64_t block) {
  std::vector<Call> calls;
  std::int64_t position = 0;
  std::int64_t word = block / 16;
  bool marker = false, length_here = false, finished = false, redraw = true;
  std::uint16_t shown = 0;
  while (position < length || !finished) {
    if (position * 100 / (length + block) > shown) {
      ++shown;
      redraw = true;
    }
    if (redraw) {
      calls.emplace_back(shown, position);
      redraw = false;
    }
    if (position + block >= length) {
      for (int w = 0; w < 16; ++w) {
        if (w < 14 || !length_here) {
          for (std::int64_t k = 0; k < word; ++k)
            if (position + w * word + k == length) marker = true;
          if (marker && w < 14) length_here = finished = true;
        }
      }
    }
    position += block;
  }
  calls.emplace_back(100, position);
  return calls;
}

std::vector<Call> literal_byte_loop(std::int64_t length) {
  std::vector<Call> calls;
  std::uint16_t shown = 0;
  bool redraw = false;
  for (std::int64_t n = 0; n < length; ++n) {
    if (n * 100 / length > shown) {
      ++shown;
      redraw = true;
    }
    if (redraw) {
      calls.emplace_back(shown, n);
      redraw = false;
    }
  }
  calls.emplace_back(100, length);
  return calls;
}

std::vector<Call> planned_block_calls(std::uint64_t length, std::uint64_t block) {
  std::uint64_t blocks = (length + 1 + block / 8 + block - 1) / block;
  ProgressPlan plan(blocks, block, length + block, true);
  std::vector<Call> calls;
  for (; plan.pending(); plan.advance())
    calls.emplace_back(plan.next_percent(), static_cast<std::int64_t>(plan.next_unit() * block));
  calls.emplace_back(100, static_cast<std::int64_t>(blocks * block));
  return calls;
}

std::vector<Call> planned_byte_calls(std::uint64_t length) {
  ProgressPlan plan(length, 1, length, false);
  std::vector<Call> calls;
  for (; plan.pending(); plan.advance())
    calls.emplace_back(plan.next_percent(), static_cast<std::int64_t>(plan.next_unit()));
  calls.emplace_back(100, static_cast<std::int64_t>(length));
  return calls;
}

TEST(ProgressPlan, BlockHashCallsMatchTheBlockLoop) {
  for (std::int64_t block : {64, 128}) {
    for (std::int64_t length = 0; length <= 3000; ++length)
      ASSERT_EQ(planned_block_calls(length, block), literal_block_loop(length, block))
          << length << " / " << block;
    for (std::int64_t length : {100000, 1234567, 6400000, 6400063})
      ASSERT_EQ(planned_block_calls(length, block), literal_block_loop(length, block))
          << length << " / " << block;
  }
}

TEST(ProgressPlan, FinalCallShowsWholeBlocksPastTheEnd) {
  EXPECT_EQ(planned_block_calls(100, 64).back(), Call(100, 128));
  EXPECT_EQ(planned_block_calls(55, 64).back(), Call(100, 64));
  EXPECT_EQ(planned_block_calls(56, 64).back(), Call(100, 128));
  EXPECT_EQ(planned_block_calls(0, 128).back(), Call(100, 128));
  EXPECT_EQ(planned_block_calls(112, 128).back(), Call(100, 256));
}

TEST(ProgressPlan, Checksum64CallsMatchTheByteLoop) {
  for (std::int64_t length = 0; length <= 2000; ++length)
    ASSERT_EQ(planned_byte_calls(length), literal_byte_loop(length)) << length;
  for (std::int64_t length : {99999, 100000, 100001, 3000017})
    ASSERT_EQ(planned_byte_calls(length), literal_byte_loop(length)) << length;
}

TEST(ProgressPlan, HugeLengthsNeitherOverflowNorSkipPercentages) {
  // 2^62 bytes: the shown percentage still climbs one step at a time up to 99.
  const std::uint64_t length = std::uint64_t{1} << 62;
  ProgressPlan plan((length + 144) / 128, 128, length + 128, true);
  std::uint16_t expected = 0;
  std::uint64_t last_unit = 0;
  for (; plan.pending(); plan.advance()) {
    EXPECT_EQ(plan.next_percent(), expected);
    // The unit where the percentage first reaches this value, computed in 128-bit arithmetic.
    Wide reach = (static_cast<Wide>(expected) * (length + 128) + 12799) / 12800;
    EXPECT_EQ(plan.next_unit(), static_cast<std::uint64_t>(reach)) << expected;
    EXPECT_GE(plan.next_unit(), last_unit);
    last_unit = plan.next_unit();
    ++expected;
  }
  EXPECT_EQ(expected, 100);
}

struct Fed {
  std::vector<Call> calls;
  std::vector<std::uint64_t> consumed_at_call;
  std::string data;
  bool complete = false;
};

Fed feed(const std::string& path, std::uint64_t length, std::uint64_t block,
         Reading reading = Reading::ahead) {
  Fed fed;
  auto file = File::open_read(path);
  EXPECT_TRUE(file.has_value());
  std::uint64_t blocks = (length + 1 + block / 8 + block - 1) / block;
  ProgressPlan plan(blocks, block, length + block, true);
  fed.complete = feed_file(
      *file, length, plan, block,
      [&](std::uint16_t percent, std::int64_t bytes) {
        fed.calls.emplace_back(percent, bytes);
        fed.consumed_at_call.push_back(fed.data.size());
      },
      [&](const std::uint8_t* data, std::size_t size) {
        fed.data.append(reinterpret_cast<const char*>(data), size);
      },
      reading);
  return fed;
}

TEST(FeedFile, HandsOverEveryByteAndCallsWhereTheBlockLoopWould) {
  testing::TempDir dir;
  for (Reading reading : {Reading::ahead, Reading::in_turn})
    for (std::uint64_t length : {0u, 1u, 63u, 64u, 100u, 5000u, (3u << 20) + 77u}) {
      std::string content = testing::pattern_bytes(length, 2);
      std::string path = dir.write("in.bin", content);
      Fed fed = feed(path, length, 64, reading);
      ASSERT_TRUE(fed.complete);
      EXPECT_EQ(fed.data, content) << length;
      std::vector<Call> expected = literal_block_loop(static_cast<std::int64_t>(length), 64);
      expected.pop_back();  // the completion display is the screen's
      EXPECT_EQ(fed.calls, expected) << length;
      for (std::size_t i = 0; i < fed.calls.size(); ++i)
        EXPECT_EQ(fed.consumed_at_call[i], std::min<std::uint64_t>(fed.calls[i].second, length)) << length;
    }
}

TEST(FeedFile, ShortReadIsReported) {
  testing::TempDir dir;
  std::string path = dir.write("in.bin", testing::pattern_bytes(3000, 4));
  set_fault_plan({path, 1000, -1});
  Fed fed = feed(path, 3000, 64);
  set_fault_plan({});
  EXPECT_FALSE(fed.complete);
  // A file that shrank after it was measured comes short in the same way.
  std::string shrunk = dir.write("short.bin", "abc");
  Fed short_fed = feed(shrunk, 10, 64);
  EXPECT_FALSE(short_fed.complete);
}

TEST(FeedFile, FileComingShortIsHashedUpToItsLastWholeStepOnly) {
  // Never a byte that did not come from the file, and the display stops at the same point
  // however far ahead the file was read: the last 64 KiB boundary the file delivered.
  testing::TempDir dir;
  const std::uint64_t length = (3u << 20) + 77u;
  std::string content = testing::pattern_bytes(length, 8);
  std::string path = dir.write("in.bin", content);
  for (Reading reading : {Reading::ahead, Reading::in_turn})
    for (std::int64_t readable : {0, 1000, 65535, 65536, 65537, 700000, 2 << 20, (3 << 20) + 76}) {
      set_fault_plan({path, readable, -1});
      Fed fed = feed(path, length, 64, reading);
      set_fault_plan({});
      ASSERT_FALSE(fed.complete) << readable;
      const std::uint64_t hashed = static_cast<std::uint64_t>(readable) / 65536 * 65536;
      EXPECT_EQ(fed.data, content.substr(0, hashed)) << readable;
      std::vector<Call> expected;
      for (const Call& call : literal_block_loop(static_cast<std::int64_t>(length), 64))
        if (static_cast<std::uint64_t>(call.second) <= hashed && call.first < 100) expected.push_back(call);
      EXPECT_EQ(fed.calls, expected) << readable;
    }
}

}  // namespace
}  // namespace varnelo

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "io/read_ahead.hpp"
#include "support/ordered_work.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::TempDir;

struct Taken {
  std::string bytes;
  std::vector<std::size_t> runs;
  bool came_short = false;
};

// Everything a reader hands out, until it hands out nothing.
Taken take_all(ReadAhead& reader) {
  Taken taken;
  for (;;) {
    auto run = reader.next();
    if (run.empty() && !reader.came_short()) break;
    taken.bytes.append(reinterpret_cast<const char*>(run.data()), run.size());
    taken.runs.push_back(run.size());
    if (reader.came_short()) {
      taken.came_short = true;
      // Nothing follows a short run.
      EXPECT_TRUE(reader.next().empty());
      EXPECT_TRUE(reader.came_short());
      break;
    }
  }
  return taken;
}

TEST(ReadAhead, HandsOutExactlyTheRunInOrderAndLeavesTheFileJustPastIt) {
  TempDir dir;
  const std::string content = testing::pattern_bytes(3200000, 3);
  const std::string path = dir.write("in.bin", content);
  struct Case {
    std::int64_t start, count;
    std::size_t buffer_size;
    int buffers;
  };
  // The last case's buffers are large enough to start on a huge page.
  const std::vector<Case> cases = {
      {0, 0, 4096, 3},     {0, 1, 4096, 3},     {0, 4096, 4096, 3},    {0, 4097, 4096, 3},
      {7, 99993, 1000, 3}, {7, 50000, 1000, 1}, {0, 100000, 999, 2},   {123, 77777, 4096, 4},
      {0, 20000, 1, 3},    {99999, 1, 4096, 3}, {5, 60000, 100000, 3}, {1, 3100000, 1 << 20, 3},
  };
  for (const auto& c : cases) {
    auto file = File::open_read(path);
    ASSERT_TRUE(file && file->seek(c.start));
    Taken taken;
    {
      ReadAhead reader(*file, c.count, c.buffer_size, c.buffers);
      taken = take_all(reader);
    }
    const std::string where = std::to_string(c.start) + "+" + std::to_string(c.count) + " in " +
                              std::to_string(c.buffers) + "x" + std::to_string(c.buffer_size);
    EXPECT_FALSE(taken.came_short) << where;
    EXPECT_EQ(taken.bytes,
              content.substr(static_cast<std::size_t>(c.start), static_cast<std::size_t>(c.count)))
        << where;
    for (std::size_t run : taken.runs)
      EXPECT_LE(run, c.buffer_size) << where;
    // A split goes on reading its next piece from here.
    EXPECT_EQ(file->position(), c.start + c.count) << where;
    std::string after(3, '\0');
    std::size_t got = file->read(after.data(), after.size());
    EXPECT_EQ(after.substr(0, got), content.substr(static_cast<std::size_t>(c.start + c.count), got))
        << where;
  }
}

TEST(ReadAhead, ShortFileHandsOutWhatCameThenStops) {
  TempDir dir;
  const std::string content = testing::pattern_bytes(30000, 5);
  const std::string path = dir.write("in.bin", content);
  struct Case {
    std::int64_t readable;  // -1: the file itself is shorter than asked
    std::int64_t count;
    std::size_t buffer_size;
    int buffers;
    std::size_t delivered;
  };
  const std::vector<Case> cases = {
      {-1, 40000, 4096, 3, 30000},  {-1, 40000, 100000, 3, 30000}, {5000, 30000, 1000, 3, 5000},
      {5500, 30000, 1000, 1, 5500}, {0, 30000, 1000, 3, 0},        {29999, 30000, 4096, 2, 29999},
  };
  for (const auto& c : cases) {
    if (c.readable >= 0) set_fault_plan({path, c.readable, -1});
    auto file = File::open_read(path);
    ASSERT_TRUE(file.has_value());
    ReadAhead reader(*file, c.count, c.buffer_size, c.buffers);
    Taken taken = take_all(reader);
    set_fault_plan({});
    EXPECT_TRUE(taken.came_short) << c.readable << " of " << c.count;
    EXPECT_EQ(taken.bytes, content.substr(0, c.delivered)) << c.readable << " of " << c.count;
  }
}

TEST(ReadAhead, LeavingEarlyStopsTheReaderEvenWhenAnExceptionUnwinds) {
  TempDir dir;
  const std::string path = dir.write("in.bin", testing::pattern_bytes(200000, 7));
  for (int taken_runs : {0, 1, 5}) {
    auto file = File::open_read(path);
    ASSERT_TRUE(file.has_value());
    // A thread still running when its handle is destroyed would end the test program.
    EXPECT_THROW(
        {
          ReadAhead reader(*file, 200000, 1000, 3);
          for (int k = 0; k < taken_runs; ++k)
            EXPECT_EQ(reader.next().size(), 1000u);
          throw std::runtime_error("gone");
        },
        std::runtime_error);
    // The file is the caller's again, at a whole number of reads.
    EXPECT_EQ(file->position() % 1000, 0) << taken_runs;
    EXPECT_TRUE(file->close());
  }
}

}  // namespace
}  // namespace varnelo

namespace varnelo {
namespace {

// Outcomes come back in the order of the items whatever order the threads finish them in, each
// item worked on once, alone or two at a time, and a stop hands over nothing more.
TEST(OrderedWork, HandsOverInOrderOnAnyNumberOfThreads) {
  for (unsigned threads : {0u, 1u, 2u, 5u})
    for (std::size_t window : {1u, 3u, 64u})
      for (int stop_at : {-1, 0, 17})
        for (int mode : {0, 1, 2}) {
          // One at a time; two at a time; two at a time with the caller one of the threads.
          const bool in_twos = mode > 0, caller_works = mode == 2;
          const std::string where = std::to_string(threads) + " threads, window " + std::to_string(window) +
                                    ", stop at " + std::to_string(stop_at) + (in_twos ? ", in twos" : "") +
                                    (caller_works ? ", caller working" : "");
          std::vector<int> handed;
          std::atomic<int> worked = 0;
          {
            auto square = [&worked](const int& item) {
              ++worked;
              // Later items often finish first.
              std::this_thread::sleep_for(std::chrono::microseconds((item * 7919) % 13 * 50));
              return item * item;
            };
            // Two items come out with the right outcome each, not swapped.
            auto two = [&](const int& a, const int& b) {
              EXPECT_LT(a, b) << where;
              return std::pair{square(a), square(b)};
            };
            OrderedWork<int, int> work(
                threads, window, square,
                [&](const int& item, int& outcome) {
                  EXPECT_EQ(outcome, item * item) << where;
                  handed.push_back(item);
                  return item != stop_at;
                },
                in_twos ? OrderedWork<int, int>::WorkTwo(two) : OrderedWork<int, int>::WorkTwo{},
                caller_works);
            bool going = true;
            for (int item = 0; item < 100 && going; ++item)
              going = work.add(item);
            EXPECT_EQ(work.drain(), stop_at < 0) << where;
          }
          std::vector<int> expected;
          for (int item = 0; item < (stop_at < 0 ? 100 : stop_at + 1); ++item)
            expected.push_back(item);
          EXPECT_EQ(handed, expected) << where;
          EXPECT_TRUE(stop_at >= 0 || worked == 100) << where << ": " << worked << " worked";
        }
}

}  // namespace
}  // namespace varnelo

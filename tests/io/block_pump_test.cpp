#include "io/block_pump.hpp"

#include <algorithm>
#include <numeric>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "support/test_support.hpp"

namespace varnelo {
namespace {

__extension__ typedef unsigned __int128 Wide;

using Call = std::pair<std::uint16_t, std::int64_t>;  // shown percentage, bytes shown

struct Row {
  std::string name;
  std::vector<std::int64_t> segments;  // one file each when `files`, else segments of one file
  bool files = false;
  std::uint64_t unit = 4096;
  ProgressSchedule::Rule rule;
  std::optional<std::uint64_t> units_end;
  std::size_t buffer_size = 1000;
  int buffers = 1;
  std::int64_t readable = -1;  // bytes the run delivers before its reads come short
  std::int64_t stop_at = -1;   // where the consumer stops, as the equality comparison does
};

std::int64_t total(const Row& row) {
  return std::accumulate(row.segments.begin(), row.segments.end(), std::int64_t{0});
}

// The loop the pump stands for, taken literally: every unit of every segment in turn (the last
// segment's units running on to units_end), the percentage worked out before each one.
std::vector<Call> literal_calls(const Row& row) {
  std::vector<Call> calls;
  std::uint16_t shown = 0;
  bool redraw = row.rule.first_call_forced;
  std::uint64_t start = 0;
  for (std::size_t k = 0; k < row.segments.size(); ++k) {
    std::uint64_t end = start + static_cast<std::uint64_t>(row.segments[k]);
    std::uint64_t units_end = k + 1 == row.segments.size() && row.units_end ? *row.units_end : end;
    for (std::uint64_t unit = start; unit < units_end; unit += row.unit) {
      Wide percent = row.rule.divisor == 0 ? 0 : Wide{unit / row.rule.granule} * 100 / row.rule.divisor;
      if (shown < row.rule.ceiling && percent > shown) {
        ++shown;
        redraw = true;
      }
      if (redraw) calls.emplace_back(shown, static_cast<std::int64_t>(unit));
      redraw = false;
    }
    start = end;
  }
  return calls;
}

// Where a run that comes short after `readable` bytes stops: whole units of the segment that
// holds the short point, but nothing of the reads before the one that came short is taken back.
std::int64_t kept_before(const Row& row, std::int64_t readable) {
  std::int64_t start = 0, file_start = 0;
  for (std::size_t k = 0; k + 1 < row.segments.size() && readable >= start + row.segments[k]; ++k) {
    start += row.segments[k];
    if (row.files) file_start = start;
  }
  auto unit = static_cast<std::int64_t>(row.unit);
  auto buffer = static_cast<std::int64_t>(row.buffer_size);
  return std::max(start + (readable - start) / unit * unit,
                  file_start + (readable - file_start) / buffer * buffer);
}

struct Pumped {
  PumpOutcome outcome;
  std::vector<Call> calls;
  std::string data;
  std::vector<std::int64_t> begun;  // offsets at which segments began
  bool crossed = false;             // a hand-over ran across a due call
};

Pumped pump_row(const Row& row, testing::TempDir& dir, const std::string& content) {
  BlockPump pump({.unit = row.unit,
                  .progress = row.rule,
                  .buffer_size = row.buffer_size,
                  .buffers = row.buffers,
                  .segments = row.files ? std::vector<std::int64_t>{} : row.segments,
                  .units_end = row.units_end});
  Pumped pumped;
  std::vector<std::pair<std::int64_t, std::int64_t>> runs;
  pump.show = [&](std::uint16_t percent, std::int64_t bytes) {
    EXPECT_EQ(static_cast<std::int64_t>(pumped.data.size()), std::min(bytes, total(row))) << row.name;
    pumped.calls.emplace_back(percent, bytes);
  };
  pump.begin_segment = [&](std::size_t k) {
    EXPECT_EQ(pumped.begun.size(), k) << row.name;
    pumped.begun.push_back(static_cast<std::int64_t>(pumped.data.size()));
    return Flow::go_on();
  };
  pump.take = [&](std::span<std::uint8_t> bytes) {
    const auto at = static_cast<std::int64_t>(pumped.data.size());
    runs.emplace_back(at, at + static_cast<std::int64_t>(bytes.size()));
    pumped.data.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    if (row.stop_at >= at && row.stop_at < at + static_cast<std::int64_t>(bytes.size()))
      return Flow::stop_after(static_cast<std::size_t>(row.stop_at - at));
    return Flow::go_on();
  };
  if (row.files) {
    std::vector<std::string> paths;
    std::size_t offset = 0;
    for (std::size_t k = 0; k < row.segments.size(); ++k) {
      auto size = static_cast<std::size_t>(row.segments[k]);
      paths.push_back(dir.write("piece" + std::to_string(k), content.substr(offset, size)));
      offset += size;
    }
    // The short point falls in the file that holds it.
    std::int64_t before = 0;
    for (std::size_t k = 0; row.readable >= 0 && k < paths.size(); before += row.segments[k++])
      if (row.readable < before + row.segments[k]) {
        set_fault_plan({paths[k], row.readable - before, -1});
        break;
      }
    std::optional<File> file;
    pumped.outcome = pump.run(paths.size(), [&](std::size_t k) -> std::optional<PumpSource> {
      file = File::open_read(paths[k]);
      return PumpSource{&*file, row.segments[k]};
    });
  } else {
    std::string path = dir.write("whole", content);
    if (row.readable >= 0) set_fault_plan({path, row.readable, -1});
    std::optional<File> file = File::open_read(path);
    pumped.outcome = pump.run(*file, total(row));
  }
  set_fault_plan({});
  for (const Call& call : pumped.calls)
    for (const auto& [from, to] : runs)
      if (call.second > from && call.second < to) pumped.crossed = true;
  return pumped;
}

TEST(BlockPump, CallsTheDisplayAndHandsOverBytesAsTheLiteralLoopWould) {
  auto hash = [](std::string name, std::int64_t length, std::uint64_t block) {
    std::uint64_t blocks = (static_cast<std::uint64_t>(length) + 1 + block / 8 + block - 1) / block;
    return Row{.name = name + " " + std::to_string(length),
               .segments = {length},
               .unit = block,
               .rule = {.divisor = static_cast<std::uint64_t>(length) + block},
               .units_end = blocks * block,
               .buffers = 2};
  };
  auto bytes = [](std::int64_t length) {
    return Row{.name = "checksum64 " + std::to_string(length),
               .segments = {length},
               .unit = 1,
               .rule = {.divisor = static_cast<std::uint64_t>(length), .first_call_forced = false}};
  };
  auto blocks = [](std::string name, std::vector<std::int64_t> segments, bool files, std::uint16_t ceiling) {
    auto sum = static_cast<std::uint64_t>(std::accumulate(segments.begin(), segments.end(), std::int64_t{0}));
    return Row{
        .name = name, .segments = segments, .files = files, .rule = {.divisor = sum, .ceiling = ceiling}};
  };
  auto mime = [](std::int64_t length) {
    auto groups = static_cast<std::uint64_t>(length) / 3;
    return Row{.name = "base 64 " + std::to_string(length),
               .segments = {length},
               .unit = 1365 * 3,
               .rule = {.divisor = groups, .granule = 3},
               .units_end = groups * 3};
  };
  std::vector<Row> rows;
  for (std::int64_t length : {0, 1, 55, 56, 63, 64, 100, 5000, 6400063, (3 << 20) + 77})
    rows.push_back(hash("sha-256", length, 64));
  for (std::int64_t length : {0, 111, 112, 128, 1234567})
    rows.push_back(hash("sha-512", length, 128));
  for (std::int64_t length : {0, 1, 99, 100, 101, 3000017})
    rows.push_back(bytes(length));
  for (std::int64_t length : {0, 1, 2, 3, 4095 * 3 + 2, 1 << 20})
    rows.push_back(mime(length));
  for (std::int64_t length : {0, 1, 4095, 4096, 4097, 150 * 4096 + 100, 4096 * 101 + 17})
    rows.push_back(blocks("blocks " + std::to_string(length), {length}, false, 100));
  rows.push_back(blocks("split 4097+4096", {4097, 4096}, false, 99));
  rows.push_back(blocks("split 3+3+3+1", {3, 3, 3, 1}, false, 99));
  rows.push_back(blocks("split 1000000+1+1000000", {1000000, 1, 1000000}, false, 99));
  rows.push_back(blocks("join 0+0+5", {0, 0, 5}, true, 99));
  rows.push_back(blocks("join 5000+12345+409600", {5000, 12345, 409600}, true, 99));
  // Pieces that grew after they were counted: the display stays below 100 %.
  rows.push_back(Row{.name = "join past its total",
                     .segments = {300000, 300000},
                     .files = true,
                     .rule = {.divisor = 200000, .ceiling = 99}});
  // Reads that come short, and a consumer that stops.
  for (Row row :
       {hash("sha-256 short", 200000, 64), bytes(200000), mime(100000),
        blocks("cipher short", {3 << 20}, false, 100), blocks("split short", {4096, 4096, 4096}, false, 99),
        blocks("join short", {5000, 12345, 4096}, true, 99)})
    for (std::int64_t readable : {0, 1000, 4096, 8192, 65537}) {
      if (readable >= total(row)) continue;
      row.name += " readable " + std::to_string(readable);
      row.readable = readable;
      rows.push_back(row);
    }
  for (std::int64_t stop : {0, 4095, 4096, 5000, 9999}) {
    Row row = blocks("stop at " + std::to_string(stop), {10000}, false, 100);
    row.stop_at = stop;
    rows.push_back(row);
  }

  for (Row& row : rows) {
    for (int buffers : {1, 3}) {
      row.buffers = buffers;
      testing::TempDir dir;
      const std::string content = testing::pattern_bytes(static_cast<std::size_t>(total(row)), 3);
      Pumped pumped = pump_row(row, dir, content);
      const std::string where = row.name + ", " + std::to_string(buffers) + " buffers";
      std::vector<Call> expected = literal_calls(row);
      std::int64_t end = total(row);
      if (row.readable >= 0) end = kept_before(row, row.readable);
      if (row.stop_at >= 0) end = row.stop_at;
      if (row.readable >= 0 || row.stop_at >= 0)
        std::erase_if(expected, [&](const Call& call) { return call.second > end; });
      EXPECT_EQ(pumped.calls, expected) << where;
      EXPECT_FALSE(pumped.crossed) << where;
      EXPECT_EQ(pumped.outcome.fault, row.readable >= 0 ? PumpFault::read : PumpFault::none) << where;
      EXPECT_EQ(pumped.outcome.stopped, row.stop_at >= 0) << where;
      EXPECT_EQ(pumped.outcome.consumed, end) << where;
      if (row.stop_at < 0) {
        EXPECT_EQ(pumped.data, content.substr(0, static_cast<std::size_t>(end))) << where;
      }
      std::vector<std::int64_t> begun;
      for (std::int64_t start = 0, k = 0; k < static_cast<std::int64_t>(row.segments.size()) && start <= end;
           start += row.segments[static_cast<std::size_t>(k++)])
        begun.push_back(start);
      if (row.files || row.segments.size() > 1) {
        EXPECT_EQ(pumped.begun, begun) << where;
      }
    }
  }
}

// A stream is read to its end: the display counts its bytes without a percentage, and data past
// the last segment ends the run instead of being handed to no segment.
TEST(BlockPump, RunsToTheEndOfAStream) {
  struct Case {
    std::size_t length;
    std::vector<std::int64_t> segments;
    std::int64_t consumed;
    bool overran;
  };
  for (const Case& c : std::vector<Case>{{7000, {3000, 3000}, 6000, true},
                                         {6000, {3000, 3000}, 6000, false},
                                         {4500, {3000, 3000}, 4500, false},
                                         {2500, {}, 2500, false}}) {
    testing::TempDir dir;
    const std::string content = testing::pattern_bytes(c.length, 5);
    std::optional<File> file = File::open_read(dir.write("stream", content));
    BlockPump pump({.unit = 4096, .progress = {}, .buffer_size = 1000, .segments = c.segments});
    std::string data;
    std::vector<Call> calls;
    pump.take = [&](std::span<std::uint8_t> bytes) {
      data.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
      return Flow::go_on();
    };
    pump.show = [&](std::uint16_t percent, std::int64_t bytes) { calls.emplace_back(percent, bytes); };
    const PumpOutcome outcome = pump.run(*file, BlockPump::to_the_end);
    const std::string where = std::to_string(c.length);
    EXPECT_EQ(outcome.consumed, c.consumed) << where;
    EXPECT_EQ(outcome.overran, c.overran) << where;
    EXPECT_TRUE(outcome.complete()) << where;
    EXPECT_EQ(data, content.substr(0, static_cast<std::size_t>(c.consumed))) << where;
    // The forced first call, then one per full read with the bytes so far.
    std::vector<Call> expected = {{0, 0}};
    for (std::int64_t read = 1000; read <= c.consumed; read += 1000)
      expected.emplace_back(percent_unknown, read);
    EXPECT_EQ(calls, expected) << where;
  }
}

TEST(ProgressSchedule, HugeLengthsNeitherOverflowNorSkipPercentages) {
  // 2^62 bytes in 128-byte blocks: the shown percentage still climbs one step at a time to 99,
  // each at the first unit where the percentage, worked out in 128 bits, reaches it.
  const std::uint64_t length = std::uint64_t{1} << 62;
  ProgressSchedule schedule({.divisor = length + 128});
  std::uint64_t last = 0;
  for (std::uint16_t expected = 0; expected < 100; ++expected) {
    std::uint64_t reach = static_cast<std::uint64_t>((Wide{expected} * (length + 128) + 99) / 100);
    ASSERT_EQ(schedule.next_rise(), expected == 0 ? 0 : reach) << expected;
    std::uint64_t unit = (schedule.next_rise() + 127) / 128 * 128;
    ASSERT_GE(unit, last);
    EXPECT_TRUE(schedule.at_unit(unit));
    EXPECT_EQ(schedule.shown(), expected);
    last = unit + 128;
  }
  // 100 % would come only past the last block.
  EXPECT_EQ(schedule.next_rise(), length + 128);
}

}  // namespace
}  // namespace varnelo

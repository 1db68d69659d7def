#include "checksum/file_feed.hpp"

#include <algorithm>
#include <span>

namespace varnelo {

namespace {

// A second thread reads the next buffer while the hash works through the current one, so the
// system's copy out of the file overlaps the hashing instead of adding to it. Two buffers are
// enough, the copy being several times faster than the block hashes; at 1 MiB the hand-overs
// between the threads cost next to nothing.
constexpr std::size_t buffer_size = std::size_t{1} << 20;
constexpr int buffer_count = 2;
// Read in turn, the buffer stays in the caches nearest the core between the copy and the sum.
constexpr std::size_t in_turn_buffer_size = std::size_t{1} << 16;
// A file that comes short is hashed up to the last whole step it delivered and then reported,
// so how far the display got before the error does not depend on the buffers above.
constexpr std::size_t short_read_step = std::size_t{1} << 16;
static_assert(buffer_size % short_read_step == 0 && in_turn_buffer_size % short_read_step == 0);

}  // namespace

bool feed_file(File& file, std::uint64_t length, ProgressPlan& plan, std::uint64_t unit_bytes,
               const std::function<void(std::uint16_t, std::int64_t)>& show,
               const std::function<void(const std::uint8_t*, std::size_t)>& consume, Reading reading) {
  auto make_due_calls = [&](std::uint64_t consumed) {
    while (plan.pending()) {
      std::uint64_t unit = plan.next_unit();
      // Units past the data (the padding blocks) come due once everything is consumed.
      std::uint64_t due = std::min(unit * unit_bytes, length);
      if (due > consumed) return due;
      show(plan.next_percent(), static_cast<std::int64_t>(unit * unit_bytes));
      plan.advance();
    }
    return length + 1;
  };

  const bool ahead = reading == Reading::ahead;
  ReadAhead reader(file, static_cast<std::int64_t>(length), ahead ? buffer_size : in_turn_buffer_size,
                   ahead ? buffer_count : 1);
  std::uint64_t consumed = 0;
  std::uint64_t next_due = make_due_calls(0);
  for (;;) {
    std::span<const std::uint8_t> run = reader.next();
    const bool came_short = reader.came_short();
    if (came_short) run = run.first(run.size() - run.size() % short_read_step);
    if (run.empty() && !came_short) break;
    const std::uint8_t* data = run.data();
    std::uint64_t end = consumed + run.size();
    while (consumed < end) {
      std::size_t take = static_cast<std::size_t>(std::min(end, next_due) - consumed);
      consume(data, take);
      data += take;
      consumed += take;
      if (consumed == next_due) next_due = make_due_calls(consumed);
    }
    if (came_short) return false;
  }
  make_due_calls(length);
  return true;
}

}  // namespace varnelo

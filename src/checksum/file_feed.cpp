#include "checksum/file_feed.hpp"

#include <algorithm>
#include <memory>

namespace varnelo {

namespace {

// Large enough that system calls cost next to nothing, small enough to stay in the caches
// nearest the core between the kernel's copy and the hash.
constexpr std::size_t buffer_size = std::size_t{1} << 16;

}  // namespace

bool feed_file(File& file, std::uint64_t length, ProgressPlan& plan, std::uint64_t unit_bytes,
               const std::function<void(std::uint16_t, std::int64_t)>& show,
               const std::function<void(const std::uint8_t*, std::size_t)>& consume) {
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

  const auto capacity =
      static_cast<std::size_t>(std::min<std::uint64_t>(buffer_size, std::max<std::uint64_t>(length, 1)));
  std::unique_ptr<std::uint8_t[]> buffer(new std::uint8_t[capacity]);
  std::uint64_t consumed = 0;
  std::uint64_t next_due = make_due_calls(0);
  while (consumed < length) {
    std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, length - consumed));
    if (!file.read_exact(buffer.get(), want)) return false;
    const std::uint8_t* data = buffer.get();
    std::uint64_t end = consumed + want;
    while (consumed < end) {
      std::size_t take = static_cast<std::size_t>(std::min(end, next_due) - consumed);
      consume(data, take);
      data += take;
      consumed += take;
      if (consumed == next_due) next_due = make_due_calls(consumed);
    }
  }
  make_due_calls(length);
  return true;
}

}  // namespace varnelo

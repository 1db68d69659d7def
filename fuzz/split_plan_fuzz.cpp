// The split plan on fuzzed answers: equal sizes, typed sizes in bytes, kilobytes and
// megabytes given piece by piece, the suffix counter, and the block pump's accounting of the
// copy. Each is checked against its rule taken literally: sizes that add up to the input and
// leave every piece at least one byte, products that never overflow, and the progress display
// of a loop that really moves one block of 4096 bytes at a time.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "fuzz/scratch.hpp"
#include "io/block_pump.hpp"
#include "splitjoin/pieces.hpp"

using namespace varnelo;
using namespace varnelo::splitjoin;

constexpr std::int64_t block_size = 4096;

namespace {

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool more() const { return at_ < size_; }
  std::uint64_t bytes(int count) {
    std::uint64_t value = 0;
    for (int i = 0; i < count; ++i)
      value = value << 8 | (at_ < size_ ? data_[at_++] : 0);
    return value;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

void check(bool condition) {
  if (!condition) std::abort();
}

struct Report {
  std::uint16_t shown;
  std::int64_t done;
  bool operator==(const Report&) const = default;
};

// The copy loop as the screens describe it: one block of at most 4096 bytes per step, the
// shown percentage rising by at most one before each block.
std::vector<Report> literal_reports(const std::vector<std::int64_t>& pieces, std::int64_t total) {
  std::vector<Report> reports;
  std::int64_t done = 0;
  std::uint16_t shown = 0;
  bool redraw = true;
  for (std::int64_t piece : pieces) {
    for (std::int64_t copied = 0; copied < piece;) {
      if (done * 100 / total > shown) {
        ++shown;
        redraw = true;
      }
      if (redraw) {
        reports.push_back({shown, done});
        redraw = false;
      }
      std::int64_t block = std::min<std::int64_t>(block_size, piece - copied);
      done += block;
      copied += block;
    }
  }
  return reports;
}

// The split's copy through the block pump, over a sparse input of the total's size; the bytes it
// hands over must add up to every piece exactly, each piece begun before its first byte.
std::vector<Report> pumped_reports(const std::vector<std::int64_t>& pieces, std::int64_t total) {
  const std::string path = fuzzing::scratch_path("input");
  std::filesystem::resize_file(path, 0);
  std::filesystem::resize_file(path, static_cast<std::uintmax_t>(total));
  std::optional<File> input = File::open_read(path);
  check(input.has_value());
  BlockPump pump({.unit = 4096,
                  .progress = {.divisor = static_cast<std::uint64_t>(total), .ceiling = 99},
                  .segments = pieces});
  std::vector<Report> reports;
  std::size_t piece = 0;
  std::int64_t moved = 0;
  pump.begin_segment = [&](std::size_t k) {
    check(k == (moved == 0 ? 0 : piece + 1) && (k == 0 || moved == pieces[piece]));
    piece = k;
    moved = 0;
    return Flow::go_on();
  };
  pump.take = [&](std::span<std::uint8_t> bytes) {
    check(!bytes.empty() && moved + static_cast<std::int64_t>(bytes.size()) <= pieces[piece]);
    moved += static_cast<std::int64_t>(bytes.size());
    return Flow::go_on();
  };
  pump.show = [&](std::uint16_t shown, std::int64_t done) { reports.push_back({shown, done}); };
  PumpOutcome outcome = pump.run(*input, total);
  check(outcome.complete() && outcome.consumed == total && piece + 1 == pieces.size());
  return reports;
}

void check_accounting(const std::vector<std::int64_t>& pieces, std::int64_t total) {
  // The literal loop and the pump both take a step per block; only small inputs can afford them.
  if (total <= (std::int64_t{1} << 24)) {
    check(pumped_reports(pieces, total) == literal_reports(pieces, total));
    return;
  }
  // Larger ones check that the schedule climbs one percent at a time, without overflow.
  ProgressSchedule schedule({.divisor = static_cast<std::uint64_t>(total), .ceiling = 99});
  check(schedule.next_rise() == 0 && schedule.at_unit(0) && schedule.shown() == 0);
  std::uint64_t last = 0;
  while (schedule.next_rise() != ProgressSchedule::never) {
    const std::uint64_t rise = schedule.next_rise();
    const std::uint16_t before = schedule.shown();
    check(rise > last && rise < static_cast<std::uint64_t>(total));
    check(schedule.at_unit(rise) && schedule.shown() == before + 1);
    last = rise;
  }
  check(schedule.shown() == 99);
}

void check_equal_split(std::int64_t size, std::uint16_t count) {
  std::vector<std::int64_t> pieces = equal_split(size, count);
  if (count == 0 || size < count) {
    check(pieces.empty());
    return;
  }
  std::int64_t planned = size / count + (size % count != 0);
  check(equal_piece_size(size, count) == planned);
  check(!pieces.empty() && pieces.size() <= count);
  std::int64_t sum = 0;
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    check(k + 1 == pieces.size() ? pieces[k] >= 1 && pieces[k] <= planned : pieces[k] == planned);
    sum += pieces[k];
  }
  check(sum == size);
  check_accounting(pieces, size);
}

// Typed sizes given the way the size dialogue gives them: a unit, an answer and how many
// pieces it applies to, until every piece but the last has one or a size is refused.
void check_typed_split(Reader& in, std::int64_t size, std::uint16_t count) {
  if (count == 0 || size < count) return;
  std::vector<std::int64_t> pieces;
  std::int64_t remaining = size;
  while (pieces.size() + 1 < count) {
    auto unit = static_cast<std::uint16_t>(in.bytes(1) % 4);
    if (unit > 2) return;  // the screen refuses it as an invalid choice
    auto typed = static_cast<SizeUnit>(unit);
    SizeUnit used = fitting_unit(typed, remaining);
    check(static_cast<std::uint16_t>(used) <= unit);
    check(used == SizeUnit::bytes || remaining / unit_factor(used) >= 1);
    if (used != typed) check(remaining / unit_factor(static_cast<SizeUnit>(static_cast<int>(used) + 1)) == 0);

    // Answers near the 64-bit limit, small ones, and sizes that fit the remaining bytes.
    std::uint64_t raw = in.bytes(8);
    std::int64_t answer;
    switch (raw & 3) {
      case 0:
        answer = static_cast<std::int64_t>(raw);
        break;
      case 1:
        answer = static_cast<std::int64_t>((raw >> 2) % 4096);
        break;
      default:
        answer = static_cast<std::int64_t>((raw >> 2) %
                                           static_cast<std::uint64_t>(remaining / unit_factor(used) + 2));
        break;
    }
    std::optional<std::int64_t> bytes = size_in_bytes(answer, used);
    __int128 product = static_cast<__int128>(answer) * unit_factor(used);
    bool fits = product >= std::numeric_limits<std::int64_t>::min() &&
                product <= std::numeric_limits<std::int64_t>::max();
    check(bytes.has_value() == fits);
    if (bytes) check(*bytes == static_cast<std::int64_t>(product));

    std::uint64_t range = 1 + in.bytes(1) % 4;
    for (std::uint64_t i = 0; i < range && pieces.size() + 1 < count; ++i) {
      std::int64_t before = remaining;
      bool taken = take_size(remaining, bytes);
      check(taken == (bytes && *bytes >= 1 && before - *bytes >= 1));
      if (!taken) {
        check(remaining == before);
        return;  // "Memory management fail!": nothing is written
      }
      check(remaining == before - *bytes);
      pieces.push_back(*bytes);
    }
  }
  pieces.push_back(remaining);
  std::int64_t sum = 0;
  for (std::int64_t piece : pieces) {
    check(piece >= 1);
    sum += piece;
  }
  check(sum == size && pieces.size() == count);
  check_accounting(pieces, size);
}

void check_suffix(std::uint16_t start) {
  std::string name = "x";
  char digits[8];
  std::snprintf(digits, sizeof digits, ".%03u", static_cast<unsigned>(start % 1000));
  name += digits;
  bool advanced = advance_suffix(name);
  unsigned next = (start % 1000 + 1) % 1000;
  std::snprintf(digits, sizeof digits, ".%03u", next);
  check(advanced == (next != 0) && name == std::string("x") + digits);
  check(names_first_piece(name) == (next == 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  // Sizes from a byte to the 64-bit limit, weighted toward those a few blocks long.
  std::uint64_t raw = in.bytes(8);
  std::int64_t input_size;
  switch (raw & 3) {
    case 0:
      input_size = static_cast<std::int64_t>(raw >> 1);
      break;
    case 1:
      input_size = static_cast<std::int64_t>((raw >> 2) % (std::uint64_t{1} << 40));
      break;
    default:
      input_size = static_cast<std::int64_t>((raw >> 2) % (std::uint64_t{1} << 22));
      break;
  }
  auto count = static_cast<std::uint16_t>(in.bytes(2) % 1001);
  check_suffix(static_cast<std::uint16_t>(raw >> 8));
  check_equal_split(input_size, count);
  check_typed_split(in, input_size, count);
  return 0;
}

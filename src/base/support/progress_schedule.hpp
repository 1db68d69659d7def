#pragma once

#include <cstdint>
#include <functional>
#include <limits>

namespace varnelo {

// The progress display of a long operation: the percentage shown, and the bytes done so far.
using ProgressDisplay = std::function<void(std::uint16_t percent, std::int64_t bytes)>;

// The percentage of a stream, whose end is unknown: the display shows the bytes so far alone.
inline constexpr std::uint16_t percent_unknown = 0xFFFF;

// Where the shown percentage of a long operation rises. The operation runs over units (4096-byte
// blocks, hash blocks, single bytes); before the unit that starts `offset` bytes in, the
// percentage is (offset / granule) * 100 / divisor. The shown percentage rises by at most one
// per unit and never past the ceiling, and the display is due before every unit where it rose
// (and before the first unit, when that call is forced).
class ProgressSchedule {
 public:
  struct Rule {
    std::uint64_t divisor = 0;  // 0: the percentage never rises
    std::uint64_t granule = 1;  // bytes per count: 3 where base 64 counts its groups
    bool first_call_forced = true;
    std::uint16_t ceiling = 100;
  };

  static constexpr std::uint64_t never = std::numeric_limits<std::uint64_t>::max();

  explicit ProgressSchedule(const Rule& rule) : rule_(rule), forced_(rule.first_call_forced) { plan(); }

  // The smallest unit offset at which the display can be due next; `never` when it cannot.
  std::uint64_t next_rise() const { return forced_ ? 0 : next_rise_; }

  // Takes the unit that starts at `offset`; offsets come in increasing order, and every unit at
  // or past next_rise() must be taken. True when the display is due before it.
  bool at_unit(std::uint64_t offset) {
    bool due = forced_;
    forced_ = false;
    if (offset >= next_rise_) {
      ++shown_;
      plan();
      due = true;
    }
    return due;
  }

  std::uint16_t shown() const { return shown_; }

 private:
  // The first offset whose percentage exceeds the shown one: granule * ceil((shown + 1) *
  // divisor / 100), split so that nothing overflows for any 64-bit divisor.
  void plan() {
    if (rule_.divisor == 0 || shown_ >= rule_.ceiling) {
      next_rise_ = never;
      return;
    }
    const std::uint64_t percent = shown_ + 1u;
    const std::uint64_t count =
        percent * (rule_.divisor / 100) + (percent * (rule_.divisor % 100) + 99) / 100;
    next_rise_ = count > never / rule_.granule ? never : count * rule_.granule;
  }

  Rule rule_;
  bool forced_;
  std::uint16_t shown_ = 0;
  std::uint64_t next_rise_ = never;
};

}  // namespace varnelo

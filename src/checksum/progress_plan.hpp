#pragma once

// Where a per-unit progress loop calls the display. The loop runs over units 0 .. units-1
// (blocks of a hash, bytes of Checksum64); before unit i the percentage is
// i * scale * 100 / divisor, the shown percentage rises by at most one per unit, and the
// display is called whenever it rose (and before unit 0 when the first call is forced).
// The plan computes the next such unit directly instead of dividing for every unit.

#include <algorithm>
#include <cstdint>

namespace varnelo {

class ProgressPlan {
 public:
  ProgressPlan(std::uint64_t units, std::uint64_t scale, std::uint64_t divisor, bool first_call_forced)
      : units_(units), scale_(scale), divisor_(divisor) {
    next_unit_ = first_call_forced ? 0 : threshold(1);
    next_percent_ = first_call_forced ? 0 : 1;
  }

  // True while another call is due before the loop ends.
  bool pending() const { return next_unit_ < units_; }
  std::uint64_t next_unit() const { return next_unit_; }
  // The shown percentage of that call.
  std::uint16_t next_percent() const { return next_percent_; }

  // The due call has been made; plan the one after it.
  void advance() {
    std::uint64_t after = next_unit_ + 1;
    if (next_percent_ >= 100) {
      next_unit_ = units_;
      return;
    }
    ++next_percent_;
    next_unit_ = std::max(after, threshold(next_percent_));
  }

 private:
  // The first unit whose percentage is at least `percent`: ceil(percent * divisor / (100 * scale)),
  // split so that nothing overflows for any 64-bit divisor.
  std::uint64_t threshold(std::uint64_t percent) const {
    if (divisor_ == 0) return units_;
    const std::uint64_t step = 100 * scale_;
    std::uint64_t whole = divisor_ / step, rest = divisor_ % step;
    return percent * whole + (percent * rest + step - 1) / step;
  }

  std::uint64_t units_, scale_, divisor_;
  std::uint64_t next_unit_ = 0;
  std::uint16_t next_percent_ = 0;
};

}  // namespace varnelo

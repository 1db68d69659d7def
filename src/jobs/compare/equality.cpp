#include "compare/equality.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>

#include "io/block_pump.hpp"

namespace varnelo {

EqualityResult compare_equal(File& first, File& second, std::int64_t size,
                             const std::function<void(std::uint16_t, std::int64_t)>& show,
                             std::size_t buffer_size) {
  constexpr std::int64_t block = 4096;
  // A second thread reads the first file ahead while this one reads the second and compares.
  BlockPump pump({.unit = block,
                  .progress = {.divisor = static_cast<std::uint64_t>(size)},
                  .buffer_size = buffer_size,
                  .buffers = 2});
  auto other = std::make_unique_for_overwrite<std::uint8_t[]>(
      static_cast<std::size_t>(std::clamp<std::int64_t>(size, 1, static_cast<std::int64_t>(buffer_size))));
  EqualityResult result;
  pump.show = show;
  pump.take = [&](std::span<std::uint8_t> bytes) {
    if (!second.read_exact(other.get(), bytes.size())) return Flow::failed();
    if (std::memcmp(bytes.data(), other.get(), bytes.size()) == 0) return Flow::go_on();
    const auto at = static_cast<std::size_t>(std::mismatch(bytes.begin(), bytes.end(), other.get()).first -
                                             bytes.begin());
    return Flow::stop_after(at);
  };
  const PumpOutcome outcome = pump.run(first, size);
  if (outcome.fault == PumpFault::read) result.failure = EqualityFailure::first;
  if (outcome.fault == PumpFault::consumer) result.failure = EqualityFailure::second;
  if (outcome.stopped) {
    result.difference = outcome.consumed;
    result.shown_bytes = outcome.consumed / block * block;
  } else {
    result.shown_bytes = size;
  }
  return result;
}

}  // namespace varnelo

#include "compare/jobs.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <span>

#include "compare/search.hpp"
#include "io/block_pump.hpp"

namespace varnelo {

namespace {

// Reads an open file at any offset, seeking only when the file is not there already.
class FileSource : public ByteSource {
 public:
  explicit FileSource(File& file) : file_(file) {}
  bool read_at(std::int64_t offset, unsigned char* buffer, std::size_t count) override {
    if (file_.position() != offset && !file_.seek(offset)) return false;
    return file_.read_exact(buffer, count);
  }

 private:
  File& file_;
};

}  // namespace

EqualityResult compare_equal(File& first, File& second, std::int64_t size, const ProgressDisplay& show,
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
  if (outcome.fault == PumpFault::read) result.fault = FileFault::read_of(first);
  if (outcome.fault == PumpFault::consumer) result.fault = FileFault::read_of(second);
  if (outcome.stopped) {
    result.difference = outcome.consumed;
    result.shown_bytes = outcome.consumed / block * block;
  } else {
    result.shown_bytes = size;
  }
  return result;
}

EqualityResult compare_streams(File& first, File& second, const ProgressDisplay& show,
                               std::size_t buffer_size) {
  BlockPump pump({.unit = 4096, .progress = {}, .buffer_size = buffer_size, .buffers = 2});
  auto other = std::make_unique_for_overwrite<std::uint8_t[]>(buffer_size);
  EqualityResult result;
  bool second_ended = false;
  pump.show = show;
  pump.take = [&](std::span<std::uint8_t> bytes) {
    const std::size_t got = second.read(other.get(), bytes.size());
    if (second.failed()) return Flow::failed();
    const auto at = static_cast<std::size_t>(
        std::mismatch(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(got), other.get()).first -
        bytes.begin());
    if (at < got) return Flow::stop_after(at);
    if (got == bytes.size()) return Flow::go_on();
    second_ended = true;
    return Flow::stop_after(got);
  };
  const PumpOutcome outcome = pump.run(first, BlockPump::to_the_end);
  if (outcome.fault == PumpFault::read) result.fault = FileFault::read_of(first);
  if (outcome.fault == PumpFault::consumer) result.fault = FileFault::read_of(second);
  if (result.fault) return result;
  result.shown_bytes = outcome.consumed;
  if (outcome.stopped && !second_ended) {
    result.difference = outcome.consumed;
    return result;
  }
  std::uint8_t more = 0;
  // The first ended: the second is longer only if a byte is left in it.
  if (second_ended || second.read(&more, 1) == 1) {
    result.shorter = second_ended ? 2 : 1;
    result.length = outcome.consumed;
  }
  if (second.failed()) result.fault = FileFault::read_of(second);
  return result;
}

Occurrences find_occurrences_in(File& host, std::int64_t host_size, File& part, std::int64_t part_size,
                                const ProgressDisplay& show) {
  FileSource host_source(host), part_source(part);
  ProgressSchedule schedule({.divisor = static_cast<std::uint64_t>(host_size)});
  ProgressCallback progress;
  if (show)
    progress = [&](std::int64_t step) {
      if (schedule.at_unit(static_cast<std::uint64_t>(step))) show(schedule.shown(), step);
    };
  SearchResult found = find_occurrences(host_source, host_size, part_source, part_size, progress);
  Occurrences result{{}, std::move(found.positions), found.scan_end, found.rest_unsearched};
  if (found.failure == ReadFailure::host) result.fault = FileFault::read_of(host);
  if (found.failure == ReadFailure::part) result.fault = FileFault::read_of(part);
  return result;
}

}  // namespace varnelo

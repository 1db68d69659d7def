#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "io/file.hpp"
#include "support/progress_schedule.hpp"

namespace varnelo {

// What a consumer did with the bytes handed to it.
struct Flow {
  enum Kind { more, stop, consumer_failed, write_failed };
  Kind kind = more;
  // With `stop`: the bytes of this hand-over it got through before stopping.
  std::size_t reached = 0;

  static Flow go_on() { return {}; }
  static Flow stop_after(std::size_t reached) { return {stop, reached}; }
  static Flow failed() { return {consumer_failed, 0}; }
  static Flow write_error() { return {write_failed, 0}; }
};

enum class PumpFault { none, read, source, consumer, write };

struct PumpOutcome {
  PumpFault fault = PumpFault::none;
  // The file a read or source fault belongs to, counted from 0.
  std::size_t source = 0;
  // Bytes handed over and taken, up to the stop or the fault.
  std::int64_t consumed = 0;
  bool stopped = false;
  // A run to the end met bytes past the end of its last segment; they were not handed over.
  bool overran = false;
  bool complete() const { return fault == PumpFault::none; }
};

// One file of a run over several, opened when its turn comes.
struct PumpSource {
  File* file = nullptr;
  std::int64_t size = 0;
};

// The one road for bytes: reads one file, or several in turn, a few buffers ahead, hands the
// consumer every byte in order, and calls the progress display where a loop over the units of
// the run would. Runs handed over never cross a unit where the display is due, nor the start of
// a segment. Of a read that comes short, only the whole units are handed over (counted from the
// start of their segment); the display calls up to that point are made, and the fault is
// returned for the caller to report.
class BlockPump {
 public:
  struct Setup {
    // Bytes per progress unit: a 4096-byte block, a hash block, a single byte.
    std::uint64_t unit = 4096;
    ProgressSchedule::Rule progress;
    // Bytes per read; with more than one buffer a second thread reads ahead.
    std::size_t buffer_size = std::size_t{1} << 20;
    int buffers = 1;
    // Lengths of the segments within the one file, each starting its units afresh (the pieces of
    // a split). Empty: every file is one segment.
    std::vector<std::int64_t> segments;
    // Units go on past the data up to this offset (the padding blocks of a hash), or stop short
    // of its end (base 64's last, incomplete group). Unset: units end with the data.
    std::optional<std::uint64_t> units_end;
  };

  // The bytes at the current offset of the run; the consumer may change them in place.
  std::function<Flow(std::span<std::uint8_t> bytes)> take;
  // The display is due before the unit at `offset`.
  std::function<void(std::uint16_t percent, std::int64_t offset)> show;
  // A segment (a file of several, or a piece of a split) is about to start; anything but `more`
  // ends the run with a consumer fault (already reported).
  std::function<Flow(std::size_t segment)> begin_segment;

  explicit BlockPump(Setup setup);

  // A size for run(): every byte up to the end of the file, however many there are (a pipe).
  // The end is only known when it comes, so past the first the display is called with
  // percent_unknown after every read, with the bytes so far.
  static constexpr std::int64_t to_the_end = -1;

  // Runs over `size` bytes from the file's current position.
  PumpOutcome run(File& file, std::int64_t size);
  // Runs over `count` files in turn; `open(k)` gives the k-th, or nullopt after reporting why
  // it could not (a source fault).
  PumpOutcome run(std::size_t count, const std::function<std::optional<PumpSource>(std::size_t)>& open);

 private:
  struct Run;
  Setup setup_;
};

}  // namespace varnelo

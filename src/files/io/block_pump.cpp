#include "io/block_pump.hpp"

#include <algorithm>
#include <limits>
#include <utility>

#include "io/read_ahead.hpp"

namespace varnelo {

// The state of one run: where it is in the stream, in which segment, and the next unit at which
// the display is due.
struct BlockPump::Run {
  explicit Run(BlockPump& owner) : pump(owner), setup(owner.setup_), schedule(owner.setup_.progress) {}

  static constexpr std::uint64_t never = ProgressSchedule::never;

  BlockPump& pump;
  const Setup& setup;
  ProgressSchedule schedule;
  PumpOutcome outcome;

  std::uint64_t position = 0;
  std::size_t segment = 0;
  std::uint64_t segment_start = 0;
  std::uint64_t segment_end = 0;
  bool last_segment = false;
  // The run goes on until the file ends, wherever that is.
  bool until_end = false;
  bool called = false;
  std::uint64_t last_call = 0;
  std::uint64_t next_due = never;

  bool explicit_segments() const { return !setup.segments.empty(); }

  // Starts segment `index` of `length` bytes at the current position.
  bool enter(std::size_t index, std::uint64_t length, bool last) {
    segment = index;
    segment_start = position;
    segment_end = position + length;
    last_segment = last;
    if (pump.begin_segment && pump.begin_segment(index).kind != Flow::more) {
      outcome.fault = PumpFault::consumer;
      return false;
    }
    plan();
    return true;
  }

  bool enter_next_explicit() {
    const std::size_t next = segment + 1;
    return enter(next, static_cast<std::uint64_t>(setup.segments[next]), next + 1 == setup.segments.size());
  }

  // The first unit of this segment at which the display is due: at or past the rise of the
  // percentage, and after the unit of the last call.
  void plan() {
    next_due = never;
    std::uint64_t from = schedule.next_rise();
    if (from == never) return;
    if (called) from = std::max(from, last_call + 1);
    from = std::max(from, segment_start);
    const std::uint64_t limit = last_segment && setup.units_end ? *setup.units_end : segment_end;
    if (from >= limit) return;
    const std::uint64_t at =
        segment_start + (from - segment_start + setup.unit - 1) / setup.unit * setup.unit;
    if (at < limit) next_due = at;
  }

  void call_at(std::uint64_t offset) {
    schedule.at_unit(offset);
    called = true;
    last_call = offset;
    if (pump.show) pump.show(schedule.shown(), static_cast<std::int64_t>(offset));
    plan();
  }

  void call_if_due() {
    if (position == next_due) call_at(position);
  }

  // Whatever comes due at the current position before its bytes: the next segment of the file
  // begins, and the display is drawn. False when the run ends here.
  bool settle() {
    if (explicit_segments() && position == segment_end && segment + 1 < setup.segments.size() &&
        !enter_next_explicit())
      return false;
    call_if_due();
    return true;
  }

  // Hands the bytes at the current position over; false when the run ends here.
  bool hand_over(std::span<std::uint8_t> bytes) {
    while (!bytes.empty()) {
      if (explicit_segments() && position == segment_end && segment + 1 == setup.segments.size()) {
        outcome.overran = true;
        return false;
      }
      if (!settle()) return false;
      std::uint64_t room = std::min<std::uint64_t>(bytes.size(), segment_end - position);
      if (next_due != never) room = std::min(room, next_due - position);
      const auto size = static_cast<std::size_t>(room);
      const Flow flow = pump.take(bytes.first(size));
      switch (flow.kind) {
        case Flow::more:
          break;
        case Flow::stop:
          position += std::min(flow.reached, size);
          outcome.consumed = static_cast<std::int64_t>(position);
          outcome.stopped = true;
          call_if_due();
          return false;
        case Flow::consumer_failed:
          outcome.fault = PumpFault::consumer;
          return false;
        case Flow::write_failed:
          outcome.fault = PumpFault::write;
          return false;
      }
      position += room;
      outcome.consumed = static_cast<std::int64_t>(position);
      bytes = bytes.subspan(size);
    }
    return true;
  }

  // Where the whole units before `end` end, counted in the segment that holds `end`.
  std::uint64_t whole_units_before(std::uint64_t end) const {
    std::uint64_t start = segment_start;
    if (explicit_segments()) {
      std::uint64_t length = segment_end - segment_start;
      for (std::size_t k = segment; end >= start + length && k + 1 < setup.segments.size();) {
        start += length;
        length = static_cast<std::uint64_t>(setup.segments[++k]);
      }
    }
    return start + (end - start) / setup.unit * setup.unit;
  }

  // Pumps one file of `size` bytes; false when the run ends here.
  bool pump_file(File& file, std::int64_t size, std::size_t source) {
    ReadAhead reader(file, size, setup.buffer_size, setup.buffers);
    const std::uint64_t end = position + static_cast<std::uint64_t>(size);
    for (;;) {
      // As in a loop over the units, the display comes before the bytes are read.
      if (position < end && !settle()) return false;
      std::span<std::uint8_t> bytes = reader.next();
      if (!reader.came_short()) {
        if (bytes.empty()) return true;
        if (!hand_over(bytes)) return false;
        if (until_end && pump.show) pump.show(percent_unknown, static_cast<std::int64_t>(position));
        continue;
      }
      // A read that met the end of a run to the end is its last, whole.
      if (until_end && !file.failed()) return hand_over(bytes);
      // Bytes already handed over stay handed over; the cut applies to what this read brought.
      const std::uint64_t kept = std::max(position, whole_units_before(position + bytes.size()));
      if (!hand_over(bytes.first(static_cast<std::size_t>(kept - position)))) return false;
      // The unit that came short was begun: its segment entered and its display drawn.
      if (!settle()) return false;
      outcome.fault = PumpFault::read;
      outcome.source = source;
      return false;
    }
  }

  // The display calls of units past the data.
  void finish() {
    while (next_due != never)
      call_at(next_due);
  }
};

BlockPump::BlockPump(Setup setup) : setup_(std::move(setup)) {
  setup_.unit = std::max<std::uint64_t>(setup_.unit, 1);
}

PumpOutcome BlockPump::run(File& file, std::int64_t size) {
  Run run(*this);
  run.until_end = size == to_the_end;
  if (run.until_end) size = std::numeric_limits<std::int64_t>::max();
  const bool entered = setup_.segments.empty() ? run.enter(0, static_cast<std::uint64_t>(size), true)
                                               : run.enter(0, static_cast<std::uint64_t>(setup_.segments[0]),
                                                           setup_.segments.size() == 1);
  if (entered && run.pump_file(file, size, 0)) run.finish();
  return run.outcome;
}

PumpOutcome BlockPump::run(std::size_t count,
                           const std::function<std::optional<PumpSource>(std::size_t)>& open) {
  Run run(*this);
  for (std::size_t k = 0; k < count; ++k) {
    std::optional<PumpSource> source = open(k);
    if (!source) {
      run.outcome.fault = PumpFault::source;
      run.outcome.source = k;
      return run.outcome;
    }
    if (!run.enter(k, static_cast<std::uint64_t>(source->size), k + 1 == count) ||
        !run.pump_file(*source->file, source->size, k))
      return run.outcome;
  }
  run.finish();
  return run.outcome;
}

}  // namespace varnelo

#pragma once

// The block copy shared by split and join, with its progress accounting. Progress is counted
// per block of 4096 bytes: before each block the shown percentage may rise by one towards
// done * 100 / total, and the display is due when it rose (or at the very first block). The
// bytes themselves move in as large spans as the accounting allows, which gives the same
// display and the same files at a fraction of the system calls.

#include <cstdint>
#include <functional>
#include <limits>
#include <utility>

#include "shell/file.hpp"

namespace varnelo::splitjoin {

inline constexpr std::int64_t block_size = 4096;

class BlockProgress {
 public:
  explicit BlockProgress(std::int64_t total) : total_(total) {}

  std::int64_t total() const { return total_; }
  std::int64_t done() const { return done_; }
  std::uint16_t shown() const { return shown_; }

  // Accounts for `size` more bytes in blocks of 4096 (the last one cut at the end of the
  // span). `report(shown, done)` is called before every block at which the display is due;
  // the blocks in between are handed to `move(bytes)` in runs as long as possible. Returns
  // false as soon as `move` does, with the bytes of the failed run not counted as done.
  template <typename Move, typename Report>
  bool run(std::int64_t size, Move&& move, Report&& report) {
    std::int64_t left = size;
    while (left > 0) {
      Span span = next_span(left);
      if (span.report) report(shown_, done_);
      if (!move(span.bytes)) return false;
      moved(span.bytes);
      left -= span.bytes;
    }
    return true;
  }

  // The span that `run` hands to `move` next when `left` bytes are still to go, and whether the
  // display is due before it; `moved` then counts it as done. A copy of the accounting can thus
  // walk the same spans ahead of the copy.
  struct Span {
    std::int64_t bytes;
    bool report;
  };
  Span next_span(std::int64_t left) {
    if (done_ >= rise_point()) {
      ++shown_;
      redraw_ = true;
    }
    bool report = std::exchange(redraw_, false);
    // The next block at which the percentage rises starts a whole number of blocks on.
    std::int64_t span = left;
    std::int64_t ahead = rise_point() - done_;
    if (ahead < left) {
      std::int64_t blocks = ahead <= 0 ? 1 : (ahead + block_size - 1) / block_size;
      if (blocks * block_size < left) span = blocks * block_size;
    }
    return {span, report};
  }
  void moved(std::int64_t bytes) { done_ += bytes; }

 private:
  // The smallest count of bytes done at which done * 100 / total exceeds the shown percentage,
  // worked out without forming a product that could overflow.
  std::int64_t rise_point() const {
    // 100 % is the screen's own completion display; a join whose pieces grew after they were
    // counted copies past its total, and must not show that display halfway.
    if (total_ <= 0 || shown_ >= 99) return std::numeric_limits<std::int64_t>::max();
    std::int64_t next = std::int64_t{shown_} + 1;
    std::int64_t whole = total_ / 100;
    std::int64_t part = total_ % 100;
    if (whole > (std::numeric_limits<std::int64_t>::max() - 100) / next)
      return std::numeric_limits<std::int64_t>::max();
    return whole * next + (part * next + 99) / 100;
  }

  std::int64_t total_;
  std::int64_t done_ = 0;
  std::uint16_t shown_ = 0;
  bool redraw_ = true;
};

enum class CopyResult { copied, read_failed, write_failed };

using ProgressReport = std::function<void(std::uint16_t percent, std::int64_t done)>;

// Copies `size` bytes from the current position of `from` to `to` under the block accounting.
CopyResult copy_blocks(File& from, File& to, std::int64_t size, BlockProgress& progress,
                       const ProgressReport& report);

}  // namespace varnelo::splitjoin

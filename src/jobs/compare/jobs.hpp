#pragma once

// The two comparisons of the compare screen and the compare and find commands, on open files:
// equality up to the first difference, and every place where one file occurs in another. They
// report nothing: the fault comes back for the face to word.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "io/file.hpp"
#include "io/result.hpp"
#include "support/progress_schedule.hpp"

namespace varnelo {

struct EqualityResult {
  // A file that could not be read.
  FileFault fault;
  // Offset of the first byte that differs, or -1 when the files are equal.
  std::int64_t difference = -1;
  // Bytes processed as the completion display shows them: the size, or the offset of the
  // 4096-byte block that held the difference.
  std::int64_t shown_bytes = 0;
  // Of two streams read to their ends: 1 or 2 when that one ended first, all its bytes equal to
  // the other's, after `length` bytes.
  int shorter = 0;
  std::int64_t length = 0;
};

// Compares `size` bytes from the current positions of both files. The first file goes through
// the block pump, which calls `show` before every 4096-byte block where the percentage rose;
// the second is read in step with it, in the caller's turn.
EqualityResult compare_equal(File& first, File& second, std::int64_t size, const ProgressDisplay& show,
                             std::size_t buffer_size = std::size_t{1} << 20);

// Compares two inputs of which at least one is a stream, each read to its end from its current
// position: where they first differ, or which one ended first. The end being unknown, the
// display shows the bytes compared so far.
EqualityResult compare_streams(File& first, File& second, const ProgressDisplay& show,
                               std::size_t buffer_size = std::size_t{1} << 20);

struct Occurrences {
  // A file that could not be read.
  FileFault fault;
  // Start offsets of the occurrences, leftmost first, never overlapping; at most 4096.
  std::vector<std::int64_t> positions;
  // Bytes processed as the completion display shows them.
  std::int64_t shown_bytes = 0;
  // The list filled while the part of the host left unsearched could still hold another one.
  bool rest_unsearched = false;
};

// Lists where the part occurs in the host (1 <= part_size <= host_size), as the containment
// search finds them, with the display due before each 4096-byte step where the percentage of
// the host searched rose.
Occurrences find_occurrences_in(File& host, std::int64_t host_size, File& part, std::int64_t part_size,
                                const ProgressDisplay& show);

}  // namespace varnelo

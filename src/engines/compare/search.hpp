#pragma once

// The two comparisons of the compare screen, as engines that read their files through a
// ByteSource and report progress through a callback; they never print.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace varnelo {

// Random access to the bytes of one file (or of a memory buffer, in tests).
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  // Reads exactly `count` bytes from `offset` on; false when they could not all be read.
  virtual bool read_at(std::int64_t offset, unsigned char* buffer, std::size_t count) = 0;
};

// Progress is counted in steps of this many bytes: the callback receives the offset of each
// step before the step is done (0, 4096, 8192, ...).
inline constexpr std::int64_t progress_step = 4096;
using ProgressCallback = std::function<void(std::int64_t step_offset)>;

// The position list never holds more entries than this.
inline constexpr std::int64_t position_list_limit = 4096;

// Buffer sizes and choices of the containment search; tests shrink them to reach every
// buffer boundary with small inputs.
struct SearchTuning {
  std::size_t cursor_buffer = 512 * 1024;  // each of the two host cursors
  std::size_t check_buffer = 256 * 1024;   // host and part bytes read to confirm a candidate
  std::size_t part_cache = 256 * 1024;     // a part up to this size is kept whole in memory
  std::size_t prefix = 32;                 // part bytes compared before a candidate is hashed
  std::uint64_t hash_base = 0;             // 0 picks a random base for every search
};

enum class ReadFailure { none, host, part };

struct SearchResult {
  ReadFailure failure = ReadFailure::none;
  // Start offsets of the occurrences, leftmost first, never overlapping.
  std::vector<std::int64_t> positions;
  // Bytes processed as the completion display shows them: the host size, or, when the list
  // filled, the offset of the step that completed the last occurrence.
  std::int64_t scan_end = 0;
  // The list filled while the part of the host left unsearched could still hold another one.
  bool rest_unsearched = false;
};

// Lists where the part occurs in the host (1 <= part_size <= host_size): an attempt at s
// matches when all part bytes agree, the next attempt then starts at s + part_size, and after
// a failure at s + 1. The list holds at most min(host_size / part_size, 4096) entries and the
// search stops when it is full. Time is linear in the host size whatever the bytes are.
SearchResult find_occurrences(ByteSource& host, std::int64_t host_size, ByteSource& part,
                              std::int64_t part_size, const ProgressCallback& progress,
                              const SearchTuning& tuning = {});

}  // namespace varnelo

#pragma once

// The equality comparison: two files of the same size compared byte for byte up to the first
// difference.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "io/file.hpp"

namespace varnelo {

enum class EqualityFailure { none, first, second };

struct EqualityResult {
  EqualityFailure failure = EqualityFailure::none;
  // Offset of the first byte that differs, or -1 when the files are equal.
  std::int64_t difference = -1;
  // Bytes processed as the completion display shows them: the size, or the offset of the
  // 4096-byte block that held the difference.
  std::int64_t shown_bytes = 0;
};

// Compares `size` bytes from the current positions of both files. The first file goes through
// the block pump, which calls `show` before every 4096-byte block where the percentage rose;
// the second is read in step with it, in the caller's turn.
EqualityResult compare_equal(File& first, File& second, std::int64_t size,
                             const std::function<void(std::uint16_t percent, std::int64_t bytes)>& show,
                             std::size_t buffer_size = std::size_t{1} << 20);

}  // namespace varnelo

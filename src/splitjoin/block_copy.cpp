#include "splitjoin/block_copy.hpp"

#include <algorithm>
#include <span>

namespace varnelo::splitjoin {

namespace {

// Bytes move in reads and writes of at most 1 MiB, cut afresh at the start of every span of the
// accounting, so that a failure leaves the same bytes written however far the reader had got.
constexpr std::int64_t chunk_size = std::int64_t{1} << 20;
// While the output takes one chunk, a second thread reads the next two.
constexpr int chunk_buffers = 3;

}  // namespace

CopyResult copy_blocks(File& from, File& to, std::int64_t size, BlockProgress& progress,
                       const ProgressReport& report) {
  // Space reserved ahead makes a long run of writes cheaper for the file system; only a hint.
  if (size >= chunk_size) to.reserve(to.position() + size);

  // The reader walks its own copy of the accounting, to cut its reads where the writes are cut.
  ReadAhead reader(from, size, static_cast<std::size_t>(chunk_size), chunk_buffers,
                   [plan = progress, left = size, span_left = std::int64_t{0}](std::int64_t) mutable {
                     if (span_left == 0) {
                       span_left = plan.next_span(left).bytes;
                       plan.moved(span_left);
                       left -= span_left;
                     }
                     std::int64_t take = std::min(span_left, chunk_size);
                     span_left -= take;
                     return static_cast<std::size_t>(take);
                   });
  CopyResult result = CopyResult::copied;
  progress.run(
      size,
      [&](std::int64_t span) {
        while (span > 0) {
          std::span<const std::uint8_t> chunk = reader.next();
          if (reader.came_short() || chunk.empty() || static_cast<std::int64_t>(chunk.size()) > span) {
            result = CopyResult::read_failed;
            return false;
          }
          if (!to.write(chunk.data(), chunk.size())) {
            result = CopyResult::write_failed;
            return false;
          }
          span -= static_cast<std::int64_t>(chunk.size());
        }
        return true;
      },
      report);
  return result;
}

}  // namespace varnelo::splitjoin

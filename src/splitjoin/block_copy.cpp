#include "splitjoin/block_copy.hpp"

namespace varnelo::splitjoin {

CopyResult copy_blocks(File& from, File& to, std::int64_t size, BlockProgress& progress,
                       const ProgressReport& report) {
  File::CopyFault fault = File::CopyFault::none;
  bool copied = progress.run(
      size,
      [&](std::int64_t bytes) {
        fault = to.copy_checked(from, bytes);
        return fault == File::CopyFault::none;
      },
      report);
  if (copied) return CopyResult::copied;
  return fault == File::CopyFault::read ? CopyResult::read_failed : CopyResult::write_failed;
}

}  // namespace varnelo::splitjoin

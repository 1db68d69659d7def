#pragma once

// The hashing job, shared by the checksum screen and the sum command: a whole file through one
// algorithm or several, every byte read once.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "checksum/digest_set.hpp"
#include "io/file.hpp"
#include "io/result.hpp"
#include "support/progress_schedule.hpp"

namespace varnelo {

struct Digests {
  // A read that failed.
  FileFault fault;
  // Lower-case hexadecimal, in the order the algorithms were given; Checksum64 with all 16 digits.
  std::vector<std::string> digests;
  // Bytes processed as the completion display shows them: the whole padded message of a single
  // block hash, the size otherwise.
  std::int64_t shown_bytes = 0;
};

// Hashes `size` bytes of the file (BlockPump::to_the_end: all there is) with every algorithm
// given. The display counts the blocks of a single block hash, its padding included; single
// bytes of Checksum64 alone, from the first byte on; 4096-byte blocks of several algorithms.
// Several algorithms share `threads` threads (0: one per core); with one, the file is read in
// the same thread too, with no reading ahead.
Digests hash_file(File& file, std::int64_t size, const std::vector<Algorithm>& algorithms,
                  const ProgressDisplay& show, unsigned threads = 0);

// Two measured files hashed side by side on the calling thread, with no display: as
// hash_file(a, size_a, algorithms, {}, 1) and the same of b, in less time where the algorithms
// pair well (see DigestSet::pairs_well).
std::pair<Digests, Digests> hash_two_files(File& a, std::int64_t size_a, File& b, std::int64_t size_b,
                                           const std::vector<Algorithm>& algorithms);

}  // namespace varnelo

#pragma once

// The cipher job, shared by the encrypt and decrypt screens and commands: a file keyed into an
// output. Reports nothing: the fault comes back for the face to word.

#include <cstdint>
#include <span>

#include "io/file.hpp"
#include "io/output.hpp"
#include "io/result.hpp"
#include "support/progress_schedule.hpp"

namespace varnelo {

// The key of a run: the bytes of a text key, or an open key file of the size measured.
struct CipherKey {
  std::span<const std::uint8_t> text;
  File* file = nullptr;
  std::int64_t file_size = 0;
};

// Whether a key file of `key_size` bytes can key an input of `input_size` bytes (or of a size
// not known, -1): an empty key has no byte to key the data with; an empty input needs none.
inline bool key_fits(std::int64_t key_size, std::int64_t input_size) {
  return key_size > 0 || input_size == 0;
}

// Keys `size` bytes of the input (BlockPump::to_the_end: all there is) into the output with
// operation 0 XOR, 1 addition or 2 subtraction, then gives the output its name. The fault of
// the input, the key file or the output when the run did not complete.
FileFault apply_cipher(File& input, std::int64_t size, Output& output, unsigned operation,
                       const CipherKey& key, const ProgressDisplay& show);

}  // namespace varnelo

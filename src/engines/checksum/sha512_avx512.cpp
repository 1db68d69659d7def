// Built with AVX-512, whose rotations and three-way logic shorten the message schedule.
#include "checksum/sha512_x86.hpp"

namespace varnelo::compress {

void sha512_avx512(std::uint64_t* state, const std::uint8_t* blocks, std::size_t count) {
  sha512_vector::blocks(state, blocks, count);
}

}  // namespace varnelo::compress

#include "checksum/sha512_x86.hpp"

namespace varnelo::compress {

void sha512_avx2(std::uint64_t* state, const std::uint8_t* blocks, std::size_t count) {
  sha512_vector::blocks(state, blocks, count);
}

}  // namespace varnelo::compress

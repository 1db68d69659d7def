#include <utility>

#include "checksum/bits.hpp"
#include "checksum/compress.hpp"

namespace varnelo::compress {

namespace {

using bits::rotl;

// Step I; the five working words keep their slots while their roles rotate by one per step.
template <int I>
VARNELO_ALWAYS_INLINE void step(std::uint32_t (&v)[5], std::uint32_t (&w)[16]) {
  constexpr int shift = 5 - I % 5;
  std::uint32_t a = v[(shift + 0) % 5], c = v[(shift + 2) % 5], d = v[(shift + 3) % 5];
  std::uint32_t& b = v[(shift + 1) % 5];
  std::uint32_t& e = v[(shift + 4) % 5];
  if constexpr (I >= 16)
    w[I & 15] = rotl<1>(w[(I - 3) & 15] ^ w[(I - 8) & 15] ^ w[(I - 14) & 15] ^ w[I & 15]);
  std::uint32_t f;
  std::uint32_t k;
  if constexpr (I < 20) {
    f = d ^ (b & (c ^ d));
    k = 0x5a827999;
  } else if constexpr (I < 40) {
    f = b ^ c ^ d;
    k = 0x6ed9eba1;
  } else if constexpr (I < 60) {
    f = (b & c) | (d & (b | c));
    k = 0x8f1bbcdc;
  } else {
    f = b ^ c ^ d;
    k = 0xca62c1d6;
  }
  e += rotl<5>(a) + f + k + w[I & 15];
  b = rotl<30>(b);
}

template <std::size_t... I>
VARNELO_ALWAYS_INLINE void steps(std::uint32_t (&v)[5], std::uint32_t (&w)[16], std::index_sequence<I...>) {
  (step<static_cast<int>(I)>(v, w), ...);
}

}  // namespace

void sha1_portable(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count) {
  for (; count > 0; --count, blocks += 64) {
    std::uint32_t w[16];
    for (int i = 0; i < 16; ++i)
      w[i] = bits::load_be32(blocks + 4 * i);
    std::uint32_t v[5];
    for (int i = 0; i < 5; ++i)
      v[i] = state[i];
    steps(v, w, std::make_index_sequence<80>{});
    for (int i = 0; i < 5; ++i)
      state[i] += v[i];
  }
}

}  // namespace varnelo::compress

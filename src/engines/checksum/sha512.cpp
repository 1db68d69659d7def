#include <utility>

#include "checksum/bits.hpp"
#include "checksum/compress.hpp"
#include "checksum/round_constants.hpp"

namespace varnelo::compress {

namespace {

using bits::rotr64;

// Round I; the working words keep their slots and their roles rotate (as in the 32-bit engine).
template <int I>
VARNELO_ALWAYS_INLINE void round(std::uint64_t (&v)[8], std::uint64_t (&w)[16]) {
  constexpr int shift = 8 - I % 8;
  std::uint64_t a = v[(shift + 0) % 8], b = v[(shift + 1) % 8], c = v[(shift + 2) % 8];
  std::uint64_t e = v[(shift + 4) % 8], f = v[(shift + 5) % 8], g = v[(shift + 6) % 8];
  std::uint64_t& d = v[(shift + 3) % 8];
  std::uint64_t& h = v[(shift + 7) % 8];
  if constexpr (I >= 16) {
    std::uint64_t w2 = w[(I - 2) & 15], w15 = w[(I - 15) & 15];
    w[I & 15] += (rotr64<19>(w2) ^ rotr64<61>(w2) ^ (w2 >> 6)) + w[(I - 7) & 15] +
                 (rotr64<1>(w15) ^ rotr64<8>(w15) ^ (w15 >> 7));
  }
  // Grouped so that the chains from e to the next e and from a to the next a are the rotations
  // and one addition; Maj(a, b, c) = (a & (b ^ c)) + (b & c), the two parts sharing no bit.
  std::uint64_t hk = h + sha512_k[I] + w[I & 15];
  std::uint64_t ch = g ^ (e & (f ^ g));
  std::uint64_t s1 = rotr64<14>(e) ^ rotr64<18>(e) ^ rotr64<41>(e);
  std::uint64_t t1 = (hk + ch) + s1;
  d = ((d + hk) + ch) + s1;
  h = ((t1 + (b & c)) + (a & (b ^ c))) + (rotr64<28>(a) ^ rotr64<34>(a) ^ rotr64<39>(a));
}

template <std::size_t... I>
VARNELO_ALWAYS_INLINE void rounds(std::uint64_t (&v)[8], std::uint64_t (&w)[16], std::index_sequence<I...>) {
  (round<static_cast<int>(I)>(v, w), ...);
}

}  // namespace

void sha512_portable(std::uint64_t* state, const std::uint8_t* blocks, std::size_t count) {
  for (; count > 0; --count, blocks += 128) {
    std::uint64_t w[16];
    for (int i = 0; i < 16; ++i)
      w[i] = bits::load_be64(blocks + 8 * i);
    std::uint64_t v[8];
    for (int i = 0; i < 8; ++i)
      v[i] = state[i];
    rounds(v, w, std::make_index_sequence<80>{});
    for (int i = 0; i < 8; ++i)
      state[i] += v[i];
  }
}

}  // namespace varnelo::compress

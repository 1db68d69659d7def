#include <utility>

#include "checksum/bits.hpp"
#include "checksum/compress.hpp"
#include "checksum/round_constants.hpp"

namespace varnelo::compress {

namespace {

using bits::rotr;

// Round I of the compression. The eight working words stay in place and their roles rotate by
// one slot per round, so no word is ever moved; the schedule is a ring of 16 words.
template <int I>
VARNELO_ALWAYS_INLINE void round(std::uint32_t (&v)[8], std::uint32_t (&w)[16]) {
  constexpr int shift = 8 - I % 8;
  std::uint32_t a = v[(shift + 0) % 8], b = v[(shift + 1) % 8], c = v[(shift + 2) % 8];
  std::uint32_t e = v[(shift + 4) % 8], f = v[(shift + 5) % 8], g = v[(shift + 6) % 8];
  std::uint32_t& d = v[(shift + 3) % 8];
  std::uint32_t& h = v[(shift + 7) % 8];
  if constexpr (I >= 16) {
    std::uint32_t w2 = w[(I - 2) & 15], w15 = w[(I - 15) & 15];
    w[I & 15] += (rotr<17>(w2) ^ rotr<19>(w2) ^ (w2 >> 10)) + w[(I - 7) & 15] +
                 (rotr<7>(w15) ^ rotr<18>(w15) ^ (w15 >> 3));
  }
  // Grouped so that the chains from e to the next e and from a to the next a are the rotations
  // and one addition; Maj(a, b, c) = (a & (b ^ c)) + (b & c), the two parts sharing no bit.
  std::uint32_t hk = h + sha256_k[I] + w[I & 15];
  std::uint32_t ch = g ^ (e & (f ^ g));
  std::uint32_t s1 = rotr<6>(e) ^ rotr<11>(e) ^ rotr<25>(e);
  std::uint32_t t1 = (hk + ch) + s1;
  d = ((d + hk) + ch) + s1;
  h = ((t1 + (b & c)) + (a & (b ^ c))) + (rotr<2>(a) ^ rotr<13>(a) ^ rotr<22>(a));
}

template <std::size_t... I>
VARNELO_ALWAYS_INLINE void rounds(std::uint32_t (&v)[8], std::uint32_t (&w)[16], std::index_sequence<I...>) {
  (round<static_cast<int>(I)>(v, w), ...);
}

}  // namespace

void sha256_portable(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count) {
  for (; count > 0; --count, blocks += 64) {
    std::uint32_t w[16];
    for (int i = 0; i < 16; ++i)
      w[i] = bits::load_be32(blocks + 4 * i);
    std::uint32_t v[8];
    for (int i = 0; i < 8; ++i)
      v[i] = state[i];
    rounds(v, w, std::make_index_sequence<64>{});
    for (int i = 0; i < 8; ++i)
      state[i] += v[i];
  }
}

}  // namespace varnelo::compress

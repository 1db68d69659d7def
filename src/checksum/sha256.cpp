#include <utility>

#include "checksum/bits.hpp"
#include "checksum/compress.hpp"

namespace varnelo::compress {

namespace {

using bits::rotr;

constexpr std::uint32_t k[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

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
  std::uint32_t hk = h + k[I] + w[I & 15];
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

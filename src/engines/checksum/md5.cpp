#include <utility>

#include "checksum/bits.hpp"
#include "checksum/compress.hpp"

namespace varnelo::compress {

namespace {

constexpr std::uint32_t t[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391,
};

constexpr int shifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

// Step I of the four rounds; the roles of the four words rotate by one slot per step.
template <int I>
VARNELO_ALWAYS_INLINE void step(std::uint32_t (&v)[4], const std::uint32_t (&x)[16]) {
  constexpr int shift = 4 - I % 4;
  constexpr int round = I / 16, j = I % 16;
  constexpr int word = round == 0   ? j
                       : round == 1 ? (5 * j + 1) % 16
                       : round == 2 ? (3 * j + 5) % 16
                                    : (7 * j) % 16;
  std::uint32_t& a = v[(shift + 0) % 4];
  std::uint32_t b = v[(shift + 1) % 4], c = v[(shift + 2) % 4], d = v[(shift + 3) % 4];
  // The message word and constant join a before the boolean function, which waits for b.
  std::uint32_t sum = a + x[word] + t[I];
  if constexpr (round == 0) {
    sum += d ^ (b & (c ^ d));
  } else if constexpr (round == 1) {
    // (b & d) | (c & ~d) has no carries between its two halves, so it can be added in two
    // parts, the one without b first.
    sum += c & ~d;
    sum += b & d;
  } else if constexpr (round == 2) {
    sum += b ^ c ^ d;
  } else {
    sum += c ^ (b | ~d);
  }
  a = b + bits::rotl<shifts[round][I % 4]>(sum);
}

template <std::size_t... I>
VARNELO_ALWAYS_INLINE void steps(std::uint32_t (&v)[4], const std::uint32_t (&x)[16],
                                 std::index_sequence<I...>) {
  (step<static_cast<int>(I)>(v, x), ...);
}

}  // namespace

void md5_portable(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count) {
  for (; count > 0; --count, blocks += 64) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
      x[i] = bits::load_le32(blocks + 4 * i);
    std::uint32_t v[4];
    for (int i = 0; i < 4; ++i)
      v[i] = state[i];
    steps(v, x, std::make_index_sequence<64>{});
    for (int i = 0; i < 4; ++i)
      state[i] += v[i];
  }
}

}  // namespace varnelo::compress

#include <utility>

#include "checksum/bits.hpp"
#include "checksum/compress.hpp"

namespace varnelo::compress {

namespace {

constexpr int left_word[80] = {
    0,  1, 2,  3,  4, 5,  6,  7,  8, 9, 10, 11, 12, 13, 14, 15, 7, 4,  13, 1, 10, 6, 15, 3,  12, 0,  9,
    5,  2, 14, 11, 8, 3,  10, 14, 4, 9, 15, 8,  1,  2,  7,  0,  6, 13, 11, 5, 12, 1, 9,  11, 10, 0,  8,
    12, 4, 13, 3,  7, 15, 14, 5,  6, 2, 4,  0,  5,  9,  7,  12, 2, 10, 14, 1, 3,  8, 11, 6,  15, 13,
};
constexpr int right_word[80] = {
    5,  14, 7, 0,  9, 2,  11, 4, 13, 6,  15, 8,  1,  10, 3, 12, 6, 11, 3, 7, 0,  13, 5, 10, 14, 15, 8,
    12, 4,  9, 1,  2, 15, 5,  1, 3,  7,  14, 6,  9,  11, 8, 12, 2, 10, 0, 4, 13, 8,  6, 4,  1,  3,  11,
    15, 0,  5, 12, 2, 13, 9,  7, 10, 14, 12, 15, 10, 4,  1, 5,  8, 7,  6, 2, 13, 14, 0, 3,  9,  11,
};
constexpr int left_rotation[80] = {
    11, 14, 15, 12, 5,  8,  7,  9, 11, 13, 14, 15, 6,  7,  9, 8,  7,  6,  8,  13, 11, 9,  7,  15, 7,  12, 15,
    9,  11, 7,  13, 12, 11, 13, 6, 7,  14, 9,  13, 15, 14, 8, 13, 6,  5,  12, 7,  5,  11, 12, 14, 15, 14, 15,
    9,  8,  9,  14, 5,  6,  8,  6, 5,  12, 9,  15, 5,  11, 6, 8,  13, 12, 5,  12, 13, 14, 11, 8,  5,  6,
};
constexpr int right_rotation[80] = {
    8, 9,  9,  11, 13, 15, 15, 5,  7,  7, 8, 11, 14, 14, 12, 6, 9,  13, 15, 7,  12, 8,  9,  11, 7,  7,  12,
    7, 6,  15, 13, 11, 9,  7,  15, 11, 8, 6, 6,  14, 12, 13, 5, 14, 13, 13, 7,  5,  15, 5,  8,  11, 14, 14,
    6, 14, 6,  9,  12, 9,  12, 5,  15, 8, 8, 5,  12, 9,  12, 5, 14, 6,  8,  13, 6,  5,  15, 13, 11, 11,
};
constexpr std::uint32_t left_constant[5] = {0x00000000, 0x5a827999, 0x6ed9eba1, 0x8f1bbcdc, 0xa953fd4e};
constexpr std::uint32_t right_constant[5] = {0x50a28be6, 0x5c4dd124, 0x6d703ef3, 0x7a6d76e9, 0x00000000};

// The boolean functions f1, f2, f3 and f5, numbered from 0 here; f4 is added in two parts
// inside the step.
template <int F>
VARNELO_ALWAYS_INLINE std::uint32_t f(std::uint32_t x, std::uint32_t y, std::uint32_t z) {
  if constexpr (F == 0) return x ^ y ^ z;
  if constexpr (F == 1) return z ^ (x & (y ^ z));
  if constexpr (F == 2) return (x | ~y) ^ z;
  if constexpr (F == 4) return x ^ (y | ~z);
}

// Step J of one line: A = rol(A + f(B, C, D) + X + K, s) + E and C = rol(C, 10); the roles of
// the five words rotate by one slot per step instead of being moved.
template <int J, int F, int Word, int Rotation>
VARNELO_ALWAYS_INLINE void step(std::uint32_t (&v)[5], const std::uint32_t (&x)[16], std::uint32_t constant) {
  constexpr int shift = 5 - J % 5;
  std::uint32_t& a = v[(shift + 0) % 5];
  std::uint32_t& c = v[(shift + 2) % 5];
  std::uint32_t b = v[(shift + 1) % 5], d = v[(shift + 3) % 5], e = v[(shift + 4) % 5];
  // a, the message word and the constant are known early; only f waits for the newest word b.
  std::uint32_t sum = a + x[Word] + constant;
  if constexpr (F == 3) {
    // (b & d) | (c & ~d) has no carries between its halves: the half without b goes in first.
    sum += c & ~d;
    sum += b & d;
  } else {
    sum += f<F>(b, c, d);
  }
  a = bits::rotl<Rotation>(sum) + e;
  c = bits::rotl<10>(c);
}

// Both lines side by side, so the processor can overlap their independent chains.
template <int J>
VARNELO_ALWAYS_INLINE void step_pair(std::uint32_t (&left)[5], std::uint32_t (&right)[5],
                                     const std::uint32_t (&x)[16]) {
  constexpr int round = J / 16;
  step<J, round, left_word[J], left_rotation[J]>(left, x, left_constant[round]);
  step<J, 4 - round, right_word[J], right_rotation[J]>(right, x, right_constant[round]);
}

template <std::size_t... J>
VARNELO_ALWAYS_INLINE void steps(std::uint32_t (&left)[5], std::uint32_t (&right)[5],
                                 const std::uint32_t (&x)[16], std::index_sequence<J...>) {
  (step_pair<static_cast<int>(J)>(left, right, x), ...);
}

}  // namespace

void ripemd160_portable(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count) {
  for (; count > 0; --count, blocks += 64) {
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
      x[i] = bits::load_le32(blocks + 4 * i);
    std::uint32_t left[5], right[5];
    for (int i = 0; i < 5; ++i)
      left[i] = right[i] = state[i];
    steps(left, right, x, std::make_index_sequence<80>{});
    std::uint32_t t = state[1] + left[2] + right[3];
    state[1] = state[2] + left[3] + right[4];
    state[2] = state[3] + left[4] + right[0];
    state[3] = state[4] + left[0] + right[1];
    state[4] = state[0] + left[1] + right[2];
    state[0] = t;
  }
}

}  // namespace varnelo::compress

#include <immintrin.h>

#include <array>
#include <cstdint>

#include "encoding/wide_kernels.hpp"

namespace varnelo::wide {

namespace {

using Lanes = std::array<std::uint8_t, 32>;

// The binary entries of 32 bytes are 288 characters, nine vectors. A shuffle works inside each
// 16-byte half, so vectors 0-3 take their bytes from a copy of the first 16 input bytes in
// both halves, vectors 5-8 from a copy of the last 16, and vector 4, whose first half shows
// bytes 14-15 and second half bytes 16-17, from the input as loaded.
struct BinaryPatterns {
  Lanes source[9];
  Lanes bit[9];
  Lanes base[9];
};

constexpr BinaryPatterns make_binary_patterns() {
  BinaryPatterns patterns{};
  for (int p = 0; p < 288; ++p) {
    int byte = p / 9, place = p % 9;
    int vector = p / 32, lane = p % 32;
    patterns.source[vector][lane] = place == 0 ? 0x80 : static_cast<std::uint8_t>(byte % 16);
    patterns.bit[vector][lane] = place == 0 ? 0 : static_cast<std::uint8_t>(0x80 >> (place - 1));
    patterns.base[vector][lane] = place == 0 ? ' ' - 1 : '0';
  }
  return patterns;
}

constexpr BinaryPatterns binary_patterns = make_binary_patterns();

__m256i load(const Lanes& lanes) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lanes.data()));
}

}  // namespace

std::size_t binary_entries_avx2(const std::uint8_t* data, std::size_t count, char* out) {
  const __m256i one = _mm256_set1_epi8(1);
  std::size_t done = 0;
  for (; count - done >= 32; done += 32) {
    __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(data + done));
    __m256i first = _mm256_permute2x128_si256(bytes, bytes, 0x00);
    __m256i last = _mm256_permute2x128_si256(bytes, bytes, 0x11);
    for (int vector = 0; vector < 9; ++vector) {
      __m256i from = vector < 4 ? first : vector == 4 ? bytes : last;
      __m256i bit = load(binary_patterns.bit[vector]);
      __m256i spread = _mm256_shuffle_epi8(from, load(binary_patterns.source[vector]));
      __m256i set = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_and_si256(spread, bit), bit), one);
      __m256i text = _mm256_add_epi8(load(binary_patterns.base[vector]), set);
      _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + 32 * vector), text);
    }
    out += 288;
  }
  return done;
}

}  // namespace varnelo::wide

#include "compare/pair_scan.hpp"

#include <bit>
#include <cstring>

#include "support/cpu_features.hpp"

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define VARNELO_SSE2_SCAN 1
#endif

namespace varnelo {

std::size_t find_pair_portable(const unsigned char* a, const unsigned char* b, std::size_t count,
                               unsigned char first, unsigned char second) {
  std::size_t i = 0;
  while (i < count) {
    const void* hit = std::memchr(a + i, first, count - i);
    if (hit == nullptr) return count;
    i = static_cast<std::size_t>(static_cast<const unsigned char*>(hit) - a);
    if (b[i] == second) return i;
    ++i;
  }
  return count;
}

#ifdef VARNELO_SSE2_SCAN

namespace {

inline int pair_mask(const unsigned char* a, const unsigned char* b, __m128i first, __m128i second) {
  __m128i at_a = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(a)), first);
  __m128i at_b = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b)), second);
  return _mm_movemask_epi8(_mm_and_si128(at_a, at_b));
}

std::size_t find_pair_sse2(const unsigned char* a, const unsigned char* b, std::size_t count,
                           unsigned char first, unsigned char second) {
  const __m128i first_bytes = _mm_set1_epi8(static_cast<char>(first));
  const __m128i second_bytes = _mm_set1_epi8(static_cast<char>(second));
  std::size_t i = 0;
  // Four vectors per round keep the loads busy; the masks are only taken apart on a hit.
  for (; i + 64 <= count; i += 64) {
    int m0 = pair_mask(a + i, b + i, first_bytes, second_bytes);
    int m1 = pair_mask(a + i + 16, b + i + 16, first_bytes, second_bytes);
    int m2 = pair_mask(a + i + 32, b + i + 32, first_bytes, second_bytes);
    int m3 = pair_mask(a + i + 48, b + i + 48, first_bytes, second_bytes);
    if ((m0 | m1 | m2 | m3) == 0) continue;
    auto all = static_cast<unsigned long long>(static_cast<unsigned>(m0)) |
               static_cast<unsigned long long>(static_cast<unsigned>(m1)) << 16 |
               static_cast<unsigned long long>(static_cast<unsigned>(m2)) << 32 |
               static_cast<unsigned long long>(static_cast<unsigned>(m3)) << 48;
    return i + static_cast<std::size_t>(std::countr_zero(all));
  }
  for (; i + 16 <= count; i += 16) {
    int mask = pair_mask(a + i, b + i, first_bytes, second_bytes);
    if (mask != 0) return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(mask)));
  }
  for (; i < count; ++i)
    if (a[i] == first && b[i] == second) return i;
  return count;
}

}  // namespace

#endif

PairFinder best_pair_finder() {
#ifdef VARNELO_SSE2_SCAN
  // SSE2 is part of every x86-64 processor; asking anyway lets a test mask it off.
  if (cpu_features().sse2) return find_pair_sse2;
#endif
  return find_pair_portable;
}

}  // namespace varnelo

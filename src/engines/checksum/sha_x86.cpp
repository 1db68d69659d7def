// SHA-256 and SHA-1 with the x86 SHA extensions. Only this file is compiled with the
// instruction-set flags; the dispatcher calls it only after asking the processor.

#include <immintrin.h>

#include "checksum/compress.hpp"
#include "checksum/round_constants.hpp"

namespace varnelo::compress {

namespace {

// SHA-1: four steps with round function F, on message group `m` (E folded into its top lane).
template <int F>
inline void sha1_group(__m128i& abcd, __m128i& e_source, __m128i m, bool first, __m128i e0) {
  __m128i wk = first ? _mm_add_epi32(e0, m) : _mm_sha1nexte_epu32(e_source, m);
  e_source = abcd;
  abcd = _mm_sha1rnds4_epu32(abcd, wk, F);
}

// One message's state in the instructions' lane groups, and its message words of the moment.
struct Lane256 {
  __m128i abef, cdgh;
  __m128i m[4];
  const std::uint8_t* blocks;

  explicit Lane256(const std::uint32_t* state, const std::uint8_t* first) : blocks(first) {
    __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state));
    __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4));
    __m128i badc = _mm_shuffle_epi32(dcba, 0xb1);
    __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1b);
    abef = _mm_alignr_epi8(badc, efgh, 8);
    cdgh = _mm_blend_epi16(efgh, badc, 0xf0);
  }

  void store(std::uint32_t* state) const {
    __m128i feba = _mm_shuffle_epi32(abef, 0x1b);
    __m128i dchg = _mm_shuffle_epi32(cdgh, 0xb1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(feba, dchg, 0xf0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(dchg, feba, 8));
  }

  void load_block(__m128i byte_swap) {
    for (int i = 0; i < 4; ++i)
      m[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byte_swap);
    blocks += 64;
  }

  // Four rounds, group g of sixteen, then the schedule of words 16 ahead:
  // W[t-16] + s0(W[t-15]) + W[t-7] + s1(W[t-2]).
  void rounds(int g) {
    __m128i wk = _mm_add_epi32(m[g & 3], _mm_load_si128(reinterpret_cast<const __m128i*>(sha256_k + 4 * g)));
    cdgh = _mm_sha256rnds2_epu32(cdgh, abef, wk);
    abef = _mm_sha256rnds2_epu32(abef, cdgh, _mm_shuffle_epi32(wk, 0x0e));
    if (g < 12) {
      __m128i partial = _mm_add_epi32(_mm_sha256msg1_epu32(m[g & 3], m[(g + 1) & 3]),
                                      _mm_alignr_epi8(m[(g + 3) & 3], m[(g + 2) & 3], 4));
      m[g & 3] = _mm_sha256msg2_epu32(partial, m[(g + 3) & 3]);
    }
  }
};

}  // namespace

void sha256_x86_two(std::uint32_t* state_a, const std::uint8_t* blocks_a, std::uint32_t* state_b,
                    const std::uint8_t* blocks_b, std::size_t count) {
  // Each round waits on the one before it; two messages side by side fill the wait.
  const __m128i byte_swap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  Lane256 a(state_a, blocks_a), b(state_b, blocks_b);
  for (; count > 0; --count) {
    const __m128i abef_a = a.abef, cdgh_a = a.cdgh, abef_b = b.abef, cdgh_b = b.cdgh;
    a.load_block(byte_swap);
    b.load_block(byte_swap);
#pragma GCC unroll 16
    for (int g = 0; g < 16; ++g) {
      a.rounds(g);
      b.rounds(g);
    }
    a.abef = _mm_add_epi32(a.abef, abef_a);
    a.cdgh = _mm_add_epi32(a.cdgh, cdgh_a);
    b.abef = _mm_add_epi32(b.abef, abef_b);
    b.cdgh = _mm_add_epi32(b.cdgh, cdgh_b);
  }
  a.store(state_a);
  b.store(state_b);
}

void sha256_x86(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count) {
  const __m128i byte_swap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);
  Lane256 lane(state, blocks);
  for (; count > 0; --count) {
    const __m128i abef_saved = lane.abef, cdgh_saved = lane.cdgh;
    lane.load_block(byte_swap);
#pragma GCC unroll 16
    for (int g = 0; g < 16; ++g)
      lane.rounds(g);
    lane.abef = _mm_add_epi32(lane.abef, abef_saved);
    lane.cdgh = _mm_add_epi32(lane.cdgh, cdgh_saved);
  }
  lane.store(state);
}

void sha1_x86(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count) {
  // Reverses all 16 bytes: big-endian words, with word 0 in the top lane.
  const __m128i byte_swap = _mm_set_epi64x(0x0001020304050607ULL, 0x08090a0b0c0d0e0fULL);
  __m128i abcd = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0x1b);
  __m128i e0 = _mm_set_epi32(static_cast<int>(state[4]), 0, 0, 0);

  for (; count > 0; --count, blocks += 64) {
    const __m128i abcd_saved = abcd, e_saved = e0;
    __m128i m[4];
    for (int i = 0; i < 4; ++i)
      m[i] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * i)), byte_swap);
    __m128i e_source = e0;
    // Groups of four steps; group g+4 of the schedule is made once group g has been used.
    auto schedule = [&m](int g) {
      if (g < 16)
        m[g & 3] = _mm_sha1msg2_epu32(
            _mm_xor_si128(_mm_sha1msg1_epu32(m[g & 3], m[(g + 1) & 3]), m[(g + 2) & 3]), m[(g + 3) & 3]);
    };
#pragma GCC unroll 5
    for (int g = 0; g < 5; ++g) {
      sha1_group<0>(abcd, e_source, m[g & 3], g == 0, e0);
      schedule(g);
    }
#pragma GCC unroll 5
    for (int g = 5; g < 10; ++g) {
      sha1_group<1>(abcd, e_source, m[g & 3], false, e0);
      schedule(g);
    }
#pragma GCC unroll 5
    for (int g = 10; g < 15; ++g) {
      sha1_group<2>(abcd, e_source, m[g & 3], false, e0);
      schedule(g);
    }
#pragma GCC unroll 5
    for (int g = 15; g < 20; ++g) {
      sha1_group<3>(abcd, e_source, m[g & 3], false, e0);
      schedule(g);
    }
    // E after the last group is A from four steps earlier, rotated by 30.
    e0 = _mm_sha1nexte_epu32(e_source, e_saved);
    abcd = _mm_add_epi32(abcd, abcd_saved);
  }

  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_shuffle_epi32(abcd, 0x1b));
  state[4] = static_cast<std::uint32_t>(_mm_extract_epi32(e0, 3));
}

}  // namespace varnelo::compress

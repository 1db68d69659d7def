#pragma once

// SHA-512 for x86-64 with vector units: the message schedule runs two words at a time in
// vector registers, sixteen rounds ahead of the scalar rounds, which use the three-operand
// rotations of BMI2. Included by one source file per instruction set (AVX2, AVX-512), each
// compiled with its own flags; the dispatcher asks the processor before calling either.

#include <immintrin.h>

#include <utility>

#include "checksum/bits.hpp"
#include "checksum/compress.hpp"
#include "checksum/round_constants.hpp"

// Internal linkage on purpose: each including file must keep its own copy, built with its own
// instruction set, rather than share one through the linker.
namespace varnelo::compress::sha512_vector {
namespace {

using bits::rotr64;

template <int N>
VARNELO_ALWAYS_INLINE __m128i rotr_lanes(__m128i x) {
#if defined(__AVX512VL__)
  return _mm_ror_epi64(x, N);
#else
  return _mm_or_si128(_mm_srli_epi64(x, N), _mm_slli_epi64(x, 64 - N));
#endif
}

// Schedule words 2j and 2j+1 from the ring of the last eight pairs, stored with their round
// constants added.
template <int J>
VARNELO_ALWAYS_INLINE void schedule_pair(__m128i (&x)[8], std::uint64_t* wk) {
  __m128i w16 = x[(J - 8) & 7];
  __m128i w15 = _mm_alignr_epi8(x[(J - 7) & 7], w16, 8);
  __m128i w7 = _mm_alignr_epi8(x[(J - 3) & 7], x[(J - 4) & 7], 8);
  __m128i w2 = x[(J - 1) & 7];
  __m128i s0 = _mm_xor_si128(_mm_xor_si128(rotr_lanes<1>(w15), rotr_lanes<8>(w15)), _mm_srli_epi64(w15, 7));
  __m128i s1 = _mm_xor_si128(_mm_xor_si128(rotr_lanes<19>(w2), rotr_lanes<61>(w2)), _mm_srli_epi64(w2, 6));
  __m128i next = _mm_add_epi64(_mm_add_epi64(w16, s0), _mm_add_epi64(w7, s1));
  x[J & 7] = next;
  _mm_store_si128(reinterpret_cast<__m128i*>(wk + 2 * J),
                  _mm_add_epi64(next, _mm_load_si128(reinterpret_cast<const __m128i*>(sha512_k + 2 * J))));
}

// Round I, with the schedule pair for round I + 16 worked in between on the vector units.
// `ab` carries a ^ b into the next round, where it is b ^ c.
template <int I>
VARNELO_ALWAYS_INLINE void round(std::uint64_t (&v)[8], std::uint64_t& ab, __m128i (&x)[8],
                                 std::uint64_t* wk) {
  if constexpr (I % 2 == 0 && I / 2 + 8 < 40) schedule_pair<I / 2 + 8>(x, wk);
  constexpr int shift = 8 - I % 8;
  std::uint64_t a = v[(shift + 0) % 8], b = v[(shift + 1) % 8], c = v[(shift + 2) % 8];
  std::uint64_t e = v[(shift + 4) % 8], f = v[(shift + 5) % 8], g = v[(shift + 6) % 8];
  std::uint64_t& d = v[(shift + 3) % 8];
  std::uint64_t& h = v[(shift + 7) % 8];
  // Grouped so that the chain from e to the next e is the rotations and one addition
  // (d + h + wk + Ch is ready one step earlier), and the chain from a to the next a likewise:
  // Maj(a, b, c) = (a & (b ^ c)) + (b & c), the two parts having no bit in common.
  std::uint64_t hk = h + wk[I];
  std::uint64_t ch = g ^ (e & (f ^ g));
  std::uint64_t s1 = rotr64<14>(e) ^ rotr64<18>(e) ^ rotr64<41>(e);
  std::uint64_t t1 = (hk + ch) + s1;
  d = ((d + hk) + ch) + s1;
  std::uint64_t bc = ab;
  ab = a ^ b;
  h = ((t1 + (b & c)) + (a & bc)) + (rotr64<28>(a) ^ rotr64<34>(a) ^ rotr64<39>(a));
}

template <std::size_t... I>
VARNELO_ALWAYS_INLINE void rounds(std::uint64_t (&v)[8], std::uint64_t& ab, __m128i (&x)[8],
                                  std::uint64_t* wk, std::index_sequence<I...>) {
  (round<static_cast<int>(I)>(v, ab, x, wk), ...);
}

void blocks(std::uint64_t* state, const std::uint8_t* blocks, std::size_t count) {
  const __m128i byte_swap = _mm_set_epi64x(0x08090a0b0c0d0e0fULL, 0x0001020304050607ULL);
  alignas(16) std::uint64_t wk[80];
  for (; count > 0; --count, blocks += 128) {
    __m128i x[8];
    for (int j = 0; j < 8; ++j) {
      x[j] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks + 16 * j)), byte_swap);
      _mm_store_si128(
          reinterpret_cast<__m128i*>(wk + 2 * j),
          _mm_add_epi64(x[j], _mm_load_si128(reinterpret_cast<const __m128i*>(sha512_k + 2 * j))));
    }
    std::uint64_t v[8];
    for (int i = 0; i < 8; ++i)
      v[i] = state[i];
    std::uint64_t ab = v[1] ^ v[2];
    rounds(v, ab, x, wk, std::make_index_sequence<80>{});
    for (int i = 0; i < 8; ++i)
      state[i] += v[i];
  }
}

}  // namespace
}  // namespace varnelo::compress::sha512_vector

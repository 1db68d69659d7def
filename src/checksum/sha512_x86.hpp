#pragma once

// SHA-512 for x86-64 with vector units: the message schedule runs two words at a time in
// vector registers, sixteen rounds ahead of the scalar rounds, which use the three-operand
// rotations of BMI2. Included by one source file per instruction set (AVX2, AVX-512), each
// compiled with its own flags; the dispatcher asks the processor before calling either.

#include <immintrin.h>

#include <utility>

#include "checksum/bits.hpp"
#include "checksum/compress.hpp"

// Internal linkage on purpose: each including file must keep its own copy, built with its own
// instruction set, rather than share one through the linker.
namespace varnelo::compress::sha512_vector {
namespace {

using bits::rotr64;

alignas(16) constexpr std::uint64_t k[80] = {
    0x428a2f98d728ae22, 0x7137449123ef65cd, 0xb5c0fbcfec4d3b2f, 0xe9b5dba58189dbbc, 0x3956c25bf348b538,
    0x59f111f1b605d019, 0x923f82a4af194f9b, 0xab1c5ed5da6d8118, 0xd807aa98a3030242, 0x12835b0145706fbe,
    0x243185be4ee4b28c, 0x550c7dc3d5ffb4e2, 0x72be5d74f27b896f, 0x80deb1fe3b1696b1, 0x9bdc06a725c71235,
    0xc19bf174cf692694, 0xe49b69c19ef14ad2, 0xefbe4786384f25e3, 0x0fc19dc68b8cd5b5, 0x240ca1cc77ac9c65,
    0x2de92c6f592b0275, 0x4a7484aa6ea6e483, 0x5cb0a9dcbd41fbd4, 0x76f988da831153b5, 0x983e5152ee66dfab,
    0xa831c66d2db43210, 0xb00327c898fb213f, 0xbf597fc7beef0ee4, 0xc6e00bf33da88fc2, 0xd5a79147930aa725,
    0x06ca6351e003826f, 0x142929670a0e6e70, 0x27b70a8546d22ffc, 0x2e1b21385c26c926, 0x4d2c6dfc5ac42aed,
    0x53380d139d95b3df, 0x650a73548baf63de, 0x766a0abb3c77b2a8, 0x81c2c92e47edaee6, 0x92722c851482353b,
    0xa2bfe8a14cf10364, 0xa81a664bbc423001, 0xc24b8b70d0f89791, 0xc76c51a30654be30, 0xd192e819d6ef5218,
    0xd69906245565a910, 0xf40e35855771202a, 0x106aa07032bbd1b8, 0x19a4c116b8d2d0c8, 0x1e376c085141ab53,
    0x2748774cdf8eeb99, 0x34b0bcb5e19b48a8, 0x391c0cb3c5c95a63, 0x4ed8aa4ae3418acb, 0x5b9cca4f7763e373,
    0x682e6ff3d6b2b8a3, 0x748f82ee5defb2fc, 0x78a5636f43172f60, 0x84c87814a1f0ab72, 0x8cc702081a6439ec,
    0x90befffa23631e28, 0xa4506cebde82bde9, 0xbef9a3f7b2c67915, 0xc67178f2e372532b, 0xca273eceea26619c,
    0xd186b8c721c0c207, 0xeada7dd6cde0eb1e, 0xf57d4f7fee6ed178, 0x06f067aa72176fba, 0x0a637dc5a2c898a6,
    0x113f9804bef90dae, 0x1b710b35131c471b, 0x28db77f523047d84, 0x32caab7b40c72493, 0x3c9ebe0a15c9bebc,
    0x431d67c49c100d4c, 0x4cc5d4becb3e42b6, 0x597f299cfc657e2a, 0x5fcb6fab3ad6faec, 0x6c44198c4a475817,
};

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
                  _mm_add_epi64(next, _mm_load_si128(reinterpret_cast<const __m128i*>(k + 2 * J))));
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
      _mm_store_si128(reinterpret_cast<__m128i*>(wk + 2 * j),
                      _mm_add_epi64(x[j], _mm_load_si128(reinterpret_cast<const __m128i*>(k + 2 * j))));
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

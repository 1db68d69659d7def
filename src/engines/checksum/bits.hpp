#pragma once

// Word loads and rotations shared by the hash engines; compilers turn these into single
// instructions (bswap, rol, ror).

#include <cstdint>
#include <cstring>

// The unrolled rounds are small functions that must melt into one body, whatever the
// compiler's size limits say, or the working words would go through memory.
#if defined(__GNUC__)
#define VARNELO_ALWAYS_INLINE [[gnu::always_inline]] inline
#else
#define VARNELO_ALWAYS_INLINE inline
#endif

namespace varnelo::bits {

inline std::uint32_t load_le32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

inline std::uint32_t load_be32(const std::uint8_t* p) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::uint32_t v;
  std::memcpy(&v, p, 4);
  return __builtin_bswap32(v);
#else
  return std::uint32_t{p[3]} | std::uint32_t{p[2]} << 8 | std::uint32_t{p[1]} << 16 |
         std::uint32_t{p[0]} << 24;
#endif
}

inline std::uint64_t load_be64(const std::uint8_t* p) {
#if defined(__GNUC__) && defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return __builtin_bswap64(v);
#else
  return std::uint64_t{load_be32(p)} << 32 | load_be32(p + 4);
#endif
}

inline void store_le32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

inline void store_be32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    p[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

inline void store_be64(std::uint8_t* p, std::uint64_t v) {
  for (int i = 0; i < 8; ++i)
    p[i] = static_cast<std::uint8_t>(v >> (56 - 8 * i));
}

template <int N>
inline std::uint32_t rotl(std::uint32_t x) {
  static_assert(N > 0 && N < 32);
  return (x << N) | (x >> (32 - N));
}

template <int N>
inline std::uint32_t rotr(std::uint32_t x) {
  static_assert(N > 0 && N < 32);
  return (x >> N) | (x << (32 - N));
}

template <int N>
inline std::uint64_t rotr64(std::uint64_t x) {
  static_assert(N > 0 && N < 64);
  return (x >> N) | (x << (64 - N));
}

}  // namespace varnelo::bits

#include <tmmintrin.h>

#include <array>
#include <cstdint>

#include "encoding/wide_kernels.hpp"

namespace varnelo::wide {

namespace {

using Lanes = std::array<std::uint8_t, 16>;

// Shuffle patterns for the binary entries: 16 bytes become 144 characters, nine vectors. For
// every character: the source byte (0x80 for a blank, which the shuffle turns into 0), the bit
// it shows, and the character that a set bit is added to ("0", or one below the blank).
struct BinaryPatterns {
  Lanes source[9];
  Lanes bit[9];
  Lanes base[9];
};

constexpr BinaryPatterns make_binary_patterns() {
  BinaryPatterns patterns{};
  for (int p = 0; p < 144; ++p) {
    int byte = p / 9, place = p % 9;
    int vector = p / 16, lane = p % 16;
    patterns.source[vector][lane] = place == 0 ? 0x80 : static_cast<std::uint8_t>(byte);
    patterns.bit[vector][lane] = place == 0 ? 0 : static_cast<std::uint8_t>(0x80 >> (place - 1));
    patterns.base[vector][lane] = place == 0 ? ' ' - 1 : '0';
  }
  return patterns;
}

// Hexadecimal: 16 bytes become 48 characters, three vectors taken from the digit pairs of the
// first eight bytes (`low`) and of the last eight (`high`), with blanks between.
struct HexPatterns {
  Lanes from_low[3];
  Lanes from_high[3];
  Lanes blanks[3];
};

constexpr HexPatterns make_hex_patterns() {
  HexPatterns patterns{};
  for (int p = 0; p < 48; ++p) {
    int byte = p / 3, place = p % 3;
    int vector = p / 16, lane = p % 16;
    patterns.from_low[vector][lane] = 0x80;
    patterns.from_high[vector][lane] = 0x80;
    if (place == 0) {
      patterns.blanks[vector][lane] = ' ';
    } else if (byte < 8) {
      patterns.from_low[vector][lane] = static_cast<std::uint8_t>(2 * byte + place - 1);
    } else {
      patterns.from_high[vector][lane] = static_cast<std::uint8_t>(2 * (byte - 8) + place - 1);
    }
  }
  return patterns;
}

constexpr BinaryPatterns binary_patterns = make_binary_patterns();
constexpr HexPatterns hex_patterns = make_hex_patterns();

__m128i load(const Lanes& lanes) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(lanes.data()));
}

}  // namespace

std::size_t binary_entries_ssse3(const std::uint8_t* data, std::size_t count, char* out) {
  const __m128i one = _mm_set1_epi8(1);
  std::size_t done = 0;
  for (; count - done >= 16; done += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + done));
    for (int vector = 0; vector < 9; ++vector) {
      __m128i bit = load(binary_patterns.bit[vector]);
      __m128i spread = _mm_shuffle_epi8(bytes, load(binary_patterns.source[vector]));
      __m128i set = _mm_and_si128(_mm_cmpeq_epi8(_mm_and_si128(spread, bit), bit), one);
      __m128i text = _mm_add_epi8(load(binary_patterns.base[vector]), set);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * vector), text);
    }
    out += 144;
  }
  return done;
}

std::size_t hex_entries_ssse3(const std::uint8_t* data, std::size_t count, char* out) {
  const __m128i digits =
      _mm_setr_epi8('0', '1', '2', '3', '4', '5', '6', '7', '8', '9', 'a', 'b', 'c', 'd', 'e', 'f');
  const __m128i nibble = _mm_set1_epi8(0x0f);
  std::size_t done = 0;
  for (; count - done >= 16; done += 16) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + done));
    __m128i high_digits = _mm_shuffle_epi8(digits, _mm_and_si128(_mm_srli_epi16(bytes, 4), nibble));
    __m128i low_digits = _mm_shuffle_epi8(digits, _mm_and_si128(bytes, nibble));
    __m128i first = _mm_unpacklo_epi8(high_digits, low_digits);
    __m128i second = _mm_unpackhi_epi8(high_digits, low_digits);
    for (int vector = 0; vector < 3; ++vector) {
      __m128i text = _mm_or_si128(_mm_shuffle_epi8(first, load(hex_patterns.from_low[vector])),
                                  _mm_shuffle_epi8(second, load(hex_patterns.from_high[vector])));
      text = _mm_or_si128(text, load(hex_patterns.blanks[vector]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16 * vector), text);
    }
    out += 48;
  }
  return done;
}

std::size_t mime_groups_ssse3(const std::uint8_t* data, std::size_t groups, std::size_t readable_groups,
                              char* out) {
  // Each 32-bit lane takes one group as bytes b1 b0 b2 b1, from which two multiplications
  // move the four 6-bit values into the four bytes of the lane (Wojciech Mula's method).
  const __m128i gather = _mm_setr_epi8(1, 0, 2, 1, 4, 3, 5, 4, 7, 6, 8, 7, 10, 9, 11, 10);
  const __m128i shift_table =
      _mm_setr_epi8('a' - 26, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52, '0' - 52,
                    '0' - 52, '0' - 52, '+' - 62, '/' - 63, 'A', 0, 0);
  std::size_t done = 0;
  // A load takes 16 bytes for the 12 it uses, so it needs six readable groups.
  for (; groups - done >= 4 && readable_groups - done >= 6; done += 4) {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 3 * done));
    bytes = _mm_shuffle_epi8(bytes, gather);
    __m128i upper =
        _mm_mulhi_epu16(_mm_and_si128(bytes, _mm_set1_epi32(0x0fc0fc00)), _mm_set1_epi32(0x04000040));
    __m128i lower =
        _mm_mullo_epi16(_mm_and_si128(bytes, _mm_set1_epi32(0x003f03f0)), _mm_set1_epi32(0x01000010));
    __m128i values = _mm_or_si128(upper, lower);
    // Values 0-25 take 13 (for "A"), 26-51 take 0 ("a"), 52-63 take 1-12 (digits, "+", "/").
    __m128i row = _mm_subs_epu8(values, _mm_set1_epi8(51));
    row = _mm_or_si128(row, _mm_and_si128(_mm_cmpgt_epi8(_mm_set1_epi8(26), values), _mm_set1_epi8(13)));
    __m128i text = _mm_add_epi8(_mm_shuffle_epi8(shift_table, row), values);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * done), text);
  }
  return done;
}

std::size_t binary_digits_ssse3(const unsigned char* text, std::size_t count, std::uint8_t* out) {
  const __m128i digit_mask = _mm_set1_epi8(static_cast<char>(0xfe));
  const __m128i zero = _mm_set1_epi8('0');
  // Reverses each half, so the first digit of a byte lands in its top bit.
  const __m128i reverse = _mm_setr_epi8(7, 6, 5, 4, 3, 2, 1, 0, 15, 14, 13, 12, 11, 10, 9, 8);
  std::size_t done = 0;
  for (; count - done >= 16; done += 16) {
    __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + done));
    if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(chars, digit_mask), zero)) != 0xffff) break;
    auto bits = static_cast<unsigned>(_mm_movemask_epi8(_mm_slli_epi64(_mm_shuffle_epi8(chars, reverse), 7)));
    out[0] = static_cast<std::uint8_t>(bits);
    out[1] = static_cast<std::uint8_t>(bits >> 8);
    out += 2;
  }
  return done;
}

}  // namespace varnelo::wide

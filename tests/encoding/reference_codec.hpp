#pragma once

// Plain, one-character-at-a-time statements of the text layouts and reading rules, for
// checking the engine and the screens against.

#include <cstdint>
#include <string>

#include "encoding/text_codec.hpp"

namespace varnelo::testing {

inline const char* name_of(Notation notation) {
  switch (notation) {
    case Notation::binary:
      return "binary";
    case Notation::hexadecimal:
      return "hexadecimal";
    case Notation::mime:
      return "mime";
  }
  return "?";
}

inline constexpr Notation all_notations[] = {Notation::binary, Notation::hexadecimal, Notation::mime};

// The layout rules written out one byte and one character at a time, as plainly as they read.
inline std::string reference_encode(Notation notation, const std::string& data,
                                    std::uint16_t bytes_per_line) {
  std::string text;
  const std::size_t size = data.size();
  if (notation != Notation::mime) {
    for (std::size_t j = 0; j < size; ++j) {
      auto byte = static_cast<unsigned char>(data[j]);
      if (notation == Notation::binary) {
        for (int bit = 7; bit >= 0; --bit)
          text += static_cast<char>('0' + ((byte >> bit) & 1));
      } else {
        text += "0123456789abcdef"[byte >> 4];
        text += "0123456789abcdef"[byte & 15];
      }
      if (j + 1 == size) break;
      text += j % bytes_per_line == bytes_per_line - 1u ? '\n' : ' ';
    }
    return text;
  }
  const char* alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::uint64_t written = 0;
  auto emit = [&](char c) {
    text += c;
    ++written;
    if (written % bytes_per_line == bytes_per_line - 1u) {
      text += '\n';
      ++written;
    }
  };
  auto at = [&](std::size_t i) { return i < size ? static_cast<unsigned char>(data[i]) : 0u; };
  std::size_t groups = size / 3, rest = size % 3;
  for (std::size_t g = 0; g < groups; ++g) {
    unsigned b0 = at(3 * g), b1 = at(3 * g + 1), b2 = at(3 * g + 2);
    emit(alphabet[b0 >> 2]);
    emit(alphabet[((b0 & 3) << 4) | (b1 >> 4)]);
    emit(alphabet[((b1 & 15) << 2) | (b2 >> 6)]);
    emit(alphabet[b2 & 63]);
  }
  if (rest != 0) {
    unsigned b0 = at(3 * groups), b1 = rest == 2 ? at(3 * groups + 1) : 0;
    emit(alphabet[b0 >> 2]);
    emit(alphabet[((b0 & 3) << 4) | (b1 >> 4)]);
    emit(rest == 2 ? alphabet[(b1 & 15) << 2] : '=');
    text += '=';
  }
  return text;
}

// The reading rules, one character at a time.
inline std::string reference_decode(Notation notation, const std::string& text) {
  std::string data;
  unsigned value = 0, gathered = 0;
  for (char ch : text) {
    auto c = static_cast<unsigned char>(ch);
    int digit = -1;
    if (notation == Notation::binary) {
      if (c == '0' || c == '1') digit = c - '0';
      if (digit < 0) continue;
      value = value * 2 + static_cast<unsigned>(digit);
      if (++gathered == 8) data += static_cast<char>(value), value = 0, gathered = 0;
    } else if (notation == Notation::hexadecimal) {
      if (c >= '0' && c <= '9') digit = c - '0';
      if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
      if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
      if (digit < 0) continue;
      value = value * 16 + static_cast<unsigned>(digit);
      if (++gathered == 2) data += static_cast<char>(value), value = 0, gathered = 0;
    } else {
      if (c == '=') break;
      if (c >= 'A' && c <= 'Z') digit = c - 'A';
      if (c >= 'a' && c <= 'z') digit = c - 'a' + 26;
      if (c >= '0' && c <= '9') digit = c - '0' + 52;
      if (c == '+') digit = 62;
      if (c == '/') digit = 63;
      if (digit < 0) continue;
      value = value << 6 | static_cast<unsigned>(digit);
      if (++gathered == 4) {
        data += static_cast<char>(value >> 16);
        data += static_cast<char>(value >> 8);
        data += static_cast<char>(value);
        value = 0, gathered = 0;
      }
    }
  }
  if (notation == Notation::mime && gathered >= 2) {
    unsigned group = value << (6 * (4 - gathered));
    data += static_cast<char>(group >> 16);
    if (gathered == 3) data += static_cast<char>(group >> 8);
  }
  return data;
}

}  // namespace varnelo::testing

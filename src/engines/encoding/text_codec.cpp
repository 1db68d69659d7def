#include "encoding/text_codec.hpp"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "support/cpu_features.hpp"

#if defined(VARNELO_WIDE_LOOPS)
#include "encoding/wide_kernels.hpp"
#endif

namespace varnelo {

namespace {

constexpr char mime_alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// One byte's text with the blank before it: " dddddddd" or " hh". Entries are padded so a
// whole entry can be stored at once and the next one written over the padding.
struct BinaryEntry {
  char chars[16];
};
struct HexEntry {
  char chars[4];
};

constexpr std::array<BinaryEntry, 256> make_binary_table() {
  std::array<BinaryEntry, 256> table{};
  for (int byte = 0; byte < 256; ++byte) {
    table[byte].chars[0] = ' ';
    for (int bit = 0; bit < 8; ++bit)
      table[byte].chars[1 + bit] = (byte >> (7 - bit)) & 1 ? '1' : '0';
  }
  return table;
}

constexpr std::array<HexEntry, 256> make_hex_table() {
  constexpr char digits[] = "0123456789abcdef";
  std::array<HexEntry, 256> table{};
  for (int byte = 0; byte < 256; ++byte)
    table[byte] = {{' ', digits[byte >> 4], digits[byte & 15], ' '}};
  return table;
}

// Two base-64 characters for every 12-bit value, so a 3-byte group takes two look-ups.
constexpr std::array<std::array<char, 2>, 4096> make_mime_pair_table() {
  std::array<std::array<char, 2>, 4096> table{};
  for (int value = 0; value < 4096; ++value)
    table[value] = {mime_alphabet[value >> 6], mime_alphabet[value & 63]};
  return table;
}

constexpr std::uint8_t not_a_digit = 0xFF;
constexpr std::uint8_t mime_skip = 0x80;
constexpr std::uint8_t mime_end = 0x40;

constexpr std::array<std::uint8_t, 256> make_hex_values() {
  std::array<std::uint8_t, 256> table{};
  for (auto& value : table)
    value = not_a_digit;
  for (int c = '0'; c <= '9'; ++c)
    table[c] = static_cast<std::uint8_t>(c - '0');
  for (int c = 'a'; c <= 'f'; ++c)
    table[c] = static_cast<std::uint8_t>(c - 'a' + 10);
  for (int c = 'A'; c <= 'F'; ++c)
    table[c] = static_cast<std::uint8_t>(c - 'A' + 10);
  return table;
}

constexpr std::array<std::uint8_t, 256> make_mime_values() {
  std::array<std::uint8_t, 256> table{};
  for (auto& value : table)
    value = mime_skip;
  for (int value = 0; value < 64; ++value)
    table[static_cast<unsigned char>(mime_alphabet[value])] = static_cast<std::uint8_t>(value);
  table['='] = mime_end;
  return table;
}

constexpr auto binary_table = make_binary_table();
constexpr auto hex_table = make_hex_table();
constexpr auto mime_pairs = make_mime_pair_table();
constexpr auto hex_values = make_hex_values();
constexpr auto mime_values = make_mime_values();

constexpr bool little_endian = std::endian::native == std::endian::little;

// Stores each byte's entry and advances by `step`, so the padding of one entry is overwritten
// by the next; the caller's buffer has slack for the last one.
template <typename Entry, std::size_t Step>
char* store_entries(const std::array<Entry, 256>& table, const std::uint8_t* data, std::size_t count,
                    char* out) {
  for (std::size_t i = 0; i < count; ++i) {
    std::memcpy(out, table[data[i]].chars, sizeof(Entry));
    out += Step;
  }
  return out;
}

char* store_entries([[maybe_unused]] CodecLoops loops, Notation notation, const std::uint8_t* data,
                    std::size_t count, char* out) {
  const bool binary = notation == Notation::binary;
#if defined(VARNELO_WIDE_LOOPS)
  if (loops != CodecLoops::portable) {
    std::size_t done = !binary                     ? wide::hex_entries_ssse3(data, count, out)
                       : loops == CodecLoops::avx2 ? wide::binary_entries_avx2(data, count, out)
                                                   : wide::binary_entries_ssse3(data, count, out);
    data += done;
    count -= done;
    out += done * (binary ? 9 : 3);
  }
#endif
  if (binary) return store_entries<BinaryEntry, 9>(binary_table, data, count, out);
  return store_entries<HexEntry, 3>(hex_table, data, count, out);
}

void mime_group(const std::uint8_t* group, char* out) {
  std::uint32_t value = (std::uint32_t{group[0]} << 16) | (std::uint32_t{group[1]} << 8) | group[2];
  std::memcpy(out, mime_pairs[value >> 12].data(), 2);
  std::memcpy(out + 2, mime_pairs[value & 4095].data(), 2);
}

// `readable_groups` (at least `groups`) may be read, so wide loads can run to the end of a line.
char* mime_groups([[maybe_unused]] CodecLoops loops, const std::uint8_t* data, std::size_t groups,
                  [[maybe_unused]] std::size_t readable_groups, char* out) {
#if defined(VARNELO_WIDE_LOOPS)
  if (loops != CodecLoops::portable) {
    std::size_t done = wide::mime_groups_ssse3(data, groups, readable_groups, out);
    data += 3 * done;
    groups -= done;
    out += 4 * done;
  }
#endif
  for (std::size_t g = 0; g < groups; ++g) {
    mime_group(data, out);
    data += 3;
    out += 4;
  }
  return out;
}

}  // namespace

CodecLoops best_codec_loops() {
#if defined(VARNELO_WIDE_LOOPS)
  const CpuFeatures& cpu = cpu_features();
  if (cpu.avx2 && cpu.ssse3) return CodecLoops::avx2;
  if (cpu.ssse3) return CodecLoops::ssse3;
#endif
  return CodecLoops::portable;
}

TextEncoder::TextEncoder(Notation notation, std::uint16_t bytes_per_line)
    : notation_(notation),
      bytes_per_line_(std::max<std::uint32_t>(bytes_per_line, 1)),
      line_length_(bytes_per_line_ > 1 ? bytes_per_line_ - 1 : 1) {}

std::uint64_t TextEncoder::text_size(std::uint64_t size) const {
  if (size == 0) return 0;
  switch (notation_) {
    case Notation::binary:
      return size * 9 - 1;
    case Notation::hexadecimal:
      return size * 3 - 1;
    case Notation::mime:
      break;
  }
  // Every character but the closing "=" counts towards the line feeds.
  std::uint64_t counted = size / 3 * 4 + (size % 3 != 0 ? 3 : 0);
  return counted + counted / line_length_ + (size % 3 != 0 ? 1 : 0);
}

std::size_t TextEncoder::max_text(std::size_t count) const {
  switch (notation_) {
    case Notation::binary:
      return count * 9 + 16;
    case Notation::hexadecimal:
      return count * 3 + 16;
    case Notation::mime:
      break;
  }
  // Four characters per started group, and at worst a line feed after each of them.
  return ((count + pending_count_) / 3 + 1) * 8 + 16;
}

std::size_t TextEncoder::encode(const std::uint8_t* data, std::size_t count, char* text) {
  if (notation_ != Notation::mime) return encode_digits(data, count, text);

  char* out = text;
  if (pending_count_ > 0) {
    while (pending_count_ < 3 && count > 0) {
      pending_[pending_count_++] = *data++;
      --count;
    }
    if (pending_count_ < 3) return 0;
    out = encode_groups(pending_, 1, out);
    pending_count_ = 0;
  }
  std::size_t groups = count / 3;
  out = encode_groups(data, groups, out);
  data += groups * 3;
  count -= groups * 3;
  for (; count > 0; --count)
    pending_[pending_count_++] = *data++;
  return static_cast<std::size_t>(out - text);
}

std::size_t TextEncoder::encode_digits(const std::uint8_t* data, std::size_t count, char* text) {
  char* out = text;
  std::size_t i = 0;
  if (count > 0 && position_ == 0) {
    // The first byte of the file has no separator before it.
    const char* entry =
        notation_ == Notation::binary ? binary_table[data[0]].chars + 1 : hex_table[data[0]].chars + 1;
    std::size_t digits = notation_ == Notation::binary ? 8 : 2;
    std::memcpy(out, entry, digits);
    out += digits;
    i = 1;
    if (++column_ == bytes_per_line_) column_ = 0;
  }
  while (i < count) {
    if (column_ == 0) {
      // The separator before the first byte of a line is the line feed that ends the last one.
      char* line_start = out;
      out = store_entries(loops_, notation_, data + i, 1, out);
      *line_start = '\n';
      ++i;
      if (++column_ == bytes_per_line_) column_ = 0;
      continue;
    }
    std::size_t run = std::min<std::size_t>(count - i, bytes_per_line_ - column_);
    out = store_entries(loops_, notation_, data + i, run, out);
    i += run;
    column_ += static_cast<std::uint32_t>(run);
    if (column_ == bytes_per_line_) column_ = 0;
  }
  position_ += count;
  return static_cast<std::size_t>(out - text);
}

char* TextEncoder::emit(char* out, char c) {
  *out++ = c;
  if (++line_fill_ == line_length_) {
    *out++ = '\n';
    line_fill_ = 0;
  }
  return out;
}

char* TextEncoder::encode_groups(const std::uint8_t* data, std::size_t groups, char* out) {
  while (groups > 0) {
    std::size_t whole = std::min<std::size_t>((line_length_ - line_fill_) / 4, groups);
    if (whole > 0) {
      out = mime_groups(loops_, data, whole, groups, out);
      data += 3 * whole;
      groups -= whole;
      line_fill_ += static_cast<std::uint32_t>(whole * 4);
      if (line_fill_ == line_length_) {
        *out++ = '\n';
        line_fill_ = 0;
      }
      continue;
    }
    // A group that straddles the end of a line.
    char four[4];
    mime_group(data, four);
    for (char c : four)
      out = emit(out, c);
    data += 3;
    --groups;
  }
  return out;
}

std::size_t TextEncoder::finish(char* text) {
  if (notation_ != Notation::mime || pending_count_ == 0) return 0;
  std::uint8_t group[3] = {pending_[0], pending_count_ > 1 ? pending_[1] : std::uint8_t{0}, 0};
  char four[4];
  mime_group(group, four);
  char* out = text;
  out = emit(out, four[0]);
  out = emit(out, four[1]);
  out = emit(out, pending_count_ == 2 ? four[2] : '=');
  // The closing "=" is never followed by a line feed.
  *out++ = '=';
  ++line_fill_;
  pending_count_ = 0;
  return static_cast<std::size_t>(out - text);
}

TextDecoder::TextDecoder(Notation notation, Reading reading)
    : notation_(notation), strict_(reading == Reading::strict) {}

bool TextDecoder::allowed(unsigned c, std::uint64_t offset) {
  if (!strict_ || c == ' ' || c == '\n' || c == '\r' || c == '\t') return true;
  fault_ = {.kind = TextFault::invalid_character, .offset = offset};
  return false;
}

std::size_t TextDecoder::decode(const char* text, std::size_t count, std::uint8_t* data) {
  if (fault_) return 0;
  const auto* chars = reinterpret_cast<const unsigned char*>(text);
  std::size_t written = 0;
  switch (notation_) {
    case Notation::binary:
      written = decode_binary(chars, count, data);
      break;
    case Notation::hexadecimal:
      written = decode_hexadecimal(chars, count, data);
      break;
    case Notation::mime:
      written = decode_mime(chars, count, data);
      break;
  }
  position_ += count;
  return written;
}

std::size_t TextDecoder::decode_binary(const unsigned char* text, std::size_t count, std::uint8_t* data) {
  std::uint8_t* out = data;
  std::uint32_t value = value_;
  std::uint32_t bits = gathered_;
  std::uint64_t start = group_start_;
  // Kept local: the stores through `out` could otherwise alias it.
  const std::uint64_t base = position_;
  std::size_t i = 0;
  while (i < count) {
#if defined(VARNELO_WIDE_LOOPS)
    if (bits == 0 && loops_ != CodecLoops::portable) {
      std::size_t used = wide::binary_digits_ssse3(text + i, count - i, out);
      i += used;
      out += used / 8;
    }
#endif
    if constexpr (little_endian) {
      // Eight digits in a row make one byte whatever the bits already gathered: the byte
      // completed is the top eight of the bits gathered plus these eight.
      while (count - i >= 8) {
        std::uint64_t word;
        std::memcpy(&word, text + i, 8);
        if ((word & 0xFEFEFEFEFEFEFEFEull) != 0x3030303030303030ull) break;
        // Gathers bit 0 of each character, the first character landing in the top bit.
        auto byte =
            static_cast<std::uint32_t>(((word & 0x0101010101010101ull) * 0x8040201008040201ull) >> 56);
        std::uint32_t combined = (value << 8) | byte;
        *out++ = static_cast<std::uint8_t>(combined >> bits);
        value = combined & ((1u << bits) - 1);
        // The bits carried on are the last of these eight digits.
        start = base + i + 8 - bits;
        i += 8;
      }
      if (i == count) break;
    }
    unsigned c = text[i++];
    if ((c & 0xFE) != 0x30) {
      if (allowed(c, base + i - 1)) continue;
      break;
    }
    if (bits == 0) start = base + i - 1;
    value = (value << 1) | (c & 1);
    if (++bits == 8) {
      *out++ = static_cast<std::uint8_t>(value);
      value = 0;
      bits = 0;
    }
  }
  value_ = value;
  gathered_ = bits;
  group_start_ = start;
  return static_cast<std::size_t>(out - data);
}

std::size_t TextDecoder::decode_hexadecimal(const unsigned char* text, std::size_t count,
                                            std::uint8_t* data) {
  std::uint8_t* out = data;
  std::uint32_t value = value_;
  std::uint32_t half = gathered_;
  std::uint64_t start = group_start_;
  const std::uint64_t base = position_;
  std::size_t i = 0;
  while (i < count) {
    while (count - i >= 8) {
      std::uint32_t v[8];
      std::uint32_t any = 0;
      for (int k = 0; k < 8; ++k)
        any |= v[k] = hex_values[text[i + k]];
      if (any & 0xF0) break;
      if (half == 0) {
        for (int k = 0; k < 4; ++k)
          out[k] = static_cast<std::uint8_t>(v[2 * k] << 4 | v[2 * k + 1]);
      } else {
        out[0] = static_cast<std::uint8_t>(value << 4 | v[0]);
        for (int k = 1; k < 4; ++k)
          out[k] = static_cast<std::uint8_t>(v[2 * k - 1] << 4 | v[2 * k]);
        value = v[7];
        start = base + i + 7;
      }
      out += 4;
      i += 8;
    }
    if (half == 0) {
      while (count - i >= 2) {
        std::uint32_t high = hex_values[text[i]];
        std::uint32_t low = hex_values[text[i + 1]];
        if ((high | low) & 0xF0) break;
        *out++ = static_cast<std::uint8_t>(high << 4 | low);
        i += 2;
      }
    }
    if (i == count) break;
    std::uint32_t digit = hex_values[text[i++]];
    if (digit == not_a_digit) {
      if (allowed(text[i - 1], base + i - 1)) continue;
      break;
    }
    if (half != 0) {
      *out++ = static_cast<std::uint8_t>(value << 4 | digit);
      half = 0;
    } else {
      value = digit;
      half = 1;
      start = base + i - 1;
    }
  }
  value_ = value;
  gathered_ = half;
  group_start_ = start;
  return static_cast<std::size_t>(out - data);
}

std::size_t TextDecoder::decode_mime(const unsigned char* text, std::size_t count, std::uint8_t* data) {
  if (ended_) return 0;
  std::uint8_t* out = data;
  std::uint32_t value = value_;
  std::uint32_t gathered = gathered_;
  std::uint32_t padding = padding_;
  std::uint64_t start = group_start_;
  const std::uint64_t base = position_;
  std::size_t i = 0;
  while (i < count) {
    if (gathered == 0 && padding == 0) {
      while (count - i >= 4) {
        std::uint32_t a = mime_values[text[i]], b = mime_values[text[i + 1]];
        std::uint32_t c = mime_values[text[i + 2]], d = mime_values[text[i + 3]];
        if ((a | b | c | d) & 0xC0) break;
        std::uint32_t group = a << 18 | b << 12 | c << 6 | d;
        out[0] = static_cast<std::uint8_t>(group >> 16);
        out[1] = static_cast<std::uint8_t>(group >> 8);
        out[2] = static_cast<std::uint8_t>(group);
        out += 3;
        i += 4;
      }
      if (i == count) break;
    }
    const std::uint64_t at = base + i;
    std::uint32_t v = mime_values[text[i++]];
    if (padding > 0) {
      // A group that began its padding takes nothing but the "=" it still owes.
      if (v == mime_end) {
        --padding;
      } else if (v < 64) {
        fault_ = {.kind = TextFault::invalid_character, .offset = at};
        break;
      } else if (!allowed(text[i - 1], at)) {
        break;
      }
    } else if (v < 64) {
      if (gathered == 0) start = at;
      value = value << 6 | v;
      if (++gathered == 4) {
        out[0] = static_cast<std::uint8_t>(value >> 16);
        out[1] = static_cast<std::uint8_t>(value >> 8);
        out[2] = static_cast<std::uint8_t>(value);
        out += 3;
        value = 0;
        gathered = 0;
      }
    } else if (v == mime_end) {
      if (!strict_) {
        ended_ = true;
        break;
      }
      // Only the third or fourth place of a group may hold padding.
      if (gathered < 2) {
        fault_ = {.kind = TextFault::invalid_character, .offset = at};
        break;
      }
      out[0] = static_cast<std::uint8_t>(value >> (gathered == 2 ? 4 : 10));
      out[1] = static_cast<std::uint8_t>(value >> 2);
      out += gathered - 1;
      padding = 3 - gathered;
      value = 0;
      gathered = 0;
    } else if (!allowed(text[i - 1], at)) {
      break;
    }
  }
  value_ = value;
  gathered_ = gathered;
  padding_ = padding;
  group_start_ = start;
  return static_cast<std::size_t>(out - data);
}

std::size_t TextDecoder::finish(std::uint8_t* data) {
  std::size_t written = 0;
  if (strict_) {
    if (!fault_ && (gathered_ != 0 || padding_ != 0))
      fault_ = {.kind = TextFault::incomplete_group, .offset = group_start_};
  } else if (notation_ == Notation::mime) {
    // Two values carry one byte, three carry two; a single value carries none.
    if (gathered_ == 2) {
      data[0] = static_cast<std::uint8_t>(value_ >> 4);
      written = 1;
    } else if (gathered_ == 3) {
      data[0] = static_cast<std::uint8_t>(value_ >> 10);
      data[1] = static_cast<std::uint8_t>(value_ >> 2);
      written = 2;
    }
  }
  value_ = 0;
  gathered_ = 0;
  padding_ = 0;
  return written;
}

}  // namespace varnelo

#pragma once

// Streaming encoders and decoders between data and the three text notations: binary (eight
// "0"/"1" digits per byte), hexadecimal (two digits per byte) and MIME base 64. Both sides
// carry their state across calls, so a file can be fed in blocks of any size.

#include <cstddef>
#include <cstdint>

namespace varnelo {

enum class Notation : std::uint16_t { binary = 0, hexadecimal = 1, mime = 2 };

// The loops that do the bulk of the encoding: portable ones, or wide ones for processors with
// SSSE3, or with AVX2 as well. Each encoder and decoder keeps the loops chosen when it is made.
enum class CodecLoops : std::uint8_t { portable, ssse3, avx2 };
// The widest loops the features in force (io/cpu_features.hpp) allow.
CodecLoops best_codec_loops();

// Turns data into text. Binary and hexadecimal: each byte's digits, a blank between bytes
// and a line feed instead after every bytes_per_line-th byte of the file, nothing after the
// last byte. MIME: the RFC 4648 alphabet with "=" padding, a line feed after every
// (bytes_per_line - 1)-th character written (after every character for 1 and 2), and the
// closing "=" never followed by a line feed.
class TextEncoder {
 public:
  // bytes_per_line must be at least 1.
  TextEncoder(Notation notation, std::uint16_t bytes_per_line);

  // The text for `count` more bytes of the file, written to `text`, which must hold
  // max_text(count) characters. Returns the number of characters written.
  std::size_t encode(const std::uint8_t* data, std::size_t count, char* text);
  // The end of the text (MIME's last, padded group); call once, after the last data.
  // `text` must hold max_text(0) characters.
  std::size_t finish(char* text);

  // The length of the whole text of a file of `size` bytes.
  std::uint64_t text_size(std::uint64_t size) const;

  // Room needed for the text of `count` bytes, with slack for wide stores.
  std::size_t max_text(std::size_t count) const;

 private:
  std::size_t encode_digits(const std::uint8_t* data, std::size_t count, char* text);
  char* encode_groups(const std::uint8_t* data, std::size_t groups, char* out);
  char* emit(char* out, char c);

  Notation notation_;
  std::uint32_t bytes_per_line_;
  // Binary and hexadecimal: bytes encoded so far, and their count modulo bytes_per_line.
  std::uint64_t position_ = 0;
  std::uint32_t column_ = 0;
  // MIME: text characters per line, characters on the current line, and the 0 to 2 bytes
  // of a group that is not complete yet.
  std::uint32_t line_length_ = 0;
  std::uint32_t line_fill_ = 0;
  std::uint8_t pending_[3] = {};
  std::uint32_t pending_count_ = 0;
  CodecLoops loops_ = best_codec_loops();
};

// How a decoder takes characters outside its notation.
enum class Reading : std::uint8_t {
  // Skips them, and MIME text ends at its first "=": the menus' decoders.
  tolerant,
  // Allows only blanks, tabs, carriage returns and line feeds between the notation's characters,
  // and a text that ends in the middle of a byte or group is at fault. Binary: "0" and "1", eight
  // per byte. Hexadecimal: "0"-"9", "a"-"f" and "A"-"F", two per byte. MIME: the RFC 4648 alphabet
  // (not "-" or "_") in groups of four, the last of which may end in one or two "=" (and must
  // then have them); text after a padded group starts a new group, as in concatenated files.
  strict
};

// Why strict reading failed: a character it does not allow, or a last byte or group the text
// leaves incomplete. Offsets count characters from the start of the text, from 0: the
// character, or the first character of the incomplete group.
struct TextFault {
  enum Kind : std::uint8_t { none, invalid_character, incomplete_group };
  Kind kind = none;
  std::uint64_t offset = 0;

  explicit operator bool() const { return kind != none; }
};

// Turns text back into data. Incomplete bytes and groups carry over to the next call.
class TextDecoder {
 public:
  explicit TextDecoder(Notation notation, Reading reading = Reading::tolerant);

  // The bytes completed by `count` more characters, written to `data`, which must hold
  // max_data(count) bytes. Returns the number of bytes written. Once ended(), the rest of the
  // text is ignored.
  std::size_t decode(const char* text, std::size_t count, std::uint8_t* data);
  // Tolerant: the bytes of MIME's last, short group (0 to 2); left-over binary or hexadecimal
  // digits are dropped. Strict: nothing, and a fault when a byte or group is left incomplete.
  // Call once, after the last text. `data` must hold max_data(0) bytes.
  std::size_t finish(std::uint8_t* data);

  // True once a tolerant MIME decoder has read "=", or strict reading found a fault.
  bool ended() const { return ended_ || fault_; }
  const TextFault& fault() const { return fault_; }

  static constexpr std::size_t max_data(std::size_t count) { return count + 16; }

 private:
  std::size_t decode_binary(const unsigned char* text, std::size_t count, std::uint8_t* data);
  std::size_t decode_hexadecimal(const unsigned char* text, std::size_t count, std::uint8_t* data);
  std::size_t decode_mime(const unsigned char* text, std::size_t count, std::uint8_t* data);
  // Whether strict reading lets the character at `offset` pass; records the fault if not.
  bool allowed(unsigned c, std::uint64_t offset);

  Notation notation_;
  bool strict_;
  // The digits or 6-bit values gathered for the byte or group being built.
  std::uint32_t value_ = 0;
  std::uint32_t gathered_ = 0;
  // Strict MIME: the "=" still owed by a group that has begun its padding.
  std::uint32_t padding_ = 0;
  bool ended_ = false;
  // Characters read before this call, and where the byte or group being built began.
  std::uint64_t position_ = 0;
  std::uint64_t group_start_ = 0;
  TextFault fault_;
  // Unused where no wide loops are built.
  [[maybe_unused]] CodecLoops loops_ = best_codec_loops();
};

}  // namespace varnelo

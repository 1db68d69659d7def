#pragma once

// The byte ciphers: XOR and the additive cipher, keyed by a repeating key. The key byte for
// data offset p is K[p mod L], counted from the start of the file whatever the block sizes.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace varnelo {

// Operation codes as the encrypt and decrypt screens pass them on.
inline constexpr unsigned cipher_xor = 0;
inline constexpr unsigned cipher_add = 1;       // one-time-pad encryption
inline constexpr unsigned cipher_subtract = 2;  // one-time-pad decryption

// One data byte through the byte rule; any other operation code leaves it as it is.
constexpr std::uint8_t cipher_byte(unsigned operation, std::uint8_t data, std::uint8_t key) {
  switch (operation) {
    case cipher_xor:
      return static_cast<std::uint8_t>(data ^ key);
    case cipher_add:
      return static_cast<std::uint8_t>(data + key);
    case cipher_subtract:
      return static_cast<std::uint8_t>(data - key);
    default:
      return data;
  }
}

// data[i] = cipher_byte(operation, data[i], key[i]) for every i below count.
void apply_key_bytes(unsigned operation, std::uint8_t* data, const std::uint8_t* key, std::size_t count);

// A key held in memory (a typed text key, or a short key file), applied as a stream. The key
// is laid out repeated in a buffer whose length is a whole number of key lengths, so long runs
// of data are keyed by one straight loop that the compiler vectorises.
class RepeatingKey {
 public:
  // The key must not be empty.
  explicit RepeatingKey(std::span<const std::uint8_t> key);

  // Applies the key to the next `count` bytes of the data stream.
  void apply(unsigned operation, std::uint8_t* data, std::size_t count);

  // Offset of the next data byte, modulo the key length.
  std::size_t phase() const { return phase_; }

 private:
  std::vector<std::uint8_t> pattern_;
  std::size_t length_;
  std::size_t phase_ = 0;
};

// Where a key file's bytes come from; the screen wraps an open file, tests a memory buffer.
class KeySource {
 public:
  virtual ~KeySource() = default;
  // Back to the first byte of the key; false when that failed.
  virtual bool rewind() = 0;
  // Reads up to `count` bytes; fewer only at the end of the key or when reading failed.
  virtual std::size_t read(std::uint8_t* buffer, std::size_t count) = 0;
};

// A key file applied as a stream. Files longer than `hold_limit` are read in blocks of at most
// `block_size` bytes and rewound whenever the data offset reaches a multiple of their length,
// so memory stays the same whatever their size; shorter ones are read once and kept, because
// rewinding every few bytes would cost a system call per period.
class KeyFileStream {
 public:
  static constexpr std::size_t default_block_size = std::size_t{1} << 18;
  static constexpr std::size_t default_hold_limit = std::size_t{64} << 10;

  KeyFileStream(KeySource& source, std::int64_t key_size, std::size_t block_size = default_block_size,
                std::size_t hold_limit = default_hold_limit);

  // Applies the key to the next `count` bytes of the data stream. False when the key could
  // not be read as long as it was measured (or is empty); the stream is then unusable.
  bool apply(unsigned operation, std::uint8_t* data, std::size_t count);

 private:
  bool load_held_key();

  KeySource& source_;
  std::int64_t key_size_;
  std::size_t block_size_;
  bool hold_;
  // Offset in the key file of the next key byte; starts at the end so the first use rewinds.
  std::int64_t key_offset_;
  std::vector<std::uint8_t> block_;
  std::optional<RepeatingKey> held_;
  bool failed_ = false;
};

}  // namespace varnelo

#pragma once

// The standard block hashes (SHA-2, SHA-1, RIPEMD-160, MD5) behind one streaming interface.
// They know nothing of files or the console: feed bytes with update(), then finish() pads the
// message, appends its length and returns the digest bytes.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace varnelo {

enum class HashKind : std::uint8_t { sha512, sha384, sha256, sha224, sha1, ripemd160, md5 };

// How the compression runs: the portable code everywhere; the x86 SHA extensions (SHA-256,
// SHA-224 and SHA-1), or AVX2 with BMI2 and AVX-512 (SHA-512 and SHA-384), where
// cpu_features() has them.
enum class Implementation : std::uint8_t { portable, x86_sha, x86_avx2, x86_avx512 };

class BlockHash {
 public:
  // Runs on best_implementation(kind), chosen now.
  explicit BlockHash(HashKind kind);

  void update(const void* data, std::size_t size);
  // Feeds two messages at once, as a.update(data_a, size_a) and b.update(data_b, size_b) would.
  // Where both are hashes that pairs_well, their whole blocks are compressed side by side: each
  // round waits on the one before it, and the other message's round fills the wait.
  static void update_two(BlockHash& a, const void* data_a, std::size_t size_a, BlockHash& b,
                         const void* data_b, std::size_t size_b);
  // Pads the message (0x80, zeros, the bit length) and returns the digest; the object is
  // spent afterwards.
  std::vector<std::uint8_t> finish();

  // 64 bytes, or 128 for SHA-512 and SHA-384.
  std::size_t block_size() const { return block_size_of(kind_); }
  std::size_t digest_size() const { return digest_size_of(kind_); }
  HashKind kind() const { return kind_; }

  static std::size_t block_size_of(HashKind kind);
  static std::size_t digest_size_of(HashKind kind);
  // The fastest implementation of `kind` the features in force allow.
  static Implementation best_implementation(HashKind kind);
  // Whether two hashes of `kind` go faster through update_two than one after the other.
  static bool pairs_well(HashKind kind);

 private:
  using Compress32 = void (*)(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);
  using Compress64 = void (*)(std::uint64_t* state, const std::uint8_t* blocks, std::size_t count);

  void compress(const std::uint8_t* blocks, std::size_t count);
  // Fills the pending block from `bytes` and compresses it once whole; false while it is still
  // short, every byte taken.
  bool top_up(const std::uint8_t*& bytes, std::size_t& size);
  // Compresses the whole blocks of bytes that begin on a block boundary, and keeps the rest.
  void absorb(const std::uint8_t* bytes, std::size_t size);

  HashKind kind_;
  Compress32 compress32_ = nullptr;
  Compress64 compress64_ = nullptr;
  std::uint32_t state32_[8] = {};
  std::uint64_t state64_[8] = {};
  std::uint8_t pending_[128] = {};
  std::size_t pending_size_ = 0;
  // Bytes hashed so far; file lengths are below 2^63, so the 128-bit bit length of SHA-512
  // is this shifted left by three.
  std::uint64_t length_ = 0;
};

// Lower-case hexadecimal, two digits per byte, no separators.
std::string hex_digits(const std::vector<std::uint8_t>& bytes);

}  // namespace varnelo

#include "checksum/block_hash.hpp"

#include <algorithm>
#include <cstring>

#include "checksum/bits.hpp"
#include "checksum/compress.hpp"
#include "support/cpu_features.hpp"

namespace varnelo {

namespace {

constexpr std::uint64_t sha512_initial[8] = {0x6a09e667f3bcc908, 0xbb67ae8584caa73b, 0x3c6ef372fe94f82b,
                                             0xa54ff53a5f1d36f1, 0x510e527fade682d1, 0x9b05688c2b3e6c1f,
                                             0x1f83d9abfb41bd6b, 0x5be0cd19137e2179};
constexpr std::uint64_t sha384_initial[8] = {0xcbbb9d5dc1059ed8, 0x629a292a367cd507, 0x9159015a3070dd17,
                                             0x152fecd8f70e5939, 0x67332667ffc00b31, 0x8eb44a8768581511,
                                             0xdb0c2e0d64f98fa7, 0x47b5481dbefa4fa4};
constexpr std::uint32_t sha256_initial[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                             0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
constexpr std::uint32_t sha224_initial[8] = {0xc1059ed8, 0x367cd507, 0x3070dd17, 0xf70e5939,
                                             0xffc00b31, 0x68581511, 0x64f98fa7, 0xbefa4fa4};
// SHA-1 and RIPEMD-160 start from the same five words; MD5 from the first four of them.
constexpr std::uint32_t sha1_initial[5] = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0};

}  // namespace

std::size_t BlockHash::block_size_of(HashKind kind) {
  return kind == HashKind::sha512 || kind == HashKind::sha384 ? 128 : 64;
}

std::size_t BlockHash::digest_size_of(HashKind kind) {
  switch (kind) {
    case HashKind::sha512:
      return 64;
    case HashKind::sha384:
      return 48;
    case HashKind::sha256:
      return 32;
    case HashKind::sha224:
      return 28;
    case HashKind::sha1:
    case HashKind::ripemd160:
      return 20;
    case HashKind::md5:
      return 16;
  }
  return 0;
}

Implementation BlockHash::best_implementation(HashKind kind) {
#if defined(VARNELO_X86_SHA)
  const CpuFeatures& cpu = cpu_features();
  switch (kind) {
    case HashKind::sha512:
    case HashKind::sha384:
      if (cpu.avx2 && cpu.bmi2 && cpu.avx512f && cpu.avx512vl) return Implementation::x86_avx512;
      if (cpu.avx2 && cpu.bmi2) return Implementation::x86_avx2;
      break;
    case HashKind::sha256:
    case HashKind::sha224:
    case HashKind::sha1:
      if (cpu.sha && cpu.ssse3 && cpu.sse41) return Implementation::x86_sha;
      break;
    case HashKind::ripemd160:
    case HashKind::md5:
      break;
  }
#else
  (void)kind;
#endif
  return Implementation::portable;
}

BlockHash::BlockHash(HashKind kind) : kind_(kind) {
  [[maybe_unused]] const Implementation implementation = best_implementation(kind);
  switch (kind) {
    case HashKind::sha512:
    case HashKind::sha384: {
      const std::uint64_t* initial = kind == HashKind::sha512 ? sha512_initial : sha384_initial;
      std::copy(initial, initial + 8, state64_);
      compress64_ = compress::sha512_portable;
#if defined(VARNELO_X86_SHA)
      if (implementation == Implementation::x86_avx2) compress64_ = compress::sha512_avx2;
      if (implementation == Implementation::x86_avx512) compress64_ = compress::sha512_avx512;
#endif
      break;
    }
    case HashKind::sha256:
    case HashKind::sha224: {
      const std::uint32_t* initial = kind == HashKind::sha256 ? sha256_initial : sha224_initial;
      std::copy(initial, initial + 8, state32_);
      compress32_ = compress::sha256_portable;
#if defined(VARNELO_X86_SHA)
      if (implementation == Implementation::x86_sha) compress32_ = compress::sha256_x86;
#endif
      break;
    }
    case HashKind::sha1:
      std::copy(std::begin(sha1_initial), std::end(sha1_initial), state32_);
      compress32_ = compress::sha1_portable;
#if defined(VARNELO_X86_SHA)
      if (implementation == Implementation::x86_sha) compress32_ = compress::sha1_x86;
#endif
      break;
    case HashKind::ripemd160:
      std::copy(std::begin(sha1_initial), std::end(sha1_initial), state32_);
      compress32_ = compress::ripemd160_portable;
      break;
    case HashKind::md5:
      std::copy(sha1_initial, sha1_initial + 4, state32_);
      compress32_ = compress::md5_portable;
      break;
  }
}

void BlockHash::compress(const std::uint8_t* blocks, std::size_t count) {
  if (compress64_)
    compress64_(state64_, blocks, count);
  else
    compress32_(state32_, blocks, count);
}

bool BlockHash::top_up(const std::uint8_t*& bytes, std::size_t& size) {
  if (pending_size_ == 0) return true;
  const std::size_t block = block_size();
  const std::size_t take = std::min(size, block - pending_size_);
  std::memcpy(pending_ + pending_size_, bytes, take);
  pending_size_ += take;
  bytes += take;
  size -= take;
  if (pending_size_ < block) return false;
  compress(pending_, 1);
  pending_size_ = 0;
  return true;
}

void BlockHash::absorb(const std::uint8_t* bytes, std::size_t size) {
  const std::size_t block = block_size();
  const std::size_t whole = size / block;
  if (whole > 0) compress(bytes, whole);
  bytes += whole * block;
  size -= whole * block;
  std::memcpy(pending_, bytes, size);
  pending_size_ = size;
}

void BlockHash::update(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  length_ += size;
  if (top_up(bytes, size)) absorb(bytes, size);
}

bool BlockHash::pairs_well(HashKind kind) {
  return (kind == HashKind::sha256 || kind == HashKind::sha224) &&
         best_implementation(kind) == Implementation::x86_sha;
}

void BlockHash::update_two(BlockHash& a, const void* data_a, std::size_t size_a, BlockHash& b,
                           const void* data_b, std::size_t size_b) {
#if defined(VARNELO_X86_SHA)
  if (a.compress32_ == compress::sha256_x86 && b.compress32_ == compress::sha256_x86) {
    const auto* bytes_a = static_cast<const std::uint8_t*>(data_a);
    const auto* bytes_b = static_cast<const std::uint8_t*>(data_b);
    a.length_ += size_a;
    b.length_ += size_b;
    // A block still short takes every byte given, leaving none to pair.
    a.top_up(bytes_a, size_a);
    b.top_up(bytes_b, size_b);
    const std::size_t both = std::min(size_a, size_b) / 64;
    if (both > 0) {
      compress::sha256_x86_two(a.state32_, bytes_a, b.state32_, bytes_b, both);
      bytes_a += both * 64;
      size_a -= both * 64;
      bytes_b += both * 64;
      size_b -= both * 64;
    }
    if (a.pending_size_ == 0) a.absorb(bytes_a, size_a);
    if (b.pending_size_ == 0) b.absorb(bytes_b, size_b);
    return;
  }
#endif
  a.update(data_a, size_a);
  b.update(data_b, size_b);
}

std::vector<std::uint8_t> BlockHash::finish() {
  const std::size_t block = block_size();
  const std::size_t length_field = block / 8;  // 8 bytes of bit length, 16 for SHA-512
  const std::uint64_t bit_length = length_ << 3;
  const std::uint64_t bit_length_high = length_ >> 61;
  std::uint8_t tail[256] = {};
  std::memcpy(tail, pending_, pending_size_);
  tail[pending_size_] = 0x80;
  std::size_t tail_size = pending_size_ + 1 + length_field <= block ? block : 2 * block;
  std::uint8_t* field = tail + tail_size - length_field;
  bool little_endian = kind_ == HashKind::md5 || kind_ == HashKind::ripemd160;
  if (little_endian) {
    bits::store_le32(field, static_cast<std::uint32_t>(bit_length));
    bits::store_le32(field + 4, static_cast<std::uint32_t>(bit_length >> 32));
  } else if (length_field == 16) {
    bits::store_be64(field, bit_length_high);
    bits::store_be64(field + 8, bit_length);
  } else {
    bits::store_be64(field, bit_length);
  }
  compress(tail, tail_size / block);
  pending_size_ = 0;

  std::vector<std::uint8_t> digest(digest_size());
  for (std::size_t i = 0; i < digest.size(); ++i) {
    if (compress64_)
      digest[i] = static_cast<std::uint8_t>(state64_[i / 8] >> (56 - 8 * (i % 8)));
    else if (little_endian)
      digest[i] = static_cast<std::uint8_t>(state32_[i / 4] >> (8 * (i % 4)));
    else
      digest[i] = static_cast<std::uint8_t>(state32_[i / 4] >> (24 - 8 * (i % 4)));
  }
  return digest;
}

std::string hex_digits(const std::vector<std::uint8_t>& bytes) {
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(2 * bytes.size());
  for (std::uint8_t byte : bytes) {
    text.push_back(digits[byte >> 4]);
    text.push_back(digits[byte & 15]);
  }
  return text;
}

}  // namespace varnelo

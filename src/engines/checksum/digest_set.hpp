#pragma once

// Several digests of one stream at once: each byte is read once and handed to every algorithm
// asked for, the algorithms spread over the processor's cores. Knows nothing of files.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace varnelo {

// The block hashes in HashKind's order, then Checksum64.
enum class Algorithm : std::uint8_t { sha512, sha384, sha256, sha224, sha1, ripemd160, md5, checksum64 };

inline constexpr std::size_t algorithm_count = 8;

// Hexadecimal digits of an algorithm's digest: Checksum64's 64 bits give 16.
std::size_t hex_length(Algorithm algorithm);

class DigestSet {
 public:
  // `threads` counts the caller too; 0 takes one per core.
  explicit DigestSet(std::vector<Algorithm> algorithms, unsigned threads = 0);
  ~DigestSet();
  DigestSet(const DigestSet&) = delete;
  DigestSet& operator=(const DigestSet&) = delete;

  void update(const std::uint8_t* data, std::size_t size);
  // Feeds two streams at once, as a.update(data_a, size_a) and b.update(data_b, size_b) would;
  // the faster for sets of one algorithm that pairs_well (see BlockHash::update_two).
  static void update_two(DigestSet& a, const std::uint8_t* data_a, std::size_t size_a, DigestSet& b,
                         const std::uint8_t* data_b, std::size_t size_b);
  // Whether two streams hashed with `algorithms` go faster side by side on one thread.
  static bool pairs_well(const std::vector<Algorithm>& algorithms);
  // The digests in lower-case hexadecimal, in the order the algorithms were given; the set then
  // starts afresh for the next stream.
  std::vector<std::string> finish();

 private:
  struct Engine;
  struct Crew;
  std::vector<std::unique_ptr<Engine>> engines_;
  unsigned threads_;
  std::unique_ptr<Crew> crew_;
};

}  // namespace varnelo

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

#include "crypt/cipher.hpp"

namespace varnelo {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes random_bytes(std::size_t size, unsigned seed) {
  std::mt19937 generator(seed);
  Bytes bytes(size);
  for (auto& byte : bytes)
    byte = static_cast<std::uint8_t>(generator());
  return bytes;
}

// The rule written out byte by byte: offset p is keyed by key[p mod L].
Bytes reference(unsigned operation, const Bytes& data, const Bytes& key) {
  Bytes out(data.size());
  for (std::size_t p = 0; p < data.size(); ++p) {
    std::uint8_t d = data[p], k = key[p % key.size()];
    out[p] = operation == 0   ? d ^ k
             : operation == 1 ? static_cast<std::uint8_t>(d + k)
                              : static_cast<std::uint8_t>(d - k);
  }
  return out;
}

// Feeds `data` to `apply` in pieces of the given sizes, cycling through them.
template <typename Apply>
Bytes in_pieces(Bytes data, const std::vector<std::size_t>& pieces, Apply&& apply) {
  std::size_t at = 0;
  for (std::size_t i = 0; at < data.size(); ++i) {
    std::size_t n = std::min(pieces[i % pieces.size()], data.size() - at);
    apply(data.data() + at, n);
    at += n;
  }
  return data;
}

TEST(ByteRule, WorkedValues) {
  struct Case {
    unsigned operation;
    std::uint8_t data, key, expected;
  };
  const std::vector<Case> cases = {
      {0, 0x41, 0x7F, 0x3E}, {1, 0x41, 0x7F, 0xC0}, {2, 0xC0, 0x7F, 0x41},
      {1, 0xF0, 0x20, 0x10}, {2, 0x10, 0x20, 0xF0}, {0, 0x3E, 0x7F, 0x41},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(cipher_byte(c.operation, c.data, c.key), c.expected) << c.operation << " " << int(c.data);
    std::uint8_t d = c.data, k = c.key;
    apply_key_bytes(c.operation, &d, &k, 1);
    EXPECT_EQ(d, c.expected);
  }
}

TEST(ByteRule, WideLoopMatchesTheRuleOnEveryPairOfBytes) {
  Bytes data, key;
  for (int d = 0; d < 256; ++d)
    for (int k = 0; k < 256; ++k) {
      data.push_back(static_cast<std::uint8_t>(d));
      key.push_back(static_cast<std::uint8_t>(k));
    }
  for (unsigned operation : {0u, 1u, 2u}) {
    Bytes out = data;
    apply_key_bytes(operation, out.data(), key.data(), out.size());
    for (std::size_t i = 0; i < out.size(); ++i)
      ASSERT_EQ(out[i], cipher_byte(operation, data[i], key[i])) << operation << " at " << i;
  }
}

TEST(RepeatingKey, ThreeByteKeyOnTenBytesRestartsAtEveryThirdOffset) {
  Bytes zeros(10, 0);
  RepeatingKey key(Bytes{'a', 'b', 'c'});
  key.apply(0, zeros.data(), zeros.size());
  EXPECT_EQ(std::string(zeros.begin(), zeros.end()), "abcabcabca");
  EXPECT_EQ(key.phase(), 1u);
}

TEST(RepeatingKey, MatchesTheReferenceWhateverTheKeyLengthAndPieceSizes) {
  const Bytes data = random_bytes(70000, 7);
  const std::vector<std::size_t> key_lengths = {1, 2, 3, 7, 64, 4095, 4096, 4097, 999, 16385, 40000};
  const std::vector<std::vector<std::size_t>> piece_patterns = {
      {70000}, {4096}, {1, 4095, 4097, 17, 16384, 3}, {1}};
  for (std::size_t length : key_lengths) {
    const Bytes key_bytes = random_bytes(length, static_cast<unsigned>(length));
    for (unsigned operation : {0u, 1u, 2u}) {
      const Bytes expected = reference(operation, data, key_bytes);
      for (const auto& pieces : piece_patterns) {
        RepeatingKey key(key_bytes);
        Bytes out =
            in_pieces(data, pieces, [&](std::uint8_t* at, std::size_t n) { key.apply(operation, at, n); });
        ASSERT_TRUE(out == expected) << "key length " << length << " operation " << operation
                                     << " first piece " << pieces.front();
      }
    }
  }
}

// A key file in memory that counts how it is used and can be made to come short.
class MemoryKey : public KeySource {
 public:
  explicit MemoryKey(Bytes bytes, std::size_t readable = SIZE_MAX)
      : bytes_(std::move(bytes)), readable_(readable) {}
  bool rewind() override {
    rewinds_.push_back(data_offset_);
    at_ = 0;
    return true;
  }
  std::size_t read(std::uint8_t* buffer, std::size_t count) override {
    ++reads_;
    largest_read_ = std::max(largest_read_, count);
    std::size_t n = std::min({count, bytes_.size() - at_, readable_});
    std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(at_), n, buffer);
    at_ += n;
    readable_ -= n;
    bytes_read_ += n;
    return n;
  }

  Bytes bytes_;
  std::size_t readable_;
  std::size_t at_ = 0;
  // The data offset the test is at, recorded at each rewind.
  std::size_t data_offset_ = 0;
  std::vector<std::size_t> rewinds_;
  std::size_t reads_ = 0, largest_read_ = 0, bytes_read_ = 0;
};

struct StreamCase {
  std::size_t key_size, data_size, block_size, hold_limit;
  std::vector<std::size_t> pieces;
  std::vector<std::size_t> rewinds;  // data offsets at which the key file is rewound
};

TEST(KeyFileStream, StreamsTheKeyAndRewindsAtEachMultipleOfItsLength) {
  const std::vector<StreamCase> cases = {
      {3, 10, 4096, 0, {4096}, {0, 3, 6, 9}},
      {3, 10, 4096, 0, {1}, {0, 3, 6, 9}},
      {4096, 8192, 4096, 0, {4096}, {0, 4096}},
      {4096, 8192, 1000, 0, {3000}, {0, 4096}},
      {10000, 5000, 4096, 0, {4096}, {0}},
      {1000, 5000, 64, 0, {777, 5}, {0, 1000, 2000, 3000, 4000}},
      {3, 100000, 1 << 20, 1 << 16, {4096}, {0}},  // short key: read once and kept
      {5000, 12000, 1 << 20, 1 << 16, {7, 4096}, {0}},
  };
  for (const auto& c : cases) {
    const Bytes key_bytes = random_bytes(c.key_size, 11);
    const Bytes data = random_bytes(c.data_size, 12);
    for (unsigned operation : {0u, 1u, 2u}) {
      MemoryKey source(key_bytes);
      KeyFileStream stream(source, static_cast<std::int64_t>(c.key_size), c.block_size, c.hold_limit);
      // Step through each piece in chunks so every rewind can be tied to its data offset.
      Bytes out = in_pieces(data, c.pieces, [&](std::uint8_t* at, std::size_t n) {
        for (std::size_t done = 0; done < n;) {
          std::size_t step = std::min(n - done, c.key_size - source.data_offset_ % c.key_size);
          ASSERT_TRUE(stream.apply(operation, at + done, step));
          done += step;
          source.data_offset_ += step;
        }
      });
      EXPECT_TRUE(out == reference(operation, data, key_bytes)) << c.key_size << " on " << c.data_size;
      EXPECT_EQ(source.rewinds_, c.rewinds) << c.key_size << " on " << c.data_size;
      EXPECT_LE(source.largest_read_, std::max(c.block_size, c.hold_limit));
      std::size_t expected_bytes = c.key_size <= c.hold_limit ? c.key_size : c.data_size;
      EXPECT_EQ(source.bytes_read_, expected_bytes) << "each key byte is read once per use";
    }
  }
}

TEST(KeyFileStream, WholeBuffersGiveTheSameResultAsSmallSteps) {
  const Bytes key_bytes = random_bytes(1 << 16 | 5, 4);
  const Bytes data = random_bytes(300000, 5);
  MemoryKey source(key_bytes);
  KeyFileStream stream(source, static_cast<std::int64_t>(key_bytes.size()), 1 << 14);
  Bytes out = in_pieces(data, {1 << 17},
                        [&](std::uint8_t* at, std::size_t n) { ASSERT_TRUE(stream.apply(2, at, n)); });
  EXPECT_TRUE(out == reference(2, data, key_bytes));
  EXPECT_LE(source.largest_read_, std::size_t{1} << 14);
}

TEST(KeyFileStream, NothingIsReadForEmptyData) {
  MemoryKey source(Bytes{});
  KeyFileStream empty_key(source, 0);
  EXPECT_TRUE(empty_key.apply(0, nullptr, 0));
  EXPECT_EQ(source.reads_, 0u);
  EXPECT_TRUE(source.rewinds_.empty());
}

TEST(KeyFileStream, FailsWhenTheKeyIsEmptyOrComesShort) {
  struct Case {
    std::size_t key_size, readable, hold_limit;
  };
  const std::vector<Case> cases = {
      {0, 0, 0}, {0, 0, 1 << 16}, {100, 50, 0}, {100, 50, 1 << 16}, {100, 150, 0}};
  for (const auto& c : cases) {
    MemoryKey source(random_bytes(c.key_size, 1), c.readable);
    KeyFileStream stream(source, static_cast<std::int64_t>(c.key_size), 4096, c.hold_limit);
    Bytes data(250, 1);
    // The third case reads 50 bytes, the fifth stops on the second pass over the key.
    bool ok = stream.apply(0, data.data(), data.size());
    EXPECT_FALSE(ok) << c.key_size << " readable " << c.readable;
    EXPECT_FALSE(stream.apply(0, data.data(), 1)) << "a failed stream stays failed";
  }
}

}  // namespace
}  // namespace varnelo

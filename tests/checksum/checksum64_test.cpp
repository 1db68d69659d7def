#include <random>
#include <string>
#include <vector>

#include "checksum/checksum64.hpp"
#include "checksum/checksum64_reference.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

std::uint64_t reference(const std::string& data) {
  return testing::checksum64_reference(data);
}

std::uint64_t ours(const std::string& data, unsigned seed) {
  Checksum64 checksum;
  if (seed == 0) {
    checksum.update(data.data(), data.size());
  } else {
    std::mt19937 random(seed);
    std::size_t at = 0;
    while (at < data.size()) {
      std::size_t take = std::min<std::size_t>(random() % 200, data.size() - at);
      checksum.update(data.data() + at, take);
      at += take;
    }
  }
  EXPECT_EQ(checksum.bytes(), data.size());
  return checksum.value();
}

TEST(Checksum64, PublishedExamples) {
  struct Case {
    std::string data;
    std::uint64_t value;
  };
  const std::vector<Case> cases = {
      {"", 0x204967e9132b3e81},
      {"a", 0x780b79afbb2d98e8},
      {"abc", 0x4be3e85a17edffec},
      {"abcdefgh", 0xb84a0d7ee45669d2},
      {"abcdefghijklmnop", 0x20b3e053bb2f44dc},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ours(c.data, 0), c.value) << c.data;
    EXPECT_EQ(reference(c.data), c.value) << c.data;
  }
}

TEST(Checksum64, FiftySixBytesFeedBothAccumulatorsTheSameWindow) {
  // At byte 56, B takes the full window just before A does; the 57th byte then starts afresh.
  std::string data = testing::pattern_bytes(57, 5);
  for (std::size_t length : {55u, 56u, 57u})
    EXPECT_EQ(ours(data.substr(0, length), 0), reference(data.substr(0, length)));
}

TEST(Checksum64, EqualsTheDefinitionForEveryLengthUpTo300InAnyPieces) {
  const std::string data = testing::pattern_bytes(300, 11);
  for (std::size_t length = 0; length <= 300; ++length) {
    std::string message = data.substr(0, length);
    std::uint64_t expected = reference(message);
    ASSERT_EQ(ours(message, 0), expected) << length;
    ASSERT_EQ(ours(message, static_cast<unsigned>(length) + 1), expected) << "pieces, " << length;
  }
}

TEST(Checksum64, EqualsTheDefinitionOnLargeRandomBuffers) {
  std::mt19937_64 random(7);
  for (std::size_t size : {std::size_t{4096}, std::size_t{100003}, std::size_t{1 << 20}}) {
    std::string data(size, '\0');
    for (char& c : data)
      c = static_cast<char>(random());
    std::uint64_t expected = reference(data);
    EXPECT_EQ(ours(data, 0), expected) << size;
    EXPECT_EQ(ours(data, 99), expected) << size;
  }
}

}  // namespace
}  // namespace varnelo

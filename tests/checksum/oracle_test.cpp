// Every block hash against OpenSSL's libcrypto, an implementation written independently of ours.

#include <openssl/evp.h>
#include <openssl/provider.h>

#include <random>
#include <string>
#include <vector>

#include "checksum/block_hash.hpp"
#include "support/cpu_levels.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

const EVP_MD* oracle_for(HashKind kind) {
  switch (kind) {
    case HashKind::sha512:
      return EVP_sha512();
    case HashKind::sha384:
      return EVP_sha384();
    case HashKind::sha256:
      return EVP_sha256();
    case HashKind::sha224:
      return EVP_sha224();
    case HashKind::sha1:
      return EVP_sha1();
    case HashKind::ripemd160:
      return EVP_ripemd160();
    case HashKind::md5:
      return EVP_md5();
  }
  return nullptr;
}

// Some OpenSSL builds keep RIPEMD-160 only in the legacy provider; it is loaded when the
// default one cannot compute a digest, and unloaded at exit.
class Providers {
 public:
  ~Providers() {
    if (legacy_) OSSL_PROVIDER_unload(legacy_);
    if (default_) OSSL_PROVIDER_unload(default_);
  }
  void load_legacy() {
    if (legacy_) return;
    legacy_ = OSSL_PROVIDER_load(nullptr, "legacy");
    default_ = OSSL_PROVIDER_load(nullptr, "default");
  }

 private:
  OSSL_PROVIDER* legacy_ = nullptr;
  OSSL_PROVIDER* default_ = nullptr;
};

std::string oracle_digest(HashKind kind, const std::string& data) {
  static Providers providers;
  unsigned char out[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(data.data(), data.size(), out, &size, oracle_for(kind), nullptr) != 1) {
    providers.load_legacy();
    if (EVP_Digest(data.data(), data.size(), out, &size, oracle_for(kind), nullptr) != 1)
      return "oracle failed";
  }
  return hex_digits(std::vector<std::uint8_t>(out, out + size));
}

// Runs `check` once with each implementation of `kind` the machine has.
template <typename Check>
void for_each_implementation(HashKind kind, Check check) {
  testing::for_each_variant([kind] { return BlockHash::best_implementation(kind); }, check);
}

std::string our_digest(HashKind kind, const std::string& data, std::size_t seed) {
  BlockHash hash(kind);
  if (seed == 0) {
    hash.update(data.data(), data.size());
  } else {
    // Uneven pieces, so that buffered and direct blocks mix at every offset.
    std::mt19937 random(static_cast<unsigned>(seed));
    std::size_t at = 0;
    while (at < data.size()) {
      std::size_t take = std::min<std::size_t>(random() % 300, data.size() - at);
      hash.update(data.data() + at, take);
      at += take;
    }
  }
  return hex_digits(hash.finish());
}

const HashKind all_kinds[] = {HashKind::sha512, HashKind::sha384,    HashKind::sha256, HashKind::sha224,
                              HashKind::sha1,   HashKind::ripemd160, HashKind::md5};

TEST(OracleDifferential, EveryLengthUpTo1100InOnePieceAndInChunks) {
  const std::string data = testing::pattern_bytes(1100, 17);
  for (HashKind kind : all_kinds) {
    for_each_implementation(kind, [&] {
      for (std::size_t length = 0; length <= 1100; ++length) {
        std::string message = data.substr(0, length);
        std::string expected = oracle_digest(kind, message);
        ASSERT_EQ(our_digest(kind, message, 0), expected) << "kind " << int(kind) << ", length " << length;
        ASSERT_EQ(our_digest(kind, message, length + 1), expected)
            << "chunks, kind " << int(kind) << ", length " << length;
      }
    });
  }
}

TEST(OracleDifferential, LargeRandomBuffers) {
  std::mt19937_64 random(20120212);
  for (std::size_t size : {std::size_t{65536}, std::size_t{1000003}, std::size_t{3 << 20}}) {
    std::string data(size, '\0');
    for (char& c : data)
      c = static_cast<char>(random());
    for (HashKind kind : all_kinds) {
      std::string expected = oracle_digest(kind, data);
      for_each_implementation(kind, [&] {
        EXPECT_EQ(our_digest(kind, data, 0), expected) << int(kind) << " " << size;
        EXPECT_EQ(our_digest(kind, data, size), expected) << int(kind) << " chunks " << size;
      });
    }
  }
}

}  // namespace
}  // namespace varnelo

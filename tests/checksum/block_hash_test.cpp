#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "checksum/block_hash.hpp"
#include "checksum/checksum64.hpp"
#include "checksum/digest_set.hpp"
#include "checksum/jobs.hpp"
#include "support/cpu_levels.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

std::string digest_of(HashKind kind, const std::string& message) {
  BlockHash hash(kind);
  hash.update(message.data(), message.size());
  return hex_digits(hash.finish());
}

std::string portable_digest(HashKind kind, const std::string& message) {
  CpuFeaturesOverride none(CpuFeatures{});
  return digest_of(kind, message);
}

// Runs `check` once with each implementation of `kind` the machine has.
template <typename Check>
void for_each_implementation(HashKind kind, Check check) {
  testing::for_each_variant([kind] { return BlockHash::best_implementation(kind); }, check);
}

struct KnownAnswer {
  HashKind kind;
  std::string message;
  std::string digest;
};

const std::string two_blocks_32 = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
const std::string two_blocks_64 =
    "abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlmnopqrsmnopqrst"
    "nopqrstu";
const std::string million_a(1000000, 'a');

const std::vector<KnownAnswer> known_answers = {
    // FIPS 180 examples: one block, two blocks, one million "a".
    {HashKind::sha512, "abc",
     "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d442"
     "3643ce80e"
     "2a9ac94fa54ca49f"},
    {HashKind::sha512, two_blocks_64,
     "8e959b75dae313da8cf4f72814fc143f8f7779c6eb9f7fa17299aeadb6889018501d289e4900f7e4331b99dec4b5433ac7d329e"
     "eb6dd2654"
     "5e96e55b874be909"},
    {HashKind::sha512, million_a,
     "e718483d0ce769644e2e42c7bc15b4638e1f98b13b2044285632a803afa973ebde0ff244877ea60a4cb0432ce577c31beb009c5"
     "c2c49aa2e"
     "4eadb217ad8cc09b"},
    {HashKind::sha512, "",
     "cf83e1357eefb8bdf1542850d66d8007d620e4050b5715dc83f4a921d36ce9ce47d0d13c5d85f2b0ff8318d2877eec2f63b931b"
     "d47417a81"
     "a538327af927da3e"},
    {HashKind::sha384, "abc",
     "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
    {HashKind::sha384, two_blocks_64,
     "09330c33f71147e83d192fc782cd1b4753111b173b3b05d22fa08086e3b0f712fcc7c71a557e2db966c3e9fa91746039"},
    {HashKind::sha384, million_a,
     "9d0e1809716474cb086e834e310a4a1ced149e9c00f248527972cec5704c2a5b07b8b3dc38ecc4ebae97ddd87f3d8985"},
    {HashKind::sha384, "",
     "38b060a751ac96384cd9327eb1b1e36a21fdb71114be07434c0cc7bf63f6e1da274edebfe76f65fbd51ad2f14898b95b"},
    {HashKind::sha256, "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
    {HashKind::sha256, two_blocks_32, "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
    {HashKind::sha256, million_a, "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    {HashKind::sha256, "", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {HashKind::sha224, "abc", "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7"},
    {HashKind::sha224, two_blocks_32, "75388b16512776cc5dba5da1fd890150b0c6455cb4f58b1952522525"},
    {HashKind::sha224, million_a, "20794655980c91d8bbb4c1ea97618a4bf03f42581948b2ee4ee7ad67"},
    {HashKind::sha224, "", "d14a028c2a3a2bc9476102bb288234c415a2b01f828ea62ac5b3e42f"},
    {HashKind::sha1, "abc", "a9993e364706816aba3e25717850c26c9cd0d89d"},
    {HashKind::sha1, two_blocks_32, "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
    {HashKind::sha1, million_a, "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    {HashKind::sha1, "", "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
    // The test messages of the RIPEMD-160 paper.
    {HashKind::ripemd160, "", "9c1185a5c5e9fc54612808977ee8f548b2258d31"},
    {HashKind::ripemd160, "a", "0bdc9d2d256b3ee9daae347be6f4dc835a467ffe"},
    {HashKind::ripemd160, "abc", "8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
    {HashKind::ripemd160, "message digest", "5d0689ef49d2fae572b881b123a85ffa21595f36"},
    {HashKind::ripemd160, "abcdefghijklmnopqrstuvwxyz", "f71c27109c692c1b56bbdceb5b9d2865b3708dbc"},
    {HashKind::ripemd160, two_blocks_32, "12a053384a9c0c88e405a06c27dcf49ada62eb2b"},
    {HashKind::ripemd160, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "b0e20b6e3116640286ed3a87a5713079b21f5189"},
    {HashKind::ripemd160, "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "9b752e45573d4b39f4dbd3323cab82bf63326bfb"},
    {HashKind::ripemd160, million_a, "52783243c1697bdbe16d37f97f68f08325dc1528"},
    // The RFC 1321 test suite.
    {HashKind::md5, "", "d41d8cd98f00b204e9800998ecf8427e"},
    {HashKind::md5, "a", "0cc175b9c0f1b6a831c399e269772661"},
    {HashKind::md5, "abc", "900150983cd24fb0d6963f7d28e17f72"},
    {HashKind::md5, "message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {HashKind::md5, "abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {HashKind::md5, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789",
     "d174ab98d277d9f5a5611c2c9f419d9f"},
    {HashKind::md5, "12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(BlockHash, PublishedDigestsForEveryImplementation) {
  for (const auto& answer : known_answers)
    for_each_implementation(answer.kind, [&] {
      EXPECT_EQ(digest_of(answer.kind, answer.message), answer.digest)
          << "kind " << int(answer.kind) << ", length " << answer.message.size();
    });
}

TEST(BlockHash, DefaultImplementationAgreesWithPortable) {
  const std::string data = testing::pattern_bytes(5000, 3);
  for (HashKind kind : {HashKind::sha512, HashKind::sha384, HashKind::sha256, HashKind::sha224,
                        HashKind::sha1, HashKind::ripemd160, HashKind::md5}) {
    BlockHash chosen(kind);
    chosen.update(data.data(), data.size());
    EXPECT_EQ(hex_digits(chosen.finish()), portable_digest(kind, data)) << int(kind);
  }
}

TEST(BlockHash, ManySmallUpdatesEqualOneCall) {
  const std::string data = testing::pattern_bytes(3000, 9);
  const std::size_t pieces[] = {1, 3, 63, 64, 65, 127, 128, 129, 200};
  for (HashKind kind :
       {HashKind::sha512, HashKind::sha256, HashKind::sha1, HashKind::ripemd160, HashKind::md5}) {
    for_each_implementation(kind, [&] {
      BlockHash hash(kind);
      std::size_t at = 0;
      for (std::size_t i = 0; at < data.size(); ++i) {
        std::size_t take = std::min(pieces[i % std::size(pieces)], data.size() - at);
        hash.update(data.data() + at, take);
        at += take;
      }
      EXPECT_EQ(hex_digits(hash.finish()), portable_digest(kind, data)) << int(kind);
    });
  }
}

// Two messages fed side by side, in pieces that leave either one's blocks part-filled, come to
// what each alone gives; so do two files hashed side by side, one of them coming short.
TEST(BlockHash, TwoFedSideBySideEqualEachAlone) {
  struct Case {
    HashKind kind_a, kind_b;
    std::size_t length_a, length_b, piece_a, piece_b;
  };
  const std::vector<Case> cases = {
      {HashKind::sha256, HashKind::sha256, 100000, 100000, 4096, 4096},
      {HashKind::sha256, HashKind::sha224, 70001, 333, 1000, 7},
      {HashKind::sha224, HashKind::sha256, 64, 0, 64, 1},
      {HashKind::sha256, HashKind::sha256, 5000, 9000, 65, 63},
      {HashKind::sha256, HashKind::sha1, 3000, 3000, 128, 128},
      {HashKind::md5, HashKind::sha256, 200, 70000, 1, 700},
  };
  for (const Case& c : cases)
    for_each_implementation(HashKind::sha256, [&] {
      const std::string a = testing::pattern_bytes(c.length_a, 1), b = testing::pattern_bytes(c.length_b, 2);
      BlockHash hash_a(c.kind_a), hash_b(c.kind_b);
      for (std::size_t at_a = 0, at_b = 0; at_a < a.size() || at_b < b.size();) {
        const std::size_t take_a = std::min(c.piece_a, a.size() - at_a),
                          take_b = std::min(c.piece_b, b.size() - at_b);
        BlockHash::update_two(hash_a, a.data() + at_a, take_a, hash_b, b.data() + at_b, take_b);
        at_a += take_a;
        at_b += take_b;
      }
      EXPECT_EQ(hex_digits(hash_a.finish()), portable_digest(c.kind_a, a)) << c.length_a << " " << c.length_b;
      EXPECT_EQ(hex_digits(hash_b.finish()), portable_digest(c.kind_b, b)) << c.length_a << " " << c.length_b;
    });

  testing::TempDir dir;
  const std::string a = testing::pattern_bytes(300000, 3), b = testing::pattern_bytes(1000, 4);
  std::optional<File> file_a = File::open_read(dir.write("a", a)),
                      file_b = File::open_read(dir.write("b", b));
  auto [found_a, found_b] = hash_two_files(*file_a, 300000, *file_b, 1001, {Algorithm::sha256});
  EXPECT_FALSE(found_a.fault);
  EXPECT_EQ(found_a.digests, std::vector<std::string>{portable_digest(HashKind::sha256, a)});
  EXPECT_TRUE(found_b.fault) << "a file shorter than its measure is a read error";
}

TEST(HexDigits, LowerCaseWithLeadingZeros) {
  EXPECT_EQ(hex_digits({0x00, 0x0f, 0xa0, 0xff}), "000fa0ff");
  EXPECT_EQ(hex_digits({}), "");
}

// Several digests at once, on one thread or spread over several, in pieces small and large, equal
// the digests made one by one; the set starts afresh after each finish.
TEST(DigestSet, EqualsEachDigestAloneWhateverTheThreadsAndPieces) {
  const std::vector<Algorithm> every = {Algorithm::sha512, Algorithm::sha384,    Algorithm::sha256,
                                        Algorithm::sha224, Algorithm::sha1,      Algorithm::ripemd160,
                                        Algorithm::md5,    Algorithm::checksum64};
  auto alone = [](Algorithm algorithm, const std::string& data) {
    if (algorithm != Algorithm::checksum64) {
      BlockHash hash(static_cast<HashKind>(algorithm));
      hash.update(data.data(), data.size());
      return hex_digits(hash.finish());
    }
    Checksum64 sum;
    sum.update(data.data(), data.size());
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(sum.value()));
    return std::string(text);
  };
  struct Case {
    std::vector<Algorithm> algorithms;
    unsigned threads;
    std::vector<std::size_t> pieces;  // repeated until the data is used up
  };
  const std::vector<Case> cases = {
      {every, 1, {1 << 20}},
      {every, 2, {1 << 20}},
      {every, 3, {70000, 1, 200000, 63}},
      {{Algorithm::md5, Algorithm::checksum64}, 2, {65536, 65535, 3}},
      {{Algorithm::sha256}, 4, {300000}},
      {{Algorithm::ripemd160, Algorithm::sha1, Algorithm::sha384}, 0, {128 * 1024 + 5}},
  };
  const std::string data = testing::pattern_bytes(3 * 1048576 + 77, 9);
  for (const auto& c : cases) {
    DigestSet digests(c.algorithms, c.threads);
    for (int stream = 0; stream < 2; ++stream) {
      const std::string bytes = data.substr(0, data.size() - static_cast<std::size_t>(stream) * 1000);
      for (std::size_t at = 0, k = 0; at < bytes.size(); ++k) {
        const std::size_t piece = std::min(c.pieces[k % c.pieces.size()], bytes.size() - at);
        digests.update(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at, piece);
        at += piece;
      }
      const std::vector<std::string> found = digests.finish();
      ASSERT_EQ(found.size(), c.algorithms.size());
      for (std::size_t k = 0; k < c.algorithms.size(); ++k) {
        EXPECT_EQ(found[k], alone(c.algorithms[k], bytes)) << "threads " << c.threads << ", algorithm " << k;
        EXPECT_EQ(found[k].size(), hex_length(c.algorithms[k]));
      }
    }
  }
}

}  // namespace
}  // namespace varnelo

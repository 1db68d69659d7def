#include "support/cpu_features.hpp"

#include <gtest/gtest.h>

#include <algorithm>

#include "checksum/block_hash.hpp"
#include "compare/pair_scan.hpp"
#include "encoding/text_codec.hpp"

namespace varnelo {
namespace {

constexpr bool CpuFeatures::*every_flag[] = {
    &CpuFeatures::sse2, &CpuFeatures::ssse3, &CpuFeatures::sse41,   &CpuFeatures::sha,
    &CpuFeatures::avx2, &CpuFeatures::bmi2,  &CpuFeatures::avx512f, &CpuFeatures::avx512vl};

// Each lacks one thing a faster variant needs besides its main feature.
constexpr CpuFeatures avx512_without_vl{
    .sse2 = true, .ssse3 = true, .sse41 = true, .avx2 = true, .bmi2 = true, .avx512f = true};
constexpr CpuFeatures sha_and_avx2_without_sse2_or_bmi2{
    .ssse3 = true, .sse41 = true, .sha = true, .avx2 = true};
constexpr CpuFeatures avx2_and_sha_without_ssse3{
    .sse2 = true, .sse41 = true, .sha = true, .avx2 = true, .bmi2 = true};

TEST(CpuFeaturesOverride, EveryDispatcherTakesTheBestVariantTheMaskLeavesUntilItEnds) {
  using enum Implementation;
  const struct {
    CpuFeatures keep;
    Implementation sha512, sha256;
    CodecLoops codec;
    bool sse2_pair_scan;
  } table[] = {
      {every_cpu_feature, x86_avx512, x86_sha, CodecLoops::avx2, true},
      {avx512_without_vl, x86_avx2, portable, CodecLoops::avx2, true},
      {sha_and_avx2_without_sse2_or_bmi2, portable, x86_sha, CodecLoops::avx2, false},
      {{.sse2 = true, .ssse3 = true, .sse41 = true}, portable, portable, CodecLoops::ssse3, true},
      {avx2_and_sha_without_ssse3, x86_avx2, portable, CodecLoops::portable, true},
      {{}, portable, portable, CodecLoops::portable, false},
  };
  const CpuFeatures found = cpu_features();
  for (const auto& row : table) {
    // A row asking for features this machine lacks has nothing to show on it.
    if (!std::ranges::all_of(every_flag, [&](auto flag) { return found.*flag || !(row.keep.*flag); }))
      continue;
    SCOPED_TRACE(::testing::Message() << "row " << &row - table);
    {
      CpuFeaturesOverride mask(row.keep);
      {
        CpuFeaturesOverride nested(every_cpu_feature);  // cannot bring back what `mask` took away
        EXPECT_EQ(cpu_features(), row.keep);
      }
      for (HashKind kind : {HashKind::sha512, HashKind::sha384})
        EXPECT_EQ(BlockHash::best_implementation(kind), row.sha512);
      for (HashKind kind : {HashKind::sha256, HashKind::sha224, HashKind::sha1})
        EXPECT_EQ(BlockHash::best_implementation(kind), row.sha256);
      for (HashKind kind : {HashKind::ripemd160, HashKind::md5})
        EXPECT_EQ(BlockHash::best_implementation(kind), portable);
      EXPECT_EQ(best_codec_loops(), row.codec);
      EXPECT_EQ(best_pair_finder() != find_pair_portable, row.sse2_pair_scan);
    }
    EXPECT_EQ(cpu_features(), found);
  }
}

}  // namespace
}  // namespace varnelo

#include "io/cpu_features.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <iterator>

#include "checksum/block_hash.hpp"
#include "compare/pair_scan.hpp"
#include "encoding/text_codec.hpp"

namespace varnelo {
namespace {

constexpr bool CpuFeatures::*every_flag[] = {
    &CpuFeatures::sse2, &CpuFeatures::ssse3, &CpuFeatures::sse41,   &CpuFeatures::sha,
    &CpuFeatures::avx2, &CpuFeatures::bmi2,  &CpuFeatures::avx512f, &CpuFeatures::avx512vl};

constexpr CpuFeatures sse_only{.sse2 = true, .ssse3 = true, .sse41 = true};
constexpr CpuFeatures avx2_without_sse{.avx2 = true, .bmi2 = true};
// Each lacks one thing a faster variant needs besides its main feature.
constexpr CpuFeatures avx512_without_vl_or_sha{
    .sse2 = true, .ssse3 = true, .sse41 = true, .avx2 = true, .bmi2 = true, .avx512f = true};
constexpr CpuFeatures sha_and_avx2_without_sse2_or_bmi2{
    .ssse3 = true, .sse41 = true, .sha = true, .avx2 = true};
constexpr CpuFeatures avx2_and_sha_without_ssse3{
    .sse2 = true, .sse41 = true, .sha = true, .avx2 = true, .bmi2 = true};

void expect_masked(const CpuFeatures& found, const CpuFeatures& keep) {
  for (auto flag : every_flag)
    EXPECT_EQ(cpu_features().*flag, found.*flag && keep.*flag);
}

TEST(CpuFeaturesOverride, KeepsOnlyWhatItIsGivenAndRestoresOnExit) {
  const CpuFeatures found = cpu_features();
  for (const CpuFeatures& keep : {CpuFeatures{}, sse_only, avx2_without_sse, every_cpu_feature}) {
    {
      CpuFeaturesOverride mask(keep);
      expect_masked(found, keep);
    }
    EXPECT_EQ(cpu_features(), found);
  }
}

TEST(CpuFeaturesOverride, NestedGuardsOnlyNarrowAndUnwindInTurn) {
  const CpuFeatures found = cpu_features();
  {
    CpuFeaturesOverride outer(sse_only);
    {
      // Asking for every feature inside cannot bring back what the outer guard masked off.
      CpuFeaturesOverride inner(every_cpu_feature);
      expect_masked(found, sse_only);
      {
        CpuFeaturesOverride innermost(CpuFeatures{.ssse3 = true});
        expect_masked(found, CpuFeatures{.ssse3 = true});
      }
      expect_masked(found, sse_only);
    }
    expect_masked(found, sse_only);
  }
  EXPECT_EQ(cpu_features(), found);
}

TEST(CpuFeaturesOverride, EachDispatcherTakesTheBestVariantTheFeaturesAllow) {
  using enum Implementation;
  const struct {
    CpuFeatures keep;
    Implementation sha512, sha256;
    CodecLoops codec;
    bool sse2_pair_scan;
  } table[] = {
      {every_cpu_feature, x86_avx512, x86_sha, CodecLoops::avx2, true},
      {avx512_without_vl_or_sha, x86_avx2, portable, CodecLoops::avx2, true},
      {sha_and_avx2_without_sse2_or_bmi2, portable, x86_sha, CodecLoops::avx2, false},
      {sse_only, portable, portable, CodecLoops::ssse3, true},
      {avx2_and_sha_without_ssse3, x86_avx2, portable, CodecLoops::portable, true},
      {{}, portable, portable, CodecLoops::portable, false},
  };
  for (std::size_t row = 0; row < std::size(table); ++row) {
    CpuFeaturesOverride mask(table[row].keep);
    // A row asking for features this machine lacks shows nothing here.
    if (!(cpu_features() == table[row].keep)) continue;
    for (HashKind kind : {HashKind::sha512, HashKind::sha384})
      EXPECT_EQ(BlockHash::best_implementation(kind), table[row].sha512) << "row " << row;
    for (HashKind kind : {HashKind::sha256, HashKind::sha224, HashKind::sha1})
      EXPECT_EQ(BlockHash::best_implementation(kind), table[row].sha256) << "row " << row;
    for (HashKind kind : {HashKind::ripemd160, HashKind::md5})
      EXPECT_EQ(BlockHash::best_implementation(kind), portable) << "row " << row;
    EXPECT_EQ(best_codec_loops(), table[row].codec) << "row " << row;
    EXPECT_EQ(best_pair_finder() != find_pair_portable, table[row].sse2_pair_scan) << "row " << row;
  }
}

#if defined(__x86_64__)
TEST(CpuFeatures, AgreeWithTheCompilersOwnRuntimeCheck) {
  // An independent reading of the same bits, including the system's register-saving mask.
  __builtin_cpu_init();
  const struct {
    bool CpuFeatures::*flag;
    bool compiler_says;
  } table[] = {
    {&CpuFeatures::sse2, __builtin_cpu_supports("sse2") != 0},
    {&CpuFeatures::ssse3, __builtin_cpu_supports("ssse3") != 0},
    {&CpuFeatures::sse41, __builtin_cpu_supports("sse4.1") != 0},
    {&CpuFeatures::avx2, __builtin_cpu_supports("avx2") != 0},
    {&CpuFeatures::bmi2, __builtin_cpu_supports("bmi2") != 0},
    {&CpuFeatures::avx512f, __builtin_cpu_supports("avx512f") != 0},
    {&CpuFeatures::avx512vl, __builtin_cpu_supports("avx512vl") != 0},
#if !defined(__clang__)
    {&CpuFeatures::sha, __builtin_cpu_supports("sha") != 0},  // clang has no name for it
#endif
  };
  for (std::size_t row = 0; row < std::size(table); ++row)
    EXPECT_EQ(cpu_features().*table[row].flag, table[row].compiler_says) << "row " << row;
}
#endif

}  // namespace
}  // namespace varnelo

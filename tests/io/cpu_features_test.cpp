#include "io/cpu_features.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <iterator>

namespace varnelo {
namespace {

constexpr bool CpuFeatures::*every_flag[] = {
    &CpuFeatures::sse2, &CpuFeatures::ssse3, &CpuFeatures::sse41,   &CpuFeatures::sha,
    &CpuFeatures::avx2, &CpuFeatures::bmi2,  &CpuFeatures::avx512f, &CpuFeatures::avx512vl};

constexpr CpuFeatures sse_only{.sse2 = true, .ssse3 = true, .sse41 = true};
constexpr CpuFeatures avx2_without_sse{.avx2 = true, .bmi2 = true};

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

#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "support/cpu_features.hpp"

namespace varnelo::testing {

// From everything the machine has down to nothing; between them every dispatcher takes each of
// its variants the machine can run: AVX-512 and SHA, then AVX2, then SSSE3, then portable code.
struct CpuLevel {
  const char* name;
  CpuFeatures keep;
};
inline constexpr CpuLevel cpu_levels[] = {
    {"every feature", every_cpu_feature},
    {"AVX2 without AVX-512 or SHA", {.sse2 = true, .ssse3 = true, .sse41 = true, .avx2 = true, .bmi2 = true}},
    {"SSE only", {.sse2 = true, .ssse3 = true, .sse41 = true}},
    {"no features", {}},
};

// Runs `check` under each level where `chosen` (the dispatcher's choice, such as
// best_pair_finder) picks a variant not run yet.
template <typename Chosen, typename Check>
void for_each_variant(Chosen chosen, Check check) {
  std::vector<decltype(chosen())> seen;
  for (const CpuLevel& level : cpu_levels) {
    CpuFeaturesOverride mask(level.keep);
    if (std::find(seen.begin(), seen.end(), chosen()) != seen.end()) continue;
    seen.push_back(chosen());
    SCOPED_TRACE(level.name);
    check();
  }
}

}  // namespace varnelo::testing

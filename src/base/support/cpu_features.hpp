#pragma once

// What the processor offers the fast paths, asked once per run. This is the only place that
// asks; every dispatcher reads these flags, so a test can mask them off and reach each variant.

namespace varnelo {

// A flag is set only when the program may use the instructions: the wider AVX registers also
// need the system to save them across task switches. Off x86-64 every flag is false.
struct CpuFeatures {
  bool sse2 = false;
  bool ssse3 = false;
  bool sse41 = false;
  bool sha = false;
  bool avx2 = false;
  bool bmi2 = false;
  bool avx512f = false;
  bool avx512vl = false;

  bool operator==(const CpuFeatures&) const = default;
};

// Every flag set: to an override, everything the processor has.
inline constexpr CpuFeatures every_cpu_feature{true, true, true, true, true, true, true, true};

// The features in force: those found on the processor, less what an override masks off.
const CpuFeatures& cpu_features();

// Keeps only the features set in `keep` for as long as it lives, then restores the ones
// before it; it never adds a feature the processor lacks. Guards nest; no thread may be
// choosing a variant while one is made or ended.
class CpuFeaturesOverride {
 public:
  explicit CpuFeaturesOverride(const CpuFeatures& keep);
  ~CpuFeaturesOverride();
  CpuFeaturesOverride(const CpuFeaturesOverride&) = delete;
  CpuFeaturesOverride& operator=(const CpuFeaturesOverride&) = delete;

 private:
  CpuFeatures kept_;
  const CpuFeatures* previous_;
};

}  // namespace varnelo

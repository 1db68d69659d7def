#include "support/cpu_features.hpp"

#include <atomic>

#if defined(__x86_64__)
#include <cpuid.h>
#endif

namespace varnelo {

namespace {

CpuFeatures ask_the_processor() {
  CpuFeatures found;
#if defined(__x86_64__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return found;
  found.sse2 = (edx & (1u << 26)) != 0;
  found.ssse3 = (ecx & (1u << 9)) != 0;
  found.sse41 = (ecx & (1u << 19)) != 0;
  const bool osxsave = (ecx & (1u << 27)) != 0, avx = (ecx & (1u << 28)) != 0;
  // XGETBV exists only where the system has enabled it; its mask says which register states
  // the system saves: 0x6 the SSE and AVX registers, 0xe0 the AVX-512 ones and their masks.
  unsigned xcr0 = 0, xcr0_high = 0;
  if (osxsave) __asm__ volatile("xgetbv" : "=a"(xcr0), "=d"(xcr0_high) : "c"(0));
  const bool avx_saved = osxsave && avx && (xcr0 & 0x6u) == 0x6u;
  const bool avx512_saved = avx_saved && (xcr0 & 0xe0u) == 0xe0u;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return found;
  found.sha = (ebx & (1u << 29)) != 0;
  found.bmi2 = (ebx & (1u << 8)) != 0;
  found.avx2 = avx_saved && (ebx & (1u << 5)) != 0;
  found.avx512f = avx512_saved && (ebx & (1u << 16)) != 0;
  found.avx512vl = avx512_saved && (ebx & (1u << 31)) != 0;
#endif
  return found;
}

const CpuFeatures& detected() {
  static const CpuFeatures found = ask_the_processor();
  return found;
}

// Null while no override is alive.
std::atomic<const CpuFeatures*> masked{nullptr};

}  // namespace

const CpuFeatures& cpu_features() {
  const CpuFeatures* mask = masked.load(std::memory_order_acquire);
  return mask != nullptr ? *mask : detected();
}

CpuFeaturesOverride::CpuFeaturesOverride(const CpuFeatures& keep)
    : previous_(masked.load(std::memory_order_acquire)) {
  const CpuFeatures& now = cpu_features();
  kept_.sse2 = now.sse2 && keep.sse2;
  kept_.ssse3 = now.ssse3 && keep.ssse3;
  kept_.sse41 = now.sse41 && keep.sse41;
  kept_.sha = now.sha && keep.sha;
  kept_.avx2 = now.avx2 && keep.avx2;
  kept_.bmi2 = now.bmi2 && keep.bmi2;
  kept_.avx512f = now.avx512f && keep.avx512f;
  kept_.avx512vl = now.avx512vl && keep.avx512vl;
  masked.store(&kept_, std::memory_order_release);
}

CpuFeaturesOverride::~CpuFeaturesOverride() {
  masked.store(previous_, std::memory_order_release);
}

}  // namespace varnelo

#include "cores.hpp"

#include <pthread.h>
#include <sched.h>

namespace varnelo {

namespace {

constexpr int bits_per_word = 64;

cpu_set_t as_cpu_set(const std::array<std::uint64_t, 16>& cores) {
  cpu_set_t set;
  CPU_ZERO(&set);
  for (int core = 0; core < CPU_SETSIZE && core < 16 * bits_per_word; ++core)
    if (cores[core / bits_per_word] >> (core % bits_per_word) & 1) CPU_SET(core, &set);
  return set;
}

}  // namespace

CoreSet CoreSet::of_caller() {
  CoreSet result;
  cpu_set_t set;
  if (pthread_getaffinity_np(pthread_self(), sizeof set, &set) != 0) return result;
  for (int core = 0; core < CPU_SETSIZE && core < 16 * bits_per_word; ++core) {
    if (!CPU_ISSET(core, &set)) continue;
    result.cores_[core / bits_per_word] |= std::uint64_t{1} << (core % bits_per_word);
    ++result.count_;
  }
  result.caller_core_ = sched_getcpu();
  return result;
}

void CoreSet::start_apart(std::thread& thread, unsigned k) const {
  if (count_ < 2 || caller_core_ < 0) return;
  // The cores in order, the caller's first: thread k goes to the one k + 1 places on.
  const unsigned steps = 1 + k % (count_ - 1);
  unsigned seen = 0;
  for (int offset = 1; offset < 16 * bits_per_word; ++offset) {
    const int core = (caller_core_ + offset) % (16 * bits_per_word);
    if (!(cores_[core / bits_per_word] >> (core % bits_per_word) & 1)) continue;
    if (++seen < steps) continue;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(core, &one);
    // A thread the system will not move only starts where the scheduler puts it.
    pthread_setaffinity_np(thread.native_handle(), sizeof one, &one);
    return;
  }
}

void CoreSet::run_anywhere() const {
  if (count_ < 2 || caller_core_ < 0) return;
  const cpu_set_t set = as_cpu_set(cores_);
  pthread_setaffinity_np(pthread_self(), sizeof set, &set);
}

}  // namespace varnelo

#include "cores.hpp"

#include <pthread.h>
#include <sched.h>

#include <cstring>

namespace varnelo {

namespace {

cpu_set_t as_cpu_set(const std::array<unsigned char, 128>& cores) {
  static_assert(sizeof(cpu_set_t) <= sizeof cores);
  cpu_set_t set;
  std::memcpy(&set, cores.data(), sizeof set);
  return set;
}

}  // namespace

CoreSet CoreSet::of_caller() {
  CoreSet result;
  cpu_set_t set;
  if (pthread_getaffinity_np(pthread_self(), sizeof set, &set) != 0) return result;
  std::memcpy(result.cores_.data(), &set, sizeof set);
  result.count_ = static_cast<unsigned>(CPU_COUNT(&set));
  result.caller_core_ = sched_getcpu();
  return result;
}

void CoreSet::start_apart(std::thread& thread, unsigned k) const {
  if (count_ < 2 || caller_core_ < 0) return;
  const cpu_set_t cores = as_cpu_set(cores_);
  // The cores in order, the caller's first: thread k goes to the one k + 1 places on.
  const unsigned steps = 1 + k % (count_ - 1);
  unsigned seen = 0;
  for (int offset = 1; offset < CPU_SETSIZE; ++offset) {
    const int core = (caller_core_ + offset) % CPU_SETSIZE;
    if (!CPU_ISSET(core, &cores) || ++seen < steps) continue;
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

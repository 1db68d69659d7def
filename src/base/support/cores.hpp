#pragma once

#include <array>
#include <cstdint>
#include <thread>

namespace varnelo {

// The cores a thread may run on, so that the threads of a burst of work start on cores apart.
// Left to itself, the scheduler may queue a new thread on its starter's core for a whole time
// slice, which is longer than the work of a thousand small files.
class CoreSet {
 public:
  // The calling thread's cores, and the one it runs on now.
  static CoreSet of_caller();

  // Moves the `k`-th thread started (from 0) to the `k`-th core after the caller's, alone, until
  // it calls `run_anywhere`. Does nothing where there is one core to choose from.
  void start_apart(std::thread& thread, unsigned k) const;

  // Called first by a thread `start_apart` moved: every core of the set again, so the scheduler
  // may balance it from then on.
  void run_anywhere() const;

 private:
  // The system's own set of cores, as it keeps it.
  alignas(std::uint64_t) std::array<unsigned char, 128> cores_{};
  int caller_core_ = -1;
  unsigned count_ = 0;
};

}  // namespace varnelo

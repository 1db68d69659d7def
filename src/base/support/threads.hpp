#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "cores.hpp"

namespace varnelo {

// A one-time go-ahead from one thread to another. A lock and a condition, not an atomic's wait:
// that one lost its wake-up under wine.
class GoAhead {
 public:
  void give() {
    {
      std::lock_guard lock(mutex_);
      given_ = true;
    }
    given_once_.notify_one();
  }
  void wait() {
    std::unique_lock lock(mutex_);
    given_once_.wait(lock, [this] { return given_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable given_once_;
  bool given_ = false;
};

// Starts up to `count` more threads running `body`; fewer when the system will start no more,
// which only leaves more of the work to the threads there are. Each starts on a core apart from
// the caller's, and is free to move once it runs there.
template <typename Body>
void start_threads(std::vector<std::thread>& threads, unsigned count, Body body) {
  const CoreSet cores = CoreSet::of_caller();
  try {
    for (unsigned k = 0; k < count; ++k) {
      // The thread waits to be placed: one that let go of its core before the move would keep
      // the one core for good.
      auto placed = std::make_shared<GoAhead>();
      threads.emplace_back([cores, placed, body] {
        placed->wait();
        cores.run_anywhere();
        body();
      });
      cores.start_apart(threads.back(), k);
      placed->give();
    }
  } catch (const std::system_error&) {
  }
}

// Tells the threads to stop (under the lock they wait with), wakes them all and waits for them.
inline void stop_threads(std::vector<std::thread>& threads, std::mutex& mutex, bool& stop,
                         std::condition_variable& wake) {
  {
    std::lock_guard lock(mutex);
    stop = true;
  }
  wake.notify_all();
  for (std::thread& thread : threads)
    thread.join();
}

}  // namespace varnelo

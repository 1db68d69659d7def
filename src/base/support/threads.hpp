#pragma once

#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace varnelo {

// Starts up to `count` more threads running `body`; fewer when the system will start no more,
// which only leaves more of the work to the threads there are.
template <typename Body>
void start_threads(std::vector<std::thread>& threads, unsigned count, Body body) {
  try {
    for (unsigned k = 0; k < count; ++k)
      threads.emplace_back(body);
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

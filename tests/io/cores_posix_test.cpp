#include <pthread.h>
#include <sched.h>

#include <mutex>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "support/threads.hpp"

namespace varnelo {
namespace {

// Threads start on cores apart, then run wherever their starter may: none is left tied to one
// core, and one that may run on a single core only still starts.
TEST(StartThreads, NoThreadIsLeftOnOneCore) {
  cpu_set_t every;
  ASSERT_EQ(pthread_getaffinity_np(pthread_self(), sizeof every, &every), 0);
  cpu_set_t first;
  CPU_ZERO(&first);
  for (int core = 0; core < CPU_SETSIZE; ++core)
    if (CPU_ISSET(core, &every)) {
      CPU_SET(core, &first);
      break;
    }
  for (const cpu_set_t* starter : {&every, &first})
    for (unsigned count : {1u, 2u, 5u}) {
      ASSERT_EQ(pthread_setaffinity_np(pthread_self(), sizeof *starter, starter), 0);
      std::mutex mutex;
      std::vector<cpu_set_t> seen;
      std::vector<std::thread> threads;
      start_threads(threads, count, [&] {
        cpu_set_t mine;
        pthread_getaffinity_np(pthread_self(), sizeof mine, &mine);
        std::lock_guard lock(mutex);
        seen.push_back(mine);
      });
      for (std::thread& thread : threads)
        thread.join();
      ASSERT_EQ(seen.size(), count);
      for (const cpu_set_t& cores : seen)
        EXPECT_TRUE(CPU_EQUAL(&cores, starter)) << count << " threads, " << CPU_COUNT(starter) << " cores";
    }
  pthread_setaffinity_np(pthread_self(), sizeof every, &every);
}

}  // namespace
}  // namespace varnelo

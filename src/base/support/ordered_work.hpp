#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "support/threads.hpp"

namespace varnelo {

// Items worked on by several threads, their outcomes handed over on the caller's thread in the
// order the items came, each as soon as every one before it was handed over. At most `window`
// items are in hand at once, so memory stays bounded however many come. With one thread (or
// none that could be started) each item is worked on and handed over as it is added.
template <typename Item, typename Outcome>
class OrderedWork {
 public:
  using Work = std::function<Outcome(const Item&)>;
  // False stops the run: nothing more is handed over.
  using Deliver = std::function<bool(const Item&, Outcome&)>;

  OrderedWork(unsigned threads, std::size_t window, Work work, Deliver deliver)
      : work_(std::move(work)), deliver_(std::move(deliver)), window_(std::max<std::size_t>(window, 1)) {
    if (threads > 1) start_threads(workers_, threads, [this] { serve(); });
  }

  ~OrderedWork() { stop_threads(workers_, mutex_, stopping_, more_); }

  OrderedWork(const OrderedWork&) = delete;
  OrderedWork& operator=(const OrderedWork&) = delete;

  // Adds an item, first handing over what the window needs room for; false once the run stopped.
  bool add(Item item) {
    if (stopped_) return false;
    if (workers_.empty()) {
      Outcome outcome = work_(item);
      stopped_ = !deliver_(item, outcome);
      return !stopped_;
    }
    if (queued() >= window_ && !hand_over_ready()) return false;
    bool wake;
    {
      std::lock_guard lock(mutex_);
      slots_.push_back({std::move(item), std::nullopt, false});
      ++untaken_;
      wake = idle_ > 0;
    }
    if (wake) more_.notify_one();
    return true;
  }

  // Hands over every outcome still due; false when the run stopped.
  bool drain() {
    while (!stopped_ && queued() > 0)
      hand_over_ready();
    return !stopped_;
  }

 private:
  struct Slot {
    Item item;
    std::optional<Outcome> outcome;
    bool taken;
  };

  std::size_t queued() {
    std::lock_guard lock(mutex_);
    return slots_.size();
  }

  // The first outcome is done, and either half of those in hand are or none is left to take:
  // the caller wakes once for many quick outcomes, not once for each.
  bool ready() const {
    return !slots_.empty() && slots_.front().outcome && (2 * finished_ >= slots_.size() || untaken_ == 0);
  }

  // Waits until ready, then hands over every outcome done in a row from the first.
  bool hand_over_ready() {
    std::vector<Slot> done;
    {
      std::unique_lock lock(mutex_);
      waiting_ = true;
      done_.wait(lock, [&] { return ready(); });
      waiting_ = false;
      while (!slots_.empty() && slots_.front().outcome) {
        done.push_back(std::move(slots_.front()));
        slots_.pop_front();
        --finished_;
      }
    }
    for (Slot& slot : done) {
      stopped_ = !deliver_(slot.item, *slot.outcome);
      if (stopped_) return false;
    }
    return true;
  }

  void serve() {
    for (;;) {
      std::unique_lock lock(mutex_);
      Slot* next = nullptr;
      ++idle_;
      more_.wait(lock, [&] {
        for (Slot& slot : slots_)
          if (!slot.taken) {
            next = &slot;
            break;
          }
        return stopping_ || next != nullptr;
      });
      --idle_;
      if (stopping_) return;
      next->taken = true;
      --untaken_;
      bool wake = waiting_ && ready();
      // Slots are only taken from the front once done, so this one stays where it is.
      const Item& item = next->item;
      lock.unlock();
      if (wake) done_.notify_one();
      Outcome outcome = work_(item);
      lock.lock();
      next->outcome = std::move(outcome);
      ++finished_;
      wake = waiting_ && ready();
      lock.unlock();
      if (wake) done_.notify_one();
    }
  }

  Work work_;
  Deliver deliver_;
  std::size_t window_;
  bool stopped_ = false;
  std::mutex mutex_;
  std::condition_variable more_, done_;
  std::deque<Slot> slots_;
  // Counts kept with the slots: not yet taken, done and not yet handed over, workers waiting.
  std::size_t untaken_ = 0, finished_ = 0;
  unsigned idle_ = 0;
  // The caller waits for ready().
  bool waiting_ = false;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

}  // namespace varnelo

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
  // Works two items at once, where that is quicker than one after the other.
  using WorkTwo = std::function<std::pair<Outcome, Outcome>(const Item&, const Item&)>;
  // False stops the run: nothing more is handed over.
  using Deliver = std::function<bool(const Item&, Outcome&)>;

  // With `work_two`, a thread that finds two items waiting takes both. Items are still worked
  // one at a time where no thread is started. With `caller_works`, the caller is one of the
  // `threads`: waiting for outcomes, it works items still waiting instead.
  OrderedWork(unsigned threads, std::size_t window, Work work, Deliver deliver, WorkTwo work_two = {},
              bool caller_works = false)
      : work_(std::move(work)),
        work_two_(std::move(work_two)),
        deliver_(std::move(deliver)),
        window_(std::max<std::size_t>(window, 1)),
        caller_works_(caller_works) {
    if (threads > 1) start_threads(workers_, caller_works ? threads - 1 : threads, [this] { serve(); });
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
      for (auto first = slots_.end();
           !ready() && caller_works_ && (first = untaken_from(slots_.begin())) != slots_.end();)
        work_from(lock, first);
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
      auto first = slots_.end();
      ++idle_;
      more_.wait(lock, [&] {
        first = untaken_from(slots_.begin());
        return stopping_ || first != slots_.end();
      });
      --idle_;
      if (stopping_) return;
      work_from(lock, first);
      unlock_and_wake(lock);
    }
  }

  // Lets the lock go, waking a caller who waits for the outcome now at the front.
  void unlock_and_wake(std::unique_lock<std::mutex>& lock) {
    const bool wake = waiting_ && ready();
    lock.unlock();
    if (wake) done_.notify_one();
  }

  // Takes the slot at `first`, and a second where two are worked at once, works them with the
  // lock let go and keeps their outcomes; the lock is held again on return.
  void work_from(std::unique_lock<std::mutex>& lock, typename std::deque<Slot>::iterator first) {
    // Pointers, not iterators: the caller adds slots meanwhile, and those keep only references.
    Slot* next = &take(*first);
    // A second item only where every thread waiting still finds one of its own.
    const auto after = work_two_ && untaken_ > idle_ ? untaken_from(std::next(first)) : slots_.end();
    Slot* second = after != slots_.end() ? &take(*after) : nullptr;
    unlock_and_wake(lock);
    // Slots are only taken from the front once done, so these stay where they are.
    if (second) {
      std::pair<Outcome, Outcome> both = work_two_(next->item, second->item);
      lock.lock();
      next->outcome = std::move(both.first);
      second->outcome = std::move(both.second);
      finished_ += 2;
    } else {
      Outcome outcome = work_(next->item);
      lock.lock();
      next->outcome = std::move(outcome);
      ++finished_;
    }
  }

  // The first slot from `from` on that no thread has taken yet; the caller holds the lock.
  typename std::deque<Slot>::iterator untaken_from(typename std::deque<Slot>::iterator from) {
    return std::find_if(from, slots_.end(), [](const Slot& slot) { return !slot.taken; });
  }

  Slot& take(Slot& slot) {
    slot.taken = true;
    --untaken_;
    return slot;
  }

  Work work_;
  WorkTwo work_two_;
  Deliver deliver_;
  std::size_t window_;
  bool caller_works_;
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

#include "io/read_ahead.hpp"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include "io/platform.hpp"

namespace varnelo {

// Reads are numbered in file order; read k goes into buffer k % buffers. Whoever reads holds
// `reading` from taking the number to marking it filled, so reads never overlap and stay in order.
struct ReadAhead::State {
  struct Buffer {
    std::uint8_t* bytes = nullptr;
    std::size_t size = 0;
    bool short_read = false;
  };

  State(File& source, std::int64_t total, std::size_t capacity)
      : file(source), count(total), buffer_size(capacity) {}

  // Read number `index` into its buffer; the caller holds `reading` and no lock on `mutex`.
  void read_into(std::size_t index) {
    Buffer& buffer = buffers[index % buffers.size()];
    const auto want = static_cast<std::size_t>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(buffer_size), 1, count - offset));
    buffer.size = file.read(buffer.bytes, want);
    buffer.short_read = buffer.size < want;
    offset += static_cast<std::int64_t>(buffer.size);
  }

  // Takes the next read number while a buffer is free for it; false when there is none to take.
  bool claim(std::size_t& index) {
    if (stop || all_read || started - given_back >= buffers.size()) return false;
    index = started++;
    return true;
  }

  void finish(std::size_t index) {
    const Buffer& buffer = buffers[index % buffers.size()];
    filled = index + 1;
    if (buffer.short_read || offset == count) all_read = true;
  }

  void read_ahead() {
    for (;;) {
      {
        std::unique_lock lock(mutex);
        freed.wait(lock, [this] { return stop || all_read || started - given_back < buffers.size(); });
        if (stop || all_read) return;
      }
      std::lock_guard read_lock(reading);
      std::size_t index;
      {
        std::lock_guard lock(mutex);
        // The caller may have read for itself while this thread waited for `reading`.
        if (!claim(index)) continue;
      }
      read_into(index);
      std::lock_guard lock(mutex);
      finish(index);
    }
  }

  File& file;
  const std::int64_t count;
  const std::size_t buffer_size;
  // Every buffer lies in this one block.
  std::unique_ptr<void, decltype(&platform::free_buffers)> block{nullptr, &platform::free_buffers};
  std::vector<Buffer> buffers;
  std::thread reader;

  // Touched only while holding `reading`.
  std::mutex reading;
  std::int64_t offset = 0;

  // Guarded by `mutex`: reads started, reads filled, buffers the caller gave back.
  std::mutex mutex;
  std::condition_variable freed;
  std::size_t started = 0, filled = 0, given_back = 0;
  bool all_read = false;
  bool stop = false;

  // The caller's own.
  std::int64_t handed = 0;
  bool holding = false;
  bool came_short = false;
};

ReadAhead::ReadAhead(File& file, std::int64_t count, std::size_t buffer_size, int buffers)
    : state_(std::make_unique<State>(file, std::max<std::int64_t>(count, 0),
                                     std::max<std::size_t>(buffer_size, 1))) {
  State& state = *state_;
  const auto capacity = static_cast<std::size_t>(
      std::clamp<std::int64_t>(state.count, 1, static_cast<std::int64_t>(state.buffer_size)));
  const bool threaded = buffers > 1 && state.count > static_cast<std::int64_t>(state.buffer_size);
  state.buffers.resize(threaded ? static_cast<std::size_t>(buffers) : 1);
  state.block.reset(platform::allocate_buffers(capacity * state.buffers.size()));
  if (!state.block) throw std::bad_alloc();
  auto* bytes = static_cast<std::uint8_t*>(state.block.get());
  for (auto& buffer : state.buffers) {
    buffer.bytes = bytes;
    bytes += capacity;
  }
  if (!threaded) return;
  try {
    state.reader = std::thread([&state] { state.read_ahead(); });
  } catch (const std::system_error&) {
    // Without a second thread every read happens in next().
  }
}

ReadAhead::~ReadAhead() {
  if (!state_->reader.joinable()) return;
  {
    std::lock_guard lock(state_->mutex);
    state_->stop = true;
  }
  state_->freed.notify_one();
  state_->reader.join();
}

std::span<std::uint8_t> ReadAhead::next() {
  State& state = *state_;
  std::unique_lock lock(state.mutex);
  if (state.holding) {
    state.holding = false;
    ++state.given_back;
    state.freed.notify_one();
  }
  if (state.came_short || state.handed == state.count) return {};
  const std::size_t index = state.given_back;
  if (state.filled <= index) {
    // Rather than wait until the reader is given time, the caller reads for itself; it waits
    // only for a read already under way.
    lock.unlock();
    std::lock_guard read_lock(state.reading);
    lock.lock();
    if (state.filled <= index) {
      state.started = index + 1;
      lock.unlock();
      state.read_into(index);
      lock.lock();
      state.finish(index);
    }
  }
  state.holding = true;
  const State::Buffer& buffer = state.buffers[index % state.buffers.size()];
  state.handed += static_cast<std::int64_t>(buffer.size);
  state.came_short = buffer.short_read;
  return {buffer.bytes, buffer.size};
}

bool ReadAhead::came_short() const {
  return state_->came_short;
}

}  // namespace varnelo

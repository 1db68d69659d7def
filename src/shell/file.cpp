#include "shell/file.hpp"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "shell/platform.hpp"

namespace varnelo {

namespace {

int open_files = 0;
FaultPlan fault_plan;
PathGuard path_guard = nullptr;

}  // namespace

File::~File() noexcept {
  close();
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, invalid_handle)),
      path_(std::move(other.path_)),
      position_(other.position_),
      read_budget_(other.read_budget_),
      write_budget_(other.write_budget_) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, invalid_handle);
    path_ = std::move(other.path_);
    position_ = other.position_;
    read_budget_ = other.read_budget_;
    write_budget_ = other.write_budget_;
  }
  return *this;
}

std::optional<File> File::open_read(const std::string& path) { return open(path, false); }

std::optional<File> File::open_write(const std::string& path) { return open(path, true); }

std::optional<File> File::open(const std::string& path, bool for_writing) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  if (path_guard && !path_guard(path)) return std::nullopt;
  Handle handle = for_writing ? platform::open_for_writing(path) : platform::open_for_reading(path);
  if (handle == invalid_handle) return std::nullopt;
  ++open_files;
  File file(handle, path);
  if (!fault_plan.path.empty() && fault_plan.path == path) {
    file.read_budget_ = fault_plan.readable;
    file.write_budget_ = fault_plan.writable;
  }
  return file;
}

std::int64_t File::measure_size() {
  std::int64_t size = platform::seek(handle_, 0, true);
  if (size < 0 || !seek(0)) return -1;
  return size;
}

bool File::seek(std::int64_t offset) {
  std::int64_t at = platform::seek(handle_, offset, false);
  if (at < 0) return false;
  position_ = at;
  return true;
}

std::size_t File::read(void* buffer, std::size_t count) {
  if (read_budget_ >= 0)
    count = static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), read_budget_));
  auto* bytes = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    std::int64_t got = platform::read_some(handle_, bytes + done, count - done);
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  position_ += static_cast<std::int64_t>(done);
  if (read_budget_ >= 0) read_budget_ -= static_cast<std::int64_t>(done);
  return done;
}

bool File::write(const void* data, std::size_t count) {
  std::size_t allowed = count;
  if (write_budget_ >= 0)
    allowed =
        static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), write_budget_));
  const auto* bytes = static_cast<const unsigned char*>(data);
  std::size_t done = 0;
  while (done < allowed) {
    std::int64_t put = platform::write_some(handle_, bytes + done, allowed - done);
    if (put <= 0) break;
    done += static_cast<std::size_t>(put);
  }
  position_ += static_cast<std::int64_t>(done);
  if (write_budget_ >= 0) write_budget_ -= static_cast<std::int64_t>(done);
  return done == count;
}

File::CopyFault File::copy_checked(File& source, std::int64_t count) {
  // The kernel copy is skipped while a fault is planned, so the seam sees every byte.
  bool kernel = read_budget_ < 0 && write_budget_ < 0 && source.read_budget_ < 0 && source.write_budget_ < 0;
  while (kernel && count > 0) {
    // A kernel failure moves nothing; the copy by hand below then finds which side fails.
    std::int64_t copied = platform::copy_range(source.handle_, handle_, count);
    if (copied <= 0) break;
    count -= copied;
    source.position_ += copied;
    position_ += copied;
  }
  if (count == 0) return CopyFault::none;
  static thread_local std::vector<unsigned char> buffer(1 << 20);
  while (count > 0) {
    std::size_t chunk =
        static_cast<std::size_t>(std::min<std::int64_t>(count, static_cast<std::int64_t>(buffer.size())));
    if (!source.read_exact(buffer.data(), chunk)) return CopyFault::read;
    if (!write(buffer.data(), chunk)) return CopyFault::write;
    count -= static_cast<std::int64_t>(chunk);
  }
  return CopyFault::none;
}

bool File::reserve(std::int64_t size) {
  return is_open() && size > 0 && platform::reserve(handle_, size);
}

bool File::close() {
  if (handle_ == invalid_handle) return true;
  bool closed = platform::close_handle(handle_);
  handle_ = invalid_handle;
  --open_files;
  return closed;
}

std::optional<FileIdentity> File::identity() const {
  return platform::identity(handle_);
}

int File::open_count() {
  return open_files;
}

// Reads are numbered in file order; read k goes into buffer k % buffers. Whoever reads holds
// `reading` from taking the number to marking it filled, so reads never overlap and stay in order.
struct ReadAhead::State {
  struct Buffer {
    std::unique_ptr<std::uint8_t[]> bytes;
    std::size_t size = 0;
    bool short_read = false;
  };

  State(File& source, std::int64_t total, std::size_t capacity, ReadSizes read_sizes)
      : file(source), count(total), buffer_size(capacity), sizes(std::move(read_sizes)) {}

  // Read number `index` into its buffer; the caller holds `reading` and no lock on `mutex`.
  void read_into(std::size_t index) {
    Buffer& buffer = buffers[index % buffers.size()];
    std::size_t want = sizes ? sizes(offset) : buffer_size;
    want = static_cast<std::size_t>(
        std::clamp<std::int64_t>(static_cast<std::int64_t>(std::min(want, buffer_size)), 1, count - offset));
    buffer.size = file.read(buffer.bytes.get(), want);
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
  const ReadSizes sizes;
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

ReadAhead::ReadAhead(File& file, std::int64_t count, std::size_t buffer_size, int buffers, ReadSizes sizes)
    : state_(std::make_unique<State>(file, std::max<std::int64_t>(count, 0),
                                     std::max<std::size_t>(buffer_size, 1), std::move(sizes))) {
  State& state = *state_;
  const auto capacity = static_cast<std::size_t>(
      std::clamp<std::int64_t>(state.count, 1, static_cast<std::int64_t>(state.buffer_size)));
  const bool threaded = buffers > 1 && state.count > static_cast<std::int64_t>(state.buffer_size);
  state.buffers.resize(threaded ? static_cast<std::size_t>(buffers) : 1);
  for (auto& buffer : state.buffers)
    buffer.bytes.reset(new std::uint8_t[capacity]);
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

std::span<const std::uint8_t> ReadAhead::next() {
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
  return {buffer.bytes.get(), buffer.size};
}

bool ReadAhead::came_short() const {
  return state_->came_short;
}

bool path_exists(const std::string& path) {
  return path.find('\0') == std::string::npos && platform::exists(path);
}

std::optional<FileIdentity> identity_of(const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  return platform::identity_of_path(path);
}

void set_fault_plan(const FaultPlan& plan) { fault_plan = plan; }

void set_path_guard(PathGuard guard) { path_guard = guard; }

}  // namespace varnelo

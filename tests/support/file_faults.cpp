#include "support/file_faults.hpp"

#include <algorithm>
#include <cerrno>
#include <map>
#include <mutex>

#include "io/file.hpp"

namespace varnelo {

namespace {

struct Budget {
  std::int64_t readable = -1;
  std::int64_t writable = -1;
  bool failing_close = false;
};

// The reasons the seam gives for the faults it makes, as the system would.
#ifdef _WIN32
constexpr int disk_fault = 1117;  // ERROR_IO_DEVICE
constexpr int disk_full = 112;    // ERROR_DISK_FULL
constexpr int access_denied = 5;  // ERROR_ACCESS_DENIED
constexpr int not_found = 2;      // ERROR_FILE_NOT_FOUND
#else
constexpr int disk_fault = EIO;
constexpr int disk_full = ENOSPC;
constexpr int access_denied = EACCES;
constexpr int not_found = ENOENT;
#endif

// A read-ahead thread reads one file while the screen writes another, so the seam's books are
// kept under a lock.
class FaultyCalls : public FileCalls {
 public:
  FaultyCalls() { install_file_calls(this); }

  platform::Handle open(const std::string& path, Access access, std::int64_t* size) override {
    std::lock_guard lock(mutex_);
    if (!guarded(path)) return platform::invalid_handle;
    platform::Handle handle = FileCalls::open(path, access, size);
    if (handle != platform::invalid_handle) start_books(handle, path);
    return handle;
  }

  platform::Handle create_temporary(const platform::Place& target, bool unnamed, std::string& name) override {
    std::lock_guard lock(mutex_);
    if (!guarded(target.path())) return platform::invalid_handle;
    platform::Handle handle = FileCalls::create_temporary(target, unnamed, name);
    // A fault planned for an output reaches the temporary file written in its place.
    if (handle != platform::invalid_handle) start_books(handle, target.path());
    return handle;
  }

  bool close(platform::Handle handle) override {
    bool failing = false;
    {
      std::lock_guard lock(mutex_);
      auto at = open_.find(handle);
      if (at != open_.end()) failing = at->second.failing_close;
      if (at != open_.end()) open_.erase(at);
    }
    // The descriptor is gone either way, as after a close that reports a lost write.
    const bool closed = FileCalls::close(handle);
    if (!failing) return closed;
    platform::set_last_error(disk_fault);
    return false;
  }

  bool rename(const platform::Place& from, const platform::Place& to) override {
    {
      std::lock_guard lock(mutex_);
      // The temporary file was let through when it was made, for this very name.
      if (!guarded(to.path())) return false;
      if (plan_.failing_rename && plan_.path == to.path()) {
        platform::set_last_error(access_denied);
        return false;
      }
    }
    return FileCalls::rename(from, to);
  }

  std::optional<FileIdentity> identity_of(const std::string& path) override {
    {
      std::lock_guard lock(mutex_);
      if (!guarded(path)) return std::nullopt;
    }
    return FileCalls::identity_of(path);
  }

  std::int64_t read_some(platform::Handle handle, void* buffer, std::size_t count) override {
    const std::int64_t allowed = take(handle, count, &Budget::readable);
    if (allowed == 0 && count > 0) return 0;
    std::int64_t got = FileCalls::read_some(handle, buffer, static_cast<std::size_t>(allowed));
    give_back(handle, allowed - std::max<std::int64_t>(got, 0), &Budget::readable);
    return got;
  }

  std::int64_t write_some(platform::Handle handle, const void* data, std::size_t count) override {
    const std::int64_t allowed = take(handle, count, &Budget::writable);
    if (allowed == 0 && count > 0) {
      platform::set_last_error(disk_full);
      return -1;
    }
    std::int64_t put = FileCalls::write_some(handle, data, static_cast<std::size_t>(allowed));
    give_back(handle, allowed - std::max<std::int64_t>(put, 0), &Budget::writable);
    return put;
  }

  void plan(const FaultPlan& plan) {
    std::lock_guard lock(mutex_);
    plan_ = plan;
  }
  void guard(PathGuard guard) {
    std::lock_guard lock(mutex_);
    guard_ = guard;
  }
  int open_count() {
    std::lock_guard lock(mutex_);
    return static_cast<int>(open_.size());
  }

 private:
  // Whether the guard lets the path through; when not, the call fails as for a missing file.
  // Called with the lock held.
  bool guarded(const std::string& path) {
    if (!guard_ || guard_(path)) return true;
    platform::set_last_error(not_found);
    return false;
  }

  // The handle's budget: the plan's when it is for this path. Called with the lock held.
  void start_books(platform::Handle handle, const std::string& path) {
    Budget& budget = open_[handle];
    budget = {};
    if (!plan_.path.empty() && plan_.path == path)
      budget = {plan_.readable, plan_.writable, plan_.failing_close};
  }

  // Takes up to `count` bytes from the handle's budget and returns how many may go.
  std::int64_t take(platform::Handle handle, std::size_t count, std::int64_t Budget::*side) {
    std::lock_guard lock(mutex_);
    auto at = open_.find(handle);
    const auto wanted = static_cast<std::int64_t>(count);
    if (at == open_.end() || at->second.*side < 0) return wanted;
    const std::int64_t allowed = std::min(wanted, at->second.*side);
    at->second.*side -= allowed;
    return allowed;
  }

  void give_back(platform::Handle handle, std::int64_t unused, std::int64_t Budget::*side) {
    std::lock_guard lock(mutex_);
    auto at = open_.find(handle);
    if (at != open_.end() && at->second.*side >= 0) at->second.*side += unused;
  }

  std::mutex mutex_;
  FaultPlan plan_;
  PathGuard guard_ = nullptr;
  std::map<platform::Handle, Budget> open_;
};

FaultyCalls& seam() {
  static FaultyCalls calls;
  return calls;
}

// Installed before main, so every file a test opens goes through the seam and is counted.
[[maybe_unused]] FaultyCalls& installed_at_start = seam();

}  // namespace

void set_fault_plan(const FaultPlan& plan) {
  seam().plan(plan);
}

void set_path_guard(PathGuard guard) {
  seam().guard(guard);
}

int open_file_count() {
  return seam().open_count();
}

}  // namespace varnelo

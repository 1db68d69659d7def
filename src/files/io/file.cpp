#include "io/file.hpp"

#include <utility>

namespace varnelo {

namespace {

FileCalls platform_calls;
FileCalls* installed_calls = &platform_calls;

}  // namespace

platform::Handle FileCalls::open(const std::string& path, Access access, std::int64_t* size) {
  *size = -1;
  return access == Access::write    ? platform::open_for_writing(path)
         : access == Access::stream ? platform::open_stream(path, size)
                                    : platform::open_for_reading(path, size);
}

platform::Handle FileCalls::create_temporary(const platform::Place& target, bool unnamed, std::string& name) {
  return platform::create_temporary(target, unnamed, name);
}

bool FileCalls::name_temporary(platform::Handle handle, const platform::Place& temporary) {
  return platform::name_temporary(handle, temporary);
}

bool FileCalls::close(platform::Handle handle) {
  return platform::close_handle(handle);
}

std::int64_t FileCalls::read_some(platform::Handle handle, void* buffer, std::size_t count) {
  return platform::read_some(handle, buffer, count);
}

std::int64_t FileCalls::write_some(platform::Handle handle, const void* data, std::size_t count) {
  return platform::write_some(handle, data, count);
}

std::int64_t FileCalls::seek(platform::Handle handle, std::int64_t offset) {
  return platform::seek(handle, offset);
}

std::int64_t FileCalls::size_of(platform::Handle handle) {
  return platform::size_of(handle);
}

bool FileCalls::reserve(platform::Handle handle, std::int64_t size) {
  return platform::reserve(handle, size);
}

std::optional<FileIdentity> FileCalls::identity(platform::Handle handle) {
  return platform::identity(handle);
}

std::optional<FileIdentity> FileCalls::identity_of(const std::string& path) {
  return platform::identity_of_path(path);
}

bool FileCalls::rename(const platform::Place& from, const platform::Place& to) {
  return platform::rename(from, to);
}

bool FileCalls::link(const platform::Place& from, const platform::Place& to) {
  return platform::link(from, to);
}

bool FileCalls::remove(const platform::Place& place) {
  return platform::remove(place);
}

FileCalls* install_file_calls(FileCalls* calls) {
  return std::exchange(installed_calls, calls ? calls : &platform_calls);
}

FileCalls& file_calls() {
  return *installed_calls;
}

File::~File() noexcept {
  close();
}

File::File(File&& other) noexcept
    : handle_(std::exchange(other.handle_, platform::invalid_handle)),
      path_(std::move(other.path_)),
      position_(other.position_),
      calls_(other.calls_),
      owned_(other.owned_),
      size_at_open_(other.size_at_open_),
      reserved_(other.reserved_),
      failed_(other.failed_),
      error_(other.error_) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    close();
    handle_ = std::exchange(other.handle_, platform::invalid_handle);
    path_ = std::move(other.path_);
    position_ = other.position_;
    calls_ = other.calls_;
    owned_ = other.owned_;
    size_at_open_ = other.size_at_open_;
    reserved_ = other.reserved_;
    failed_ = other.failed_;
    error_ = other.error_;
  }
  return *this;
}

std::optional<File> File::open_read(const std::string& path, SystemError* why) {
  return open(path, Access::read, why);
}

std::optional<File> File::open_stream(const std::string& path, SystemError* why) {
  return open(path, Access::stream, why);
}

std::optional<File> File::open_write(const std::string& path, SystemError* why) {
  return open(path, Access::write, why);
}

namespace {

// A name with a NUL in it names no file: the system would see only the part before it.
std::nullopt_t no_such_name(SystemError* why) {
  platform::set_last_error(0);
  if (why) *why = {};
  return std::nullopt;
}

}  // namespace

std::optional<File> File::open(const std::string& path, Access access, SystemError* why) {
  if (path.find('\0') != std::string::npos) return no_such_name(why);
  std::int64_t size = -1;
  platform::Handle handle = installed_calls->open(path, access, &size);
  if (handle == platform::invalid_handle) {
    if (why) *why = SystemError::last();
    return std::nullopt;
  }
  File file(handle, path, installed_calls);
  file.size_at_open_ = size;
  return file;
}

File File::standard_input() {
  return File(platform::standard_input(), "-", installed_calls, false);
}

File File::standard_output() {
  return File(platform::standard_output(), "-", installed_calls, false);
}

File File::standard_error() {
  return File(platform::standard_error(), "standard error", installed_calls, false);
}

std::optional<File> File::create_temporary(const platform::Place& target, bool unnamed, std::string& name,
                                           SystemError* why) {
  platform::Handle handle = installed_calls->create_temporary(target, unnamed, name);
  if (handle == platform::invalid_handle) {
    if (why) *why = SystemError::last();
    return std::nullopt;
  }
  return File(handle, target.folder_path + name, installed_calls);
}

std::optional<File> File::create_scratch(SystemError* why) {
  const std::string folder = platform::scratch_folder();
  const platform::Handle handle = platform::create_scratch(folder);
  if (handle == platform::invalid_handle) {
    if (why) *why = SystemError::last();
    return std::nullopt;
  }
  return File(handle, folder, installed_calls);
}

std::int64_t File::measure_size() {
  const std::int64_t size = size_at_open_ >= 0 ? std::exchange(size_at_open_, -1) : calls_->size_of(handle_);
  if (size < 0) return failing(std::int64_t{-1});
  if (position_ != 0 && !seek(0)) return -1;
  return size;
}

bool File::seek(std::int64_t offset) {
  std::int64_t at = calls_->seek(handle_, offset);
  if (at < 0) return failing(false);
  position_ = at;
  return true;
}

std::size_t File::read(void* buffer, std::size_t count) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  return transfer(count,
                  [&](std::size_t done) { return calls_->read_some(handle_, bytes + done, count - done); });
}

std::size_t File::read_some(void* buffer, std::size_t count) {
  const std::int64_t moved = calls_->read_some(handle_, buffer, count);
  if (moved < 0) failed_ = failing(true);
  if (moved <= 0) return 0;
  position_ += moved;
  return static_cast<std::size_t>(moved);
}

bool File::write(const void* data, std::size_t count) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  return transfer(count, [&](std::size_t done) {
           return calls_->write_some(handle_, bytes + done, count - done);
         }) == count;
}

// Goes on after short transfers until `count` bytes moved, the file ended or a call failed.
template <typename Step>
std::size_t File::transfer(std::size_t count, Step step) {
  std::size_t done = 0;
  while (done < count) {
    std::int64_t moved = step(done);
    if (moved < 0) failed_ = failing(true);
    if (moved <= 0) break;
    done += static_cast<std::size_t>(moved);
  }
  position_ += static_cast<std::int64_t>(done);
  return done;
}

bool File::reserve(std::int64_t size) {
  if (!is_open() || size <= 0 || !calls_->reserve(handle_, size)) return false;
  reserved_ = true;
  return true;
}

bool File::close() {
  if (handle_ == platform::invalid_handle) return true;
  const platform::Handle handle = std::exchange(handle_, platform::invalid_handle);
  if (std::exchange(reserved_, false)) platform::give_back_reserved(handle);
  return !owned_ || calls_->close(handle) || failing(false);
}

std::optional<FileIdentity> File::identity() const {
  return calls_->identity(handle_);
}

bool path_exists(const std::string& path) {
  return path.find('\0') == std::string::npos && platform::exists(path);
}

bool name_too_long(const std::string& path) {
  return platform::name_too_long(path);
}

std::string unquoted_path(const std::string& path) {
  return path.find('\0') == std::string::npos ? platform::unquoted(path) : path;
}

std::optional<FileIdentity> identity_of(const std::string& path) {
  if (path.find('\0') != std::string::npos) return std::nullopt;
  return installed_calls->identity_of(path);
}

}  // namespace varnelo

// POSIX file calls (Linux, macOS): descriptors with 64-bit positions.

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "io/platform.hpp"

namespace varnelo {

namespace platform {

Handle open_for_reading(const std::string& path) {
  // Opened without blocking so a named pipe cannot stall the program; only files that can be
  // measured and read to an end are taken.
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return invalid_handle;
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode) || S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) {
    ::close(fd);
    return invalid_handle;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

Handle open_for_writing(const std::string& path) {
  // Opened without blocking: a named pipe that nobody reads from is refused at once instead of
  // being waited on for ever (one with a reader takes the output as usual).
  int fd;
  do {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return invalid_handle;
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

bool close_handle(Handle handle) {
  int fd = static_cast<int>(handle);
  // Space reserved ahead of a write outlives the handle; after a run that stopped early it
  // would stay held past the end of the file, where no listing shows it. Cutting the file at
  // its own length gives it back.
  struct stat info;
  if ((fcntl(fd, F_GETFL) & O_ACCMODE) != O_RDONLY && fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<std::int64_t>(info.st_blocks) * 512 >
          (static_cast<std::int64_t>(info.st_size) | 0xFFFFF) + 1) {
    // A hint like the reservation itself: where the file system refuses, the file is still whole.
    if (ftruncate(fd, info.st_size) != 0) errno = 0;
  }
  return ::close(fd) == 0;
}

Handle standard_input() {
  return STDIN_FILENO;
}

Handle standard_output() {
  return STDOUT_FILENO;
}

Handle standard_error() {
  return STDERR_FILENO;
}

std::int64_t read_some(Handle handle, void* buffer, std::size_t count) {
  for (;;) {
    ssize_t got = ::read(static_cast<int>(handle), buffer, count);
    if (got < 0 && errno == EINTR) continue;
    return got;
  }
}

std::int64_t write_some(Handle handle, const void* data, std::size_t count) {
  for (;;) {
    ssize_t put = ::write(static_cast<int>(handle), data, count);
    if (put < 0 && errno == EINTR) continue;
    return put;
  }
}

std::int64_t seek(Handle handle, std::int64_t offset, bool from_end) {
  if (from_end) {
    // Only files and disks have an end to seek to: a character device such as /dev/zero
    // answers 0 whatever it holds, and would be taken for an empty file.
    struct stat info;
    if (fstat(static_cast<int>(handle), &info) != 0 || !(S_ISREG(info.st_mode) || S_ISBLK(info.st_mode))) {
      errno = ESPIPE;
      return -1;
    }
  }
  return lseek(static_cast<int>(handle), static_cast<off_t>(offset), from_end ? SEEK_END : SEEK_SET);
}

bool reserve(Handle handle, std::int64_t size) {
#if defined(__linux__)
  int result;
  do {
    result = fallocate(static_cast<int>(handle), FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size));
  } while (result != 0 && errno == EINTR);
  return result == 0;
#else
  (void)handle;
  (void)size;
  return false;
#endif
}

std::optional<FileIdentity> identity(Handle handle) {
  struct stat info;
  if (fstat(static_cast<int>(handle), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

std::optional<FileIdentity> identity_of_path(const std::string& path) {
  struct stat info;
  if (stat(path.c_str(), &info) != 0) return std::nullopt;
  return FileIdentity{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

bool exists(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) == 0) return true;
  // Only a plain "no such file" means absent; anything else is asked about.
  return errno != ENOENT && errno != ENOTDIR && errno != ENAMETOOLONG;
}

}  // namespace platform

}  // namespace varnelo

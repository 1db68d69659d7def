// POSIX file calls (Linux, macOS): descriptors with 64-bit positions.

#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <locale.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "io/platform.hpp"
#include "io/temporaries.hpp"

namespace varnelo {

namespace platform {

int last_error() {
  return errno;
}

void set_last_error(int code) {
  errno = code;
}

std::string error_text(int code) {
  if (code == 0) return {};
  // The C locale's words, whatever locale the process runs in; made once, never changed.
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", locale_t{});
  return c_locale ? strerror_l(code, c_locale) : "error " + std::to_string(code);
}

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
    const int reason = S_ISDIR(info.st_mode)                              ? EISDIR
                       : S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode) ? ESPIPE
                                                                          : errno;
    ::close(fd);
    errno = reason;
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

void* allocate_buffers(std::size_t size) {
  constexpr std::size_t huge_page = std::size_t{2} << 20;
  if (size < huge_page) return std::malloc(size);
  // Aligned, so that the first 2 MiB are one whole huge page; the part past the last whole one
  // keeps small pages rather than take up a huge page it would fill only in part.
  void* block = std::aligned_alloc(huge_page, (size + huge_page - 1) / huge_page * huge_page);
  if (block) madvise(block, size / huge_page * huge_page, MADV_HUGEPAGE);
  return block;
}

void free_buffers(void* block) {
  std::free(block);
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
  // Even when close fails the descriptor is gone; calling it again could close another file.
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

bool name_too_long(const std::string&) {
  return false;
}

std::string unquoted(const std::string& path) {
  // Terminals paste a dropped file in single or double quotes; but a file may be named so.
  if (path.size() < 2 || path.front() != path.back() || (path.front() != '\'' && path.front() != '"') ||
      exists(path))
    return path;
  return path.substr(1, path.size() - 2);
}

OutputTarget output_target(const std::string& path) {
  std::string current = path;
  // As many links as the system itself follows; a longer chain is written through and fails there.
  for (int links = 0; links < 40; ++links) {
    struct stat info;
    if (lstat(current.c_str(), &info) != 0) return {current, false, false, 0};
    if (!S_ISLNK(info.st_mode)) return {current, true, S_ISREG(info.st_mode), info.st_mode & 07777u};
    char target[PATH_MAX];
    ssize_t length = readlink(current.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) break;
    std::string next(target, static_cast<std::size_t>(length));
    // A relative link is read from the folder that holds it.
    std::size_t slash = current.rfind('/');
    if (next[0] != '/' && slash != std::string::npos) next = current.substr(0, slash + 1) + next;
    current = next;
  }
  return {path, true, false, 0};
}

std::string full_name(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::weakly_canonical(std::filesystem::absolute(path, ignored), ignored).string();
}

Handle create_temporary(const std::string& target, std::string& temporary) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = temporary_candidate(target, "/");
    if (candidate.empty()) {
      errno = EISDIR;
      return invalid_handle;
    }
    int fd;
    do {
      fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
      temporary = candidate;
      return fd;
    }
    if (errno != EEXIST) return invalid_handle;
  }
  return invalid_handle;
}

bool writable(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

void set_permissions(Handle handle, unsigned mode) {
  // Where the file system refuses, the new file keeps the bits it was made with.
  if (fchmod(static_cast<int>(handle), static_cast<mode_t>(mode)) != 0) errno = 0;
}

bool replace(const std::string& from, const std::string& to) {
  return ::rename(from.c_str(), to.c_str()) == 0;
}

bool remove(const std::string& path) {
  return ::unlink(path.c_str()) == 0;
}

bool remove_now(const char* path) {
  return ::unlink(path) == 0;
}

std::vector<FileIdentity> standard_stream_identities() {
  std::optional<FileIdentity> null_device = identity_of_path("/dev/null");
  std::vector<FileIdentity> found;
  for (int fd = 0; fd <= 2; ++fd) {
    std::optional<FileIdentity> stream = identity(fd);
    if (stream && stream != null_device) found.push_back(*stream);
  }
  return found;
}

void open_missing_standard_streams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is this one, the ones below it being open by now.
    int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      dup2(opened, fd);
      ::close(opened);
    }
  }
}

namespace {

void (*restore_console)() = nullptr;
pthread_t main_thread;
volatile sig_atomic_t interrupted = 0;

void on_interrupt(int signal_number) {
  // The cleanup belongs to the main thread; a read-ahead thread hands the signal on.
  if (!pthread_equal(pthread_self(), main_thread)) {
    pthread_kill(main_thread, signal_number);
    return;
  }
  if (interrupted) _exit(128 + signal_number);
  interrupted = 1;
  remove_noted_temporaries();
  if (restore_console) restore_console();
  // Ended by the signal itself, so the shell and any caller see what stopped the program.
  struct sigaction plain = {};
  plain.sa_handler = SIG_DFL;
  sigaction(signal_number, &plain, nullptr);
  raise(signal_number);
  _exit(128 + signal_number);
}

}  // namespace

void handle_interrupts(void (*restore)()) {
  restore_console = restore;
  main_thread = pthread_self();
  struct sigaction action = {};
  action.sa_handler = on_interrupt;
  // Not deferred, so a second interrupt during the cleanup ends the program at once.
  action.sa_flags = SA_NODEFER | SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    // A signal ignored when the program started (under nohup, in a background job) stays ignored.
    struct sigaction before;
    if (sigaction(signal_number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace platform

}  // namespace varnelo

// POSIX file calls (Linux, macOS): descriptors with 64-bit positions.

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#if defined(__linux__)
#include <sys/vfs.h>
#endif
#include <sys/types.h>
#include <unistd.h>

#include <locale.h>
#if defined(__linux__)
#include <sys/xattr.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

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

namespace {

// Files that the kernel makes up as they are read, such as /proc's, claim a size of 0 or of a
// page; only those sizes are worth asking the file system about.
bool made_as_read(int fd, const struct stat& info) {
#if defined(__linux__)
  static const long page = sysconf(_SC_PAGESIZE);
  if (info.st_size != 0 && info.st_size != page) return false;
  struct statfs place;
  constexpr long proc = 0x9fa0, sys = 0x62656572, debug = 0x64626720, security = 0x73636673;
  if (fstatfs(fd, &place) != 0) return false;
  const long type = static_cast<long>(place.f_type);
  return type == proc || type == sys || type == debug || type == security;
#else
  (void)fd;
  (void)info;
  return false;
#endif
}

// The size the opening found, where asked for.
void tell_size(int fd, const struct stat& info, std::int64_t* size) {
  if (size)
    *size = S_ISREG(info.st_mode) && !made_as_read(fd, info) ? static_cast<std::int64_t>(info.st_size) : -1;
}

}  // namespace

Handle open_for_reading(const std::string& path, std::int64_t* size) {
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
  tell_size(fd, info, size);
  return fd;
}

Handle open_stream(const std::string& path, std::int64_t* size) {
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return invalid_handle;
  struct stat info;
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    const int reason = S_ISDIR(info.st_mode) ? EISDIR : errno;
    ::close(fd);
    errno = reason;
    return invalid_handle;
  }
  tell_size(fd, info, size);
  return fd;
}

bool measurable(Handle handle) {
  struct stat info;
  if (fstat(static_cast<int>(handle), &info) != 0) return false;
  if (S_ISBLK(info.st_mode)) return true;
  return S_ISREG(info.st_mode) && !made_as_read(static_cast<int>(handle), info);
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

void give_back_reserved(Handle handle) {
  const int fd = static_cast<int>(handle);
  // Cutting the file at its own length gives back what lies past it.
  struct stat info;
  if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
      static_cast<std::int64_t>(info.st_blocks) * 512 >
          (static_cast<std::int64_t>(info.st_size) | 0xFFFFF) + 1) {
    // A hint like the reservation itself: where the file system refuses, the file is still whole.
    if (ftruncate(fd, info.st_size) != 0) errno = 0;
  }
}

bool close_handle(Handle handle) {
  // Even when close fails the descriptor is gone; calling it again could close another file.
  return ::close(static_cast<int>(handle)) == 0;
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

std::int64_t seek(Handle handle, std::int64_t offset) {
  return lseek(static_cast<int>(handle), static_cast<off_t>(offset), SEEK_SET);
}

std::int64_t size_of(Handle handle) {
  const int fd = static_cast<int>(handle);
  struct stat info;
  if (fstat(fd, &info) != 0) return -1;
  if (S_ISREG(info.st_mode)) {
    if (!made_as_read(fd, info)) return static_cast<std::int64_t>(info.st_size);
    // Their end cannot be sought either.
    errno = EINVAL;
    return -1;
  }
  // Only files and disks have an end: a character device such as /dev/zero answers 0 whatever
  // it holds, and would be taken for an empty file. A disk tells its size by a seek to its end.
  if (!S_ISBLK(info.st_mode)) {
    errno = ESPIPE;
    return -1;
  }
  const off_t at = lseek(fd, 0, SEEK_CUR);
  const off_t end = at < 0 ? -1 : lseek(fd, 0, SEEK_END);
  if (end < 0 || lseek(fd, at, SEEK_SET) < 0) return -1;
  return static_cast<std::int64_t>(end);
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

namespace {

// Whether this process may give a file the owner and group it has now.
bool may_keep_owner(const struct stat& info) {
  const uid_t self = geteuid();
  if (self == 0) return true;
  if (info.st_uid != self) return false;
  if (info.st_gid == getegid()) return true;
  // A group of one's own, and only that, may be given.
  const int count = getgroups(0, nullptr);
  std::vector<gid_t> groups(static_cast<std::size_t>(count > 0 ? count : 0));
  if (count > 0 && getgroups(count, groups.data()) == count)
    for (gid_t group : groups)
      if (group == info.st_gid) return true;
  return false;
}

OutputTarget target_of(const std::string& path, const struct stat& info) {
  OutputTarget target{path, true, S_ISREG(info.st_mode), info.st_mode & 07777u, info.st_uid, info.st_gid};
  // A rename would leave the other links with the old bytes, or give the file this process's
  // owner or group.
  target.renamable = info.st_nlink <= 1 && may_keep_owner(info);
  return target;
}

// A descriptor for the *at calls: the folder held open.
int folder_of(const Place& place) {
  return place.folder != invalid_handle ? static_cast<int>(place.folder) : AT_FDCWD;
}

// The name for the *at calls: within the folder held open, or the whole path without one.
std::string name_of(const Place& place) {
  return place.folder != invalid_handle ? place.name : place.path();
}

// Whether unnamed files can be named afterwards: through the descriptor's link in /proc.
bool proc_links() {
  static const bool present = access("/proc/self/fd", X_OK) == 0;
  return present;
}

// The permission bits a new file gets: 0666 less the umask, read once.
mode_t new_file_mode() {
  static const mode_t bits = [] {
    const mode_t mask = umask(022);
    umask(mask);
    return static_cast<mode_t>(0666 & ~mask);
  }();
  return bits;
}

// Copies the extended attributes (access control lists among them) of the file at `path` to
// the open file, as far as the file system and the process's rights allow. A file's
// capabilities go with it only when root owned it.
void copy_attributes(const std::string& path, int to, bool root_owned) {
#if defined(__linux__)
  const ssize_t size = llistxattr(path.c_str(), nullptr, 0);
  if (size <= 0) return;
  std::vector<char> names(static_cast<std::size_t>(size));
  const ssize_t listed = llistxattr(path.c_str(), names.data(), names.size());
  for (ssize_t at = 0; at < listed; at += static_cast<ssize_t>(std::strlen(names.data() + at)) + 1) {
    const char* name = names.data() + at;
    if (!root_owned && std::strcmp(name, "security.capability") == 0) continue;
    const ssize_t length = lgetxattr(path.c_str(), name, nullptr, 0);
    if (length < 0) continue;
    std::vector<char> value(static_cast<std::size_t>(length));
    if (lgetxattr(path.c_str(), name, value.data(), value.size()) == length)
      (void)fsetxattr(to, name, value.data(), value.size(), 0);
  }
#else
  (void)path;
  (void)to;
  (void)root_owned;
#endif
}

}  // namespace

OutputTarget output_target(const std::string& path) {
  std::string current = path;
  // As many links as the system itself follows; a longer chain is written through and fails there.
  for (int links = 0; links < 40; ++links) {
    struct stat info;
    if (lstat(current.c_str(), &info) != 0) return {current};
    if (!S_ISLNK(info.st_mode)) return target_of(current, info);
    char target[PATH_MAX];
    ssize_t length = readlink(current.c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) break;
    std::string next(target, static_cast<std::size_t>(length));
    // A relative link is read from the folder that holds it.
    std::size_t slash = current.rfind('/');
    if (next[0] != '/' && slash != std::string::npos) next = current.substr(0, slash + 1) + next;
    current = next;
  }
  return {path, true};
}

std::string full_name(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::weakly_canonical(std::filesystem::absolute(path, ignored), ignored).string();
}

Place place_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return {invalid_handle, slash == std::string::npos ? "" : path.substr(0, slash + 1),
          slash == std::string::npos ? path : path.substr(slash + 1)};
}

Handle open_folder(const std::string& folder_path) {
#if defined(O_PATH)
  // Only the right to pass through the folder is needed, not to list it.
  constexpr int folder_flags = O_PATH | O_DIRECTORY | O_CLOEXEC;
#else
  constexpr int folder_flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
#endif
  int fd;
  do {
    fd = ::open(folder_path.empty() ? "." : folder_path.c_str(), folder_flags);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

void close_folder(Handle folder) {
  if (folder != invalid_handle) ::close(static_cast<int>(folder));
}

Handle create_temporary(const Place& target, bool unnamed, std::string& name) {
  name.clear();
  if (target.name.empty()) {
    errno = EISDIR;
    return invalid_handle;
  }
  const int folder = folder_of(target);
#if defined(O_TMPFILE)
  if (unnamed && target.folder != invalid_handle && proc_links()) {
    int fd;
    do {
      fd = ::openat(folder, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) return fd;
    // File systems without unnamed files say so in one of these ways; a named one is made then.
    if (errno != EISDIR && errno != EOPNOTSUPP && errno != EINVAL) return invalid_handle;
  }
#else
  (void)unnamed;
#endif
  for (int attempt = 0; attempt < 100; ++attempt) {
    Place temporary = target;
    temporary.name = temporary_name(target.name);
    // Made and noted in one step: an interrupt in between would leave the file behind.
    InterruptsHeld held;
    int fd;
    do {
      fd = ::openat(folder, name_of(temporary).c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
      note_temporary(temporary);
      name = temporary.name;
      return fd;
    }
    if (errno != EEXIST) return invalid_handle;
  }
  return invalid_handle;
}

bool name_temporary(Handle handle, const Place& temporary) {
  const std::string link = "/proc/self/fd/" + std::to_string(handle);
  InterruptsHeld held;
  if (::linkat(AT_FDCWD, link.c_str(), folder_of(temporary), name_of(temporary).c_str(), AT_SYMLINK_FOLLOW) !=
      0)
    return false;
  note_temporary(temporary);
  return true;
}

std::string forward_slashes(std::string path) {
  return path;
}

std::string child_path(const std::string& folder, const std::string& name) {
  return folder.empty() || folder.back() == '/' ? folder + name : folder + "/" + name;
}

bool is_folder(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool list_folder(const std::string& path, std::vector<FolderEntry>& entries) {
  DIR* folder = ::opendir(path.c_str());
  if (folder == nullptr) return false;
  const int fd = ::dirfd(folder);
  errno = 0;
  while (const dirent* entry = ::readdir(folder)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    FolderEntry found{name, FolderEntry::file};
    struct stat info;
    const bool link = entry->d_type == DT_LNK ||
                      (entry->d_type == DT_UNKNOWN &&
                       fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode));
    if (link) {
      if (fstatat(fd, name.c_str(), &info, 0) == 0 && S_ISDIR(info.st_mode))
        found.kind = FolderEntry::link_to_folder;
    } else if (entry->d_type == DT_DIR ||
               (entry->d_type == DT_UNKNOWN && fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISDIR(info.st_mode))) {
      found.kind = FolderEntry::folder;
    }
    entries.push_back(std::move(found));
    errno = 0;
  }
  const int error = errno;
  ::closedir(folder);
  errno = error;
  return error == 0;
}

std::string scratch_folder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && folder[0] != '\0' ? folder : "/tmp";
}

Handle create_scratch(const std::string& folder) {
  int fd;
#if defined(O_TMPFILE)
  do {
    fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd >= 0 || (errno != EISDIR && errno != EOPNOTSUPP && errno != EINVAL)) return fd;
#endif
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string path = folder + "/" + temporary_name("varnelo-scratch");
    // Named only between these two calls, which no interrupt divides.
    InterruptsHeld held;
    do {
      fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    } while (fd < 0 && errno == EINTR);
    if (fd >= 0) {
      ::unlink(path.c_str());
      return fd;
    }
    if (errno != EEXIST) return invalid_handle;
  }
  return invalid_handle;
}

bool folder_takes_no_files(int error) {
  return error == EACCES || error == EPERM || error == EROFS;
}

void ready_to_name(Handle handle, const OutputTarget& old) {
  const int fd = static_cast<int>(handle);
  mode_t mode = new_file_mode();
  if (old.exists) {
    mode = static_cast<mode_t>(old.mode);
    // The owner first: changing it clears the set-user-ID and set-group-ID bits and the file's
    // capabilities, which the attributes and the bits then give back where they belong.
    const auto owner = static_cast<uid_t>(old.owner);
    const auto group = static_cast<gid_t>(old.group);
    const bool same = owner == geteuid() && group == getegid();
    // Where the owner cannot be kept, a set-ID file must not become the writer's.
    if (!same && fchown(fd, owner, group) != 0) mode &= ~static_cast<mode_t>(06000);
    copy_attributes(old.path, fd, old.owner == 0);
  }
  // Where the file system refuses, the new file keeps the bits it was made with.
  if (fchmod(fd, mode) != 0) errno = 0;
}

void keep_when_closed(Handle) {}

bool replaceable(const Place& place, bool in_place) {
  struct stat info;
  if (fstatat(folder_of(place), name_of(place).c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT && !in_place;
  if (S_ISDIR(info.st_mode)) {
    errno = EISDIR;
    return false;
  }
  return !in_place || faccessat(folder_of(place), name_of(place).c_str(), W_OK, AT_EACCESS) == 0;
}

bool copy_into(const Place& from, const Place& to) {
  int source, target;
  do {
    source = ::openat(folder_of(from), name_of(from).c_str(), O_RDONLY | O_CLOEXEC);
  } while (source < 0 && errno == EINTR);
  if (source < 0) return false;
  do {
    target = ::openat(folder_of(to), name_of(to).c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
  } while (target < 0 && errno == EINTR);
  struct stat info;
  int error = target < 0 ? errno : fstat(source, &info) != 0 ? errno : 0;
  if (error == 0 && info.st_size > 0) {
    error = posix_fallocate(target, 0, info.st_size);
    // A file system that cannot reserve space is written all the same.
    if (error == EOPNOTSUPP || error == EINVAL) error = 0;
  }
  std::vector<char> buffer(error == 0 ? std::size_t{1} << 20 : 0);
  for (off_t at = 0; error == 0 && at < info.st_size;) {
    const ssize_t got = pread(source, buffer.data(), buffer.size(), at);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) {
      error = got < 0 ? errno : EIO;
      break;
    }
    for (ssize_t put = 0; error == 0 && put < got;) {
      const ssize_t wrote =
          pwrite(target, buffer.data() + put, static_cast<std::size_t>(got - put), at + put);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) error = wrote < 0 ? errno : EIO;
      if (wrote > 0) put += wrote;
    }
    at += got;
  }
  if (error == 0 && ftruncate(target, info.st_size) != 0) error = errno;
  if (target >= 0 && ::close(target) != 0 && error == 0) error = errno;
  ::close(source);
  errno = error;
  return error == 0;
}

bool not_found(int error) {
  return error == ENOENT;
}

bool closed_pipe(int error) {
  return error == EPIPE;
}

bool writable(const std::string& path) {
  int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

bool rename(const Place& from, const Place& to) {
  return ::renameat(folder_of(from), name_of(from).c_str(), folder_of(to), name_of(to).c_str()) == 0;
}

bool link(const Place& from, const Place& to) {
  return ::linkat(folder_of(from), name_of(from).c_str(), folder_of(to), name_of(to).c_str(), 0) == 0;
}

bool remove(const Place& place) {
  return ::unlinkat(folder_of(place), name_of(place).c_str(), 0) == 0;
}

bool remove_now(Handle folder, const char* name, const char* path) {
  // Only calls that are safe in a signal handler: the folder is open whenever a name is noted.
  return ::unlinkat(folder != invalid_handle ? static_cast<int>(folder) : AT_FDCWD,
                    folder != invalid_handle ? name : path, 0) == 0;
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

// A terminal outlives the program that ran in it.
bool console_of_its_own() {
  return false;
}

namespace {
bool closed_streams[3] = {};
}  // namespace

bool closed_at_start(int stream) {
  return stream >= 0 && stream <= 2 && closed_streams[stream];
}

void open_missing_standard_streams() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    closed_streams[fd] = true;
    // The lowest free descriptor is this one, the ones below it being open by now.
    int opened = ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
    if (opened >= 0 && opened != fd) {
      dup2(opened, fd);
      ::close(opened);
    }
  }
}

namespace {

// Every catchable signal that ends a process by default, SIGPIPE aside: a write to a pipe that
// closed is a failed write, reported as one.
constexpr int interrupts[] = {SIGINT,  SIGTERM, SIGHUP,  SIGQUIT,   SIGALRM, SIGUSR1,
                              SIGUSR2, SIGXCPU, SIGXFSZ, SIGVTALRM, SIGPROF};

void (*restore_console)() = nullptr;
pthread_t main_thread;
volatile sig_atomic_t interrupted = 0;

// How many holds are open, and the signal mask from before the first of them.
int holds = 0;
sigset_t mask_before_holds;

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
  sigset_t just_this;
  sigemptyset(&just_this);
  sigaddset(&just_this, signal_number);
  pthread_sigmask(SIG_UNBLOCK, &just_this, nullptr);
  raise(signal_number);
  _exit(128 + signal_number);
}

}  // namespace

void hold_interrupts() {
  if (holds++ > 0) return;
  sigset_t held;
  sigemptyset(&held);
  for (int signal_number : interrupts)
    sigaddset(&held, signal_number);
  pthread_sigmask(SIG_BLOCK, &held, &mask_before_holds);
}

void release_interrupts() {
  if (--holds > 0) return;
  // An interrupt that came meanwhile is handled now, as it would have been then.
  pthread_sigmask(SIG_SETMASK, &mask_before_holds, nullptr);
}

void handle_interrupts(void (*restore)()) {
  restore_console = restore;
  main_thread = pthread_self();
  signal(SIGPIPE, SIG_IGN);
  struct sigaction action = {};
  action.sa_handler = on_interrupt;
  // Not deferred, so a second interrupt during the cleanup ends the program at once.
  action.sa_flags = SA_NODEFER | SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (int signal_number : interrupts) {
    // A signal ignored when the program started (under nohup, in a background job) stays ignored.
    struct sigaction before;
    if (sigaction(signal_number, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
    sigaction(signal_number, &action, nullptr);
  }
}

}  // namespace platform

}  // namespace varnelo

// Windows file calls: C runtime descriptors in binary mode with 64-bit positions.

#include "io/windows_api.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "io/platform.hpp"

namespace varnelo {

namespace {

std::optional<FileIdentity> identity_of_windows_handle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

}  // namespace

namespace platform {

Handle open_for_reading(const std::string& path) {
  int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) return invalid_handle;
  // Folders are no input, and a named pipe could stall the program on its first read.
  struct _stati64 info;
  if (_fstati64(fd, &info) != 0 || (info.st_mode & _S_IFMT) == _S_IFDIR ||
      GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) == FILE_TYPE_PIPE) {
    _close(fd);
    return invalid_handle;
  }
  return fd;
}

Handle open_for_writing(const std::string& path) {
  int fd =
      _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
  return fd < 0 ? invalid_handle : fd;
}

bool close_handle(Handle handle) {
  return _close(static_cast<int>(handle)) == 0;
}

Handle standard_input() {
  _setmode(0, _O_BINARY);
  return 0;
}

Handle standard_output() {
  _setmode(1, _O_BINARY);
  return 1;
}

Handle standard_error() {
  _setmode(2, _O_BINARY);
  return 2;
}

std::int64_t read_some(Handle handle, void* buffer, std::size_t count) {
  return _read(static_cast<int>(handle), buffer,
               static_cast<unsigned>(std::min(count, platform::largest_transfer)));
}

std::int64_t write_some(Handle handle, const void* data, std::size_t count) {
  return _write(static_cast<int>(handle), data,
                static_cast<unsigned>(std::min(count, platform::largest_transfer)));
}

std::int64_t seek(Handle handle, std::int64_t offset, bool from_end) {
  // Only files on disk have an end to seek to: a device such as NUL answers 0 whatever it holds.
  if (from_end &&
      GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(handle)))) != FILE_TYPE_DISK)
    return -1;
  return _lseeki64(static_cast<int>(handle), offset, from_end ? SEEK_END : SEEK_SET);
}

bool reserve(Handle handle, std::int64_t size) {
  HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(handle)));
  LARGE_INTEGER current;
  if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &current)) return false;
  // An allocation below the end of the file would cut the file short; those bytes have their space.
  if (size <= current.QuadPart) return true;
  // Allocation beyond the end leaves the size as it is; what is not written is freed at closing.
  FILE_ALLOCATION_INFO allocation;
  allocation.AllocationSize.QuadPart = size;
  return SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation) != 0;
}

std::optional<FileIdentity> identity(Handle handle) {
  return identity_of_windows_handle(reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(handle))));
}

std::optional<FileIdentity> identity_of_path(const std::string& path) {
  // No access rights are needed to read the identity; backup semantics lets folders open too.
  HANDLE handle = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  std::optional<FileIdentity> found = identity_of_windows_handle(handle);
  CloseHandle(handle);
  return found;
}

bool exists(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
  // Only a plain "not found" means absent; anything else (a locked file) is asked about.
  switch (GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
    case ERROR_NOT_READY:
      return false;
    default:
      return true;
  }
}

}  // namespace platform

}  // namespace varnelo

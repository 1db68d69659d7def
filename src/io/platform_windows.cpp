// Windows file calls: C runtime descriptors in binary mode with 64-bit positions.

#include "io/windows_api.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <filesystem>
#include <string>

#include "io/platform.hpp"
#include "io/temporaries.hpp"

namespace varnelo {

namespace {

std::optional<FileIdentity> identity_of_windows_handle(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)) return std::nullopt;
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens an existing file or folder for its attributes only.
HANDLE open_for_attributes(const std::string& path) {
  return CreateFileA(path.c_str(), 0, share_all, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// The process ends with the code Windows gives a program stopped by Ctrl-C.
constexpr UINT interrupted_exit_code = 0xC000013A;
void (*restore_console)() = nullptr;
std::atomic<bool> interrupted{false};

BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  // A second interrupt ends the program at once.
  if (interrupted.exchange(true)) ExitProcess(interrupted_exit_code);
  remove_noted_temporaries();
  if (restore_console) restore_console();
  ExitProcess(interrupted_exit_code);
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

OutputTarget output_target(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {path, !!exists(path), false, 0};
  OutputTarget target{path, true, false, 0};
  HANDLE handle = open_for_attributes(path);
  if (handle == INVALID_HANDLE_VALUE) return target;
  // A link is followed to the file it names, which the output replaces; the link stays.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    char final_path[MAX_PATH * 4];
    DWORD length = GetFinalPathNameByHandleA(handle, final_path, sizeof final_path, FILE_NAME_NORMALIZED);
    if (length > 4 && length < sizeof final_path) {
      target.path.assign(final_path, length);
      if (target.path.rfind("\\\\?\\", 0) == 0) target.path.erase(0, 4);
    }
  }
  BY_HANDLE_FILE_INFORMATION info;
  target.regular = GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
                   !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  CloseHandle(handle);
  return target;
}

std::string full_name(const std::string& path) {
  std::error_code ignored;
  std::string name =
      std::filesystem::weakly_canonical(std::filesystem::absolute(path, ignored), ignored).string();
  // Names that differ only in letter case are one file here.
  for (char& c : name)
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return name;
}

Handle create_temporary(const std::string& target, std::string& temporary) {
  const std::size_t slash = target.find_last_of("/\\:");
  const std::string folder = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
  const std::string name = target.substr(folder.size());
  if (name.empty()) return invalid_handle;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string candidate = temporary_candidate(folder, name);
    // Shared for deletion, so an interrupt can remove it while it is still open.
    HANDLE file = CreateFileA(candidate.c_str(), GENERIC_WRITE, share_all, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS || GetLastError() == ERROR_ALREADY_EXISTS) continue;
      break;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_WRONLY | _O_BINARY);
    if (fd < 0) {
      CloseHandle(file);
      DeleteFileA(candidate.c_str());
      break;
    }
    temporary = candidate;
    return fd;
  }
  return invalid_handle;
}

bool writable(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, share_all, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

void set_permissions(Handle, unsigned) {
  // Replacing the file keeps its attributes and its access rights; nothing to carry over here.
}

bool replace(const std::string& from, const std::string& to) {
  // ReplaceFile keeps the replaced file's attributes, access rights and links; a new name is
  // simply moved into place.
  if (GetFileAttributesA(to.c_str()) != INVALID_FILE_ATTRIBUTES &&
      ReplaceFileA(to.c_str(), from.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr))
    return true;
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool remove(const std::string& path) {
  return DeleteFileA(path.c_str()) != 0;
}

bool remove_now(const char* path) {
  return DeleteFileA(path) != 0;
}

std::vector<FileIdentity> standard_stream_identities() {
  std::vector<FileIdentity> found;
  // Consoles and the null device have no identity, so they are never among these.
  for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE})
    if (std::optional<FileIdentity> stream = identity_of_windows_handle(GetStdHandle(which)))
      found.push_back(*stream);
  return found;
}

void open_missing_standard_streams() {
  const DWORD handles[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  for (int fd = 0; fd <= 2; ++fd) {
    HANDLE handle = GetStdHandle(handles[fd]);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
      handle = CreateFileA("NUL", fd == 0 ? GENERIC_READ : GENERIC_WRITE, share_all, nullptr, OPEN_EXISTING,
                           0, nullptr);
      if (handle != INVALID_HANDLE_VALUE) SetStdHandle(handles[fd], handle);
    }
    // The runtime's descriptors stand for the same streams.
    if (_get_osfhandle(fd) == -1) {
      int opened = _open("NUL", fd == 0 ? _O_RDONLY : _O_WRONLY);
      if (opened >= 0 && opened != fd) {
        _dup2(opened, fd);
        _close(opened);
      }
    }
  }
}

void handle_interrupts(void (*restore)()) {
  restore_console = restore;
  SetConsoleCtrlHandler(on_console_event, TRUE);
}

}  // namespace platform

}  // namespace varnelo

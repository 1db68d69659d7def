// Windows file calls: names in UTF-8 go to the wide calls as UTF-16; files are C runtime
// descriptors in binary mode with 64-bit positions.

#include "io/windows_api.hpp"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "io/platform.hpp"
#include "io/temporaries.hpp"

namespace varnelo {

namespace {

// The code of this thread's last failure (see platform::last_error).
thread_local int recorded_error = 0;

// Notes why a call failed and gives back the value that says it did.
template <typename T>
T failed(T value, DWORD code = GetLastError()) {
  recorded_error = static_cast<int>(code);
  return value;
}

// The Windows code behind a failure of the C runtime's file calls.
DWORD runtime_error() {
  return _doserrno != 0 ? static_cast<DWORD>(_doserrno) : ERROR_GEN_FAILURE;
}

std::optional<FileIdentity> identity_of_windows_handle(HANDLE handle) {
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE)
    return failed(std::optional<FileIdentity>(), ERROR_INVALID_HANDLE);
  // The 128-bit id where the volume has one (on ReFS the 64-bit index is not unique); older
  // systems and other volumes give the 64-bit index.
  FILE_ID_INFO id;
  if (GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
    FileIdentity identity{id.VolumeSerialNumber};
    std::memcpy(&identity.index, id.FileId.Identifier, sizeof identity.index);
    std::memcpy(&identity.index_high, id.FileId.Identifier + sizeof identity.index,
                sizeof identity.index_high);
    return identity;
  }
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(handle, &info)) return failed(std::optional<FileIdentity>());
  return FileIdentity{info.dwVolumeSerialNumber,
                      (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow};
}

constexpr DWORD share_all = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens an existing file or folder for its attributes only.
HANDLE open_for_attributes(const std::wstring& name) {
  return CreateFileW(name.c_str(), 0, share_all, nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// A descriptor of the C runtime on a handle just opened; the handle is closed when none is had.
platform::Handle descriptor_of(HANDLE file, int flags) {
  if (file == INVALID_HANDLE_VALUE) return failed(platform::invalid_handle);
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), flags | _O_BINARY);
  if (fd < 0) {
    CloseHandle(file);
    return failed(platform::invalid_handle, ERROR_TOO_MANY_OPEN_FILES);
  }
  return fd;
}

// What GetFullPathNameW makes of a name; empty when it fails.
std::wstring full_path(const std::wstring& name) {
  DWORD size = GetFullPathNameW(name.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(name.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return {};
  full.resize(length);
  return full;
}

// A path as the system gives it back (from GetFinalPathNameByHandleW), without its "\\?\".
std::wstring without_long_prefix(std::wstring name) {
  if (name.starts_with(L"\\\\?\\UNC\\")) return L"\\\\" + name.substr(8);
  if (name.starts_with(L"\\\\?\\")) return name.substr(4);
  return name;
}

// The name of the file or folder open on `handle` with the links on its way followed.
std::wstring final_path(HANDLE handle) {
  DWORD size = GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
  if (size == 0) return {};
  std::wstring name(size, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle, name.data(), size, FILE_NAME_NORMALIZED);
  if (length == 0 || length >= size) return {};
  name.resize(length);
  return without_long_prefix(std::move(name));
}

bool is_separator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// The process ends with the code Windows gives a program stopped by Ctrl-C.
constexpr UINT interrupted_exit_code = 0xC000013A;
void (*restore_console)() = nullptr;
std::atomic<bool> interrupted{false};

// Held by the program while it makes and notes a temporary file or commits outputs; the console
// handler, which runs on a thread of its own, waits for it, so it never ends the program halfway
// through a rename or a split's renames.
std::recursive_mutex& interrupt_lock() {
  static std::recursive_mutex lock;
  return lock;
}

BOOL WINAPI on_console_event(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
  // A second interrupt ends the program at once.
  if (interrupted.exchange(true)) ExitProcess(interrupted_exit_code);
  interrupt_lock().lock();
  remove_noted_temporaries();
  if (restore_console) restore_console();
  ExitProcess(interrupted_exit_code);
}

}  // namespace

namespace platform {

int last_error() {
  return recorded_error;
}

void set_last_error(int code) {
  recorded_error = code;
}

std::string error_text(int code) {
  if (code == 0) return {};
  // English, as the program's other system words are; the language of the system where it lacks them.
  wchar_t* text = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
  DWORD length = 0;
  for (DWORD language : {static_cast<DWORD>(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)), DWORD{0}}) {
    length = FormatMessageW(flags, nullptr, static_cast<DWORD>(code), language,
                            reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    if (length != 0) break;
  }
  if (length == 0 || text == nullptr) return "error " + std::to_string(code);
  std::string words = utf8_of(std::wstring_view(text, length));
  LocalFree(text);
  while (!words.empty() &&
         (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' || words.back() == '.'))
    words.pop_back();
  return words;
}

std::wstring wide_of(std::string_view utf8) {
  const int size = static_cast<int>(std::min<std::size_t>(utf8.size(), INT_MAX));
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

std::string utf8_of(std::wstring_view wide) {
  const int size = static_cast<int>(std::min<std::size_t>(wide.size(), INT_MAX));
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

std::wstring system_path(const std::string& path) {
  std::wstring name = wide_of(path);
  if (name.starts_with(L"\\\\?\\")) return name;
  // The full form is what the limit applies to: a short relative name in a deep folder is long.
  std::wstring full = full_path(name);
  if (full.size() < MAX_PATH || full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) return name;
  if (full.starts_with(L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

Handle open_for_reading(const std::string& path, std::int64_t* size) {
  // Measured when asked, as before.
  if (size) *size = -1;
  // Shared as the runtime's own open shares.
  HANDLE file = CreateFileW(system_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return failed(invalid_handle);
  // Folders are no input, and a named pipe could stall the program on its first read.
  BY_HANDLE_FILE_INFORMATION info;
  const bool pipe = GetFileType(file) == FILE_TYPE_PIPE;
  if (pipe ||
      (GetFileInformationByHandle(file, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))) {
    CloseHandle(file);
    return failed(invalid_handle, pipe ? ERROR_SEEK_ON_DEVICE : ERROR_DIRECTORY);
  }
  return descriptor_of(file, _O_RDONLY);
}

Handle open_stream(const std::string& path, std::int64_t* size) {
  if (size) *size = -1;
  HANDLE file = CreateFileW(system_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return failed(invalid_handle);
  BY_HANDLE_FILE_INFORMATION info;
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &info) &&
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    CloseHandle(file);
    return failed(invalid_handle, ERROR_DIRECTORY);
  }
  return descriptor_of(file, _O_RDONLY);
}

bool measurable(Handle handle) {
  return GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(handle)))) == FILE_TYPE_DISK;
}

Handle open_for_writing(const std::string& path) {
  HANDLE file = CreateFileW(system_path(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return descriptor_of(file, _O_WRONLY);
}

void* allocate_buffers(std::size_t size) {
  // Large pages need a privilege that programs are not given; plain memory it is.
  return std::malloc(size);
}

void free_buffers(void* block) {
  std::free(block);
}

void give_back_reserved(Handle) {
  // What was allocated past the end and not written is freed when the file is closed.
}

bool close_handle(Handle handle) {
  return _close(static_cast<int>(handle)) == 0 || failed(false, runtime_error());
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
  const int got = _read(static_cast<int>(handle), buffer,
                        static_cast<unsigned>(std::min(count, platform::largest_transfer)));
  return got >= 0 ? got : failed(std::int64_t{-1}, runtime_error());
}

std::int64_t write_some(Handle handle, const void* data, std::size_t count) {
  const int put = _write(static_cast<int>(handle), data,
                         static_cast<unsigned>(std::min(count, platform::largest_transfer)));
  return put >= 0 ? put : failed(std::int64_t{-1}, runtime_error());
}

std::int64_t seek(Handle handle, std::int64_t offset) {
  const std::int64_t at = _lseeki64(static_cast<int>(handle), offset, SEEK_SET);
  return at >= 0 ? at : failed(std::int64_t{-1}, runtime_error());
}

std::int64_t size_of(Handle handle) {
  // Only files on disk have an end: a device such as NUL answers 0 whatever it holds.
  const int fd = static_cast<int>(handle);
  if (GetFileType(reinterpret_cast<HANDLE>(_get_osfhandle(fd))) != FILE_TYPE_DISK)
    return failed(std::int64_t{-1}, ERROR_SEEK_ON_DEVICE);
  const std::int64_t at = _lseeki64(fd, 0, SEEK_CUR);
  const std::int64_t end = at < 0 ? -1 : _lseeki64(fd, 0, SEEK_END);
  if (end < 0 || _lseeki64(fd, at, SEEK_SET) < 0) return failed(std::int64_t{-1}, runtime_error());
  return end;
}

bool reserve(Handle handle, std::int64_t size) {
  HANDLE file = reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(handle)));
  LARGE_INTEGER current;
  if (file == INVALID_HANDLE_VALUE || !GetFileSizeEx(file, &current)) return failed(false);
  // An allocation below the end of the file would cut the file short; those bytes have their space.
  if (size <= current.QuadPart) return true;
  // Allocation beyond the end leaves the size as it is; what is not written is freed at closing.
  FILE_ALLOCATION_INFO allocation;
  allocation.AllocationSize.QuadPart = size;
  return SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation) != 0 ||
         failed(false);
}

std::optional<FileIdentity> identity(Handle handle) {
  return identity_of_windows_handle(reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(handle))));
}

std::optional<FileIdentity> identity_of_path(const std::string& path) {
  // No access rights are needed to read the identity; backup semantics lets folders open too.
  HANDLE handle = open_for_attributes(system_path(path));
  if (handle == INVALID_HANDLE_VALUE) return failed(std::optional<FileIdentity>());
  std::optional<FileIdentity> found = identity_of_windows_handle(handle);
  CloseHandle(handle);
  return found;
}

bool exists(const std::string& path) {
  if (GetFileAttributesW(system_path(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
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

bool name_too_long(const std::string& path) {
  // The one limit that the long form does not lift: 255 UTF-16 units for each name in a path.
  std::size_t name = 0;
  for (wchar_t c : wide_of(path))
    if ((name = is_separator(c) ? 0 : name + 1) > 255) return failed(true, ERROR_FILENAME_EXCED_RANGE);
  return false;
}

std::string unquoted(const std::string& path) {
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') return path.substr(1, path.size() - 2);
  return path;
}

OutputTarget output_target(const std::string& path) {
  const std::wstring name = system_path(path);
  DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return {path, !!exists(path)};
  OutputTarget target{path, true};
  HANDLE handle = open_for_attributes(name);
  if (handle == INVALID_HANDLE_VALUE) return target;
  // A link is followed to the file it names, which the output replaces; the link stays.
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    std::wstring linked = final_path(handle);
    if (!linked.empty()) target.path = utf8_of(linked);
  }
  BY_HANDLE_FILE_INFORMATION info;
  target.regular = GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
                   !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY);
  // Replacing swaps names: a second link would keep the old bytes, so the new ones are copied in.
  if (target.regular) target.renamable = info.nNumberOfLinks <= 1;
  CloseHandle(handle);
  return target;
}

std::string full_name(const std::string& path) {
  std::wstring full = full_path(wide_of(path));
  // The deepest folder on the way that is there is named as the system resolves it, links
  // followed; the names below it are not there yet and stay as typed.
  for (std::size_t cut = full.size(); cut > 0;) {
    while (cut > 0 && !is_separator(full[cut - 1]))
      --cut;
    if (cut == 0) break;
    HANDLE folder = open_for_attributes(system_path(utf8_of(std::wstring_view(full).substr(0, cut))));
    if (folder == INVALID_HANDLE_VALUE) {
      --cut;
      continue;
    }
    std::wstring resolved = final_path(folder);
    CloseHandle(folder);
    if (!resolved.empty()) {
      if (!is_separator(resolved.back())) resolved += L'\\';
      full = resolved + full.substr(cut);
    }
    break;
  }
  // Names that differ only in letter case are one file here; the invariant upper case is the
  // simple mapping that file systems compare names by, for every script.
  const int size = static_cast<int>(std::min<std::size_t>(full.size(), INT_MAX));
  std::wstring upper(full.size(), L'\0');
  if (size > 0 && LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, full.data(), size, upper.data(), size,
                                nullptr, nullptr, 0) == size)
    full = upper;
  return utf8_of(full);
}

Place place_of(const std::string& path) {
  const std::size_t cut = path.find_last_of("/\\:");
  return {invalid_handle, cut == std::string::npos ? "" : path.substr(0, cut + 1),
          cut == std::string::npos ? path : path.substr(cut + 1)};
}

// Windows keeps only the path: a folder in use cannot be renamed there anyway.
Handle open_folder(const std::string&) {
  return invalid_handle;
}

void close_folder(Handle) {}

void hold_interrupts() {
  interrupt_lock().lock();
}

void release_interrupts() {
  interrupt_lock().unlock();
}

namespace {

// Whether the file open on `file` goes when its last handle closes.
bool delete_on_close(HANDLE file, bool deleted) {
  FILE_DISPOSITION_INFO disposition{static_cast<BOOLEAN>(deleted ? TRUE : FALSE)};
  return SetFileInformationByHandle(file, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

HANDLE windows_handle(Handle handle) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(static_cast<int>(handle)));
}

}  // namespace

Handle create_temporary(const Place& target, bool, std::string& name) {
  name.clear();
  if (target.name.empty()) return failed(invalid_handle, ERROR_DIRECTORY);
  for (int attempt = 0; attempt < 100; ++attempt) {
    Place temporary = target;
    temporary.name = temporary_name(target.name);
    const std::wstring wide = system_path(temporary.path());
    // Made and noted in one step, and shared for deletion, so an interrupt can remove it while it
    // is still open.
    InterruptsHeld held;
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, share_all, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
      return failed(invalid_handle, code);
    }
    // Gone with the program's last handle, were it killed before the file takes its name.
    delete_on_close(file, true);
    Handle fd = descriptor_of(file, _O_RDWR);
    if (fd == invalid_handle) return failed(invalid_handle, ERROR_TOO_MANY_OPEN_FILES);
    note_temporary(temporary);
    name = temporary.name;
    return fd;
  }
  return failed(invalid_handle, ERROR_FILE_EXISTS);
}

bool name_temporary(Handle, const Place&) {
  // Every temporary file here has a name from the start.
  return failed(false, ERROR_NOT_SUPPORTED);
}

std::string forward_slashes(std::string path) {
  // A path of the "\\?\" form is taken literally by the system, which would not read "/" in it.
  if (path.rfind("\\\\?\\", 0) != 0) std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::string child_path(const std::string& folder, const std::string& name) {
  if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder + name;
  return folder + (folder.rfind("\\\\?\\", 0) == 0 ? "\\" : "/") + name;
}

bool is_folder(const std::string& path) {
  const DWORD attributes = GetFileAttributesW(system_path(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool list_folder(const std::string& path, std::vector<FolderEntry>& entries) {
  std::string pattern = path;
  if (!pattern.empty() && pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(system_path(pattern + "*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return failed(false);
  do {
    const std::string name = utf8_of(found.cFileName);
    if (name == "." || name == "..") continue;
    FolderEntry entry{name, FolderEntry::file};
    if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
      entry.kind = found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT ? FolderEntry::link_to_folder
                                                                         : FolderEntry::folder;
    entries.push_back(std::move(entry));
  } while (FindNextFileW(search, &found));
  const DWORD code = GetLastError();
  FindClose(search);
  return code == ERROR_NO_MORE_FILES || failed(false, code);
}

std::string scratch_folder() {
  wchar_t folder[MAX_PATH + 2];
  const DWORD length = GetTempPathW(MAX_PATH + 2, folder);
  return length == 0 || length > MAX_PATH + 1 ? std::string(".\\")
                                              : utf8_of(std::wstring_view(folder, length));
}

Handle create_scratch(const std::string& folder) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring wide = system_path(folder + temporary_name("varnelo-scratch"));
    // Deleted by the system with its handle, however the program ends.
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      const DWORD code = GetLastError();
      if (code == ERROR_FILE_EXISTS || code == ERROR_ALREADY_EXISTS) continue;
      return failed(invalid_handle, code);
    }
    return descriptor_of(file, _O_RDWR);
  }
  return failed(invalid_handle, ERROR_FILE_EXISTS);
}

bool folder_takes_no_files(int error) {
  return error == ERROR_ACCESS_DENIED || error == ERROR_WRITE_PROTECT;
}

void ready_to_name(Handle, const OutputTarget&) {
  // Replacing the file keeps its attributes and its access rights; nothing to carry over here.
}

void keep_when_closed(Handle handle) {
  delete_on_close(windows_handle(handle), false);
}

bool replaceable(const Place& place, bool in_place) {
  const DWORD attributes = GetFileAttributesW(system_path(place.path()).c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return !in_place && not_found(static_cast<int>(GetLastError()));
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return failed(false, ERROR_DIRECTORY);
  return !in_place || writable(place.path()) || failed(false);
}

bool copy_into(const Place& from, const Place& to) {
  HANDLE source = CreateFileW(system_path(from.path()).c_str(), GENERIC_READ, share_all, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (source == INVALID_HANDLE_VALUE) return failed(false);
  HANDLE target = CreateFileW(system_path(to.path()).c_str(), GENERIC_WRITE, share_all, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD error = target == INVALID_HANDLE_VALUE ? GetLastError() : 0;
  LARGE_INTEGER size{};
  if (error == 0 && !GetFileSizeEx(source, &size)) error = GetLastError();
  // Room for the whole first, so that a full disk stops the copy before it changes a byte.
  FILE_END_OF_FILE_INFO end{size};
  LARGE_INTEGER current{};
  if (error == 0 && GetFileSizeEx(target, &current) && size.QuadPart > current.QuadPart &&
      !SetFileInformationByHandle(target, FileEndOfFileInfo, &end, sizeof end))
    error = GetLastError();
  std::vector<char> buffer(error == 0 ? std::size_t{1} << 20 : 0);
  for (std::int64_t done = 0; error == 0 && done < size.QuadPart;) {
    DWORD got = 0, put = 0;
    if (!ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) || got == 0) {
      error = got == 0 ? ERROR_HANDLE_EOF : GetLastError();
      break;
    }
    if (!WriteFile(target, buffer.data(), got, &put, nullptr) || put != got) error = GetLastError();
    done += got;
  }
  if (error == 0 && !SetFileInformationByHandle(target, FileEndOfFileInfo, &end, sizeof end))
    error = GetLastError();
  if (target != INVALID_HANDLE_VALUE && !CloseHandle(target) && error == 0) error = GetLastError();
  CloseHandle(source);
  return error == 0 || failed(false, error);
}

bool not_found(int error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

bool closed_pipe(int error) {
  return error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE;
}

bool writable(const std::string& path) {
  HANDLE file =
      CreateFileW(system_path(path).c_str(), GENERIC_WRITE, share_all, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return failed(false);
  CloseHandle(file);
  return true;
}

bool rename(const Place& from, const Place& to) {
  // ReplaceFile keeps the replaced file's attributes and access rights; a new name is simply
  // moved into place.
  const std::wstring source = system_path(from.path()), target = system_path(to.path());
  if (GetFileAttributesW(target.c_str()) != INVALID_FILE_ATTRIBUTES &&
      ReplaceFileW(target.c_str(), source.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                   nullptr))
    return true;
  return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) !=
             0 ||
         failed(false);
}

bool link(const Place& from, const Place& to) {
  return CreateHardLinkW(system_path(to.path()).c_str(), system_path(from.path()).c_str(), nullptr) != 0 ||
         failed(false);
}

bool remove(const Place& place) {
  return DeleteFileW(system_path(place.path()).c_str()) != 0 || failed(false);
}

bool remove_now(Handle, const char*, const char* path) {
  // The console handler runs on a thread of its own while the program goes on, so it may
  // allocate for the conversion.
  return DeleteFileW(system_path(path).c_str()) != 0;
}

std::vector<FileIdentity> standard_stream_identities() {
  std::vector<FileIdentity> found;
  // Consoles and the null device have no identity, so they are never among these.
  for (DWORD which : {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE})
    if (std::optional<FileIdentity> stream = identity_of_windows_handle(GetStdHandle(which)))
      found.push_back(*stream);
  return found;
}

bool console_of_its_own() {
  DWORD processes[2];
  DWORD mode = 0;
  return GetConsoleProcessList(processes, 2) == 1 && GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode);
}

namespace {
bool closed_streams[3] = {};
}  // namespace

bool closed_at_start(int stream) {
  return stream >= 0 && stream <= 2 && closed_streams[stream];
}

void open_missing_standard_streams() {
  const DWORD handles[] = {STD_INPUT_HANDLE, STD_OUTPUT_HANDLE, STD_ERROR_HANDLE};
  for (int fd = 0; fd <= 2; ++fd) {
    HANDLE handle = GetStdHandle(handles[fd]);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) {
      closed_streams[fd] = true;
      handle = CreateFileW(L"NUL", fd == 0 ? GENERIC_READ : GENERIC_WRITE, share_all, nullptr, OPEN_EXISTING,
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

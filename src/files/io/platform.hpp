#pragma once

// File calls that differ between platforms, behind one small set of functions. Each platform
// file (platform_posix.cpp, platform_windows.cpp) implements them; nothing here knows of the
// layers above.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varnelo {

// Identifies a file independently of how its path is spelled (device and inode, or the
// Windows volume serial and file id), so an output can be refused when it is an input. Windows
// file ids have 128 bits; elsewhere the high half is 0.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t index = 0;
  std::uint64_t index_high = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

namespace platform {

// Why the last call of this thread that failed failed: errno on POSIX, a Windows error code on
// Windows. Every function here that fails leaves it set; a test's fault seam sets it for the
// faults it makes.
int last_error();
void set_last_error(int code);
// The system's own words for an error code, in English whatever the locale, without a final
// point; empty for 0.
std::string error_text(int code);

// A descriptor on POSIX, a runtime descriptor on Windows.
using Handle = std::intptr_t;
inline constexpr Handle invalid_handle = -1;

// Opens a regular file (or a device) for reading; refuses directories. invalid_handle on failure.
Handle open_for_reading(const std::string& path);
// Creates or truncates for writing; invalid_handle on failure.
Handle open_for_writing(const std::string& path);
bool close_handle(Handle handle);
// The process's standard streams, switched to binary mode where the platform has a text mode.
Handle standard_input();
Handle standard_output();
Handle standard_error();
// Bytes read (0 at the end of the file) or -1 on error.
std::int64_t read_some(Handle handle, void* buffer, std::size_t count);
// Bytes written or -1 on error.
std::int64_t write_some(Handle handle, const void* data, std::size_t count);
// New position, or -1 on error. `from_end` seeks relative to the end of the file, and fails
// for anything whose end is not its size (character devices, pipes).
std::int64_t seek(Handle handle, std::int64_t offset, bool from_end);
// Allocates space for the first `size` bytes without changing the file's size; false when the
// platform or the file system does not offer it.
bool reserve(Handle handle, std::int64_t size);
std::optional<FileIdentity> identity(Handle handle);
std::optional<FileIdentity> identity_of_path(const std::string& path);
bool exists(const std::string& path);
// Whether the system can take no file of that name whatever the folder: on Windows a name
// (between separators) beyond 255 UTF-16 units, with the system's code for it left as the last
// error. Always false on POSIX, where the user is told of the file that could not be opened
// instead.
bool name_too_long(const std::string& path);
// The path meant by one typed or pasted: a dropped file arrives wrapped in quotes, which go.
// On Windows one surrounding pair of double quotes always goes (no name holds one); elsewhere
// one pair of single or double quotes, and only when no file has the name as typed.
std::string unquoted(const std::string& path);

// Where an output named `path` really goes: symbolic links followed to the file they name (the
// link stays, the file is replaced), and what is there now.
struct OutputTarget {
  std::string path;
  bool exists = false;
  bool regular = false;  // a plain file, replaced through a temporary file beside it
  unsigned mode = 0;     // its permission bits
};
OutputTarget output_target(const std::string& path);
// The full name of a file not yet there, with the links among its folders followed, in a form
// that two names of one file share.
std::string full_name(const std::string& path);
// Creates a new, empty file beside `target` under a name of its own that says what it is, and
// puts that name in `temporary`; invalid_handle when the folder takes no new file.
Handle create_temporary(const std::string& target, std::string& temporary);
// Whether an existing file may be opened for writing; nothing about it changes.
bool writable(const std::string& path);
// Gives an open file the permission bits of the file it is to replace.
void set_permissions(Handle handle, unsigned mode);
// Gives `from` the name `to`, replacing what was there, in one step.
bool replace(const std::string& from, const std::string& to);
bool remove(const std::string& path);

// The identities of the program's own standard input, output and error, other than the null
// device: no output may be one of them.
std::vector<FileIdentity> standard_stream_identities();
// Opens any of the standard descriptors that is closed on the null device, so that the first
// file the program opens cannot take its place.
void open_missing_standard_streams();

// From now on interrupts (SIGINT, SIGTERM and SIGHUP; Ctrl-C, Ctrl-Break and closing the
// console on Windows) remove the run's temporary files (see io/temporaries.hpp), call
// `restore_console` and end the program with the platform's usual code for them. A second
// interrupt ends it at once. `restore_console` must be safe to call from a signal handler.
void handle_interrupts(void (*restore_console)());
// Removes a file from inside a signal handler.
bool remove_now(const char* path);

// Memory for read buffers, freed with free_buffers. Where whole huge pages fit in it, the
// system is asked to back them so: a copy through 2 MiB pages misses the address cache far
// less often than one through 4 KiB pages. Null when there is no memory.
void* allocate_buffers(std::size_t size);
void free_buffers(void* block);

}  // namespace platform

}  // namespace varnelo

#pragma once

// File calls that differ between platforms, behind one small set of functions. Each platform
// file (platform_posix.cpp, platform_windows.cpp) implements them; nothing here knows of the
// layers above.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace varnelo {

// Identifies a file independently of how its path is spelled (device and inode, or the
// Windows volume serial and file index), so an output can be refused when it is an input.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t index = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

namespace platform {

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

}  // namespace platform

}  // namespace varnelo

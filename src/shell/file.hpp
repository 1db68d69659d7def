#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

namespace varnelo {

// Identifies a file independently of how its path is spelled (device and inode, or the
// Windows volume serial and file index), so an output can be refused when it is an input.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t index = 0;
  friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

// A move-only handle on one open file, always in binary mode, with 64-bit sizes and positions.
// The destructor closes it, so every way out of a screen closes its files by itself.
class File {
 public:
  File() = default;
  ~File() noexcept;
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  // Opens an existing file for reading. Directories and everything else that cannot be
  // read as a file are refused.
  static std::optional<File> open_read(const std::string& path);
  // Creates or truncates a file for writing.
  static std::optional<File> open_write(const std::string& path);

  bool is_open() const { return handle_ != invalid_handle; }
  const std::string& path() const { return path_; }

  // Seeks to the end, takes the position and seeks back to offset 0; -1 on failure.
  std::int64_t measure_size();
  bool seek(std::int64_t offset);
  std::int64_t position() const { return position_; }

  // Reads up to `count` bytes, going on after short reads until `count` bytes came, the file
  // ended or a read failed. Returns the number of bytes read.
  std::size_t read(void* buffer, std::size_t count);
  bool read_exact(void* buffer, std::size_t count) { return read(buffer, count) == count; }
  // Writes all `count` bytes; false when any of them could not be written.
  bool write(const void* data, std::size_t count);
  // Copies `count` bytes from `source`'s position to this file's position, inside the kernel
  // where the platform can; false when a read came short or a write failed.
  bool copy_from(File& source, std::int64_t count) { return copy_checked(source, count) == CopyFault::none; }
  // The same copy, telling which side failed, so the right file can be named to the user.
  enum class CopyFault { none, read, write };
  CopyFault copy_checked(File& source, std::int64_t count);

  // Reserves disk space for the first `size` bytes without changing the file's size, so that a
  // long run of writes that follows costs the system less. Only a hint: false when declined.
  bool reserve(std::int64_t size);

  // Closes the handle; false when the system reported an error while closing.
  bool close();

  std::optional<FileIdentity> identity() const;

  // How many File handles are open in this process now (tests check that screens close theirs).
  static int open_count();

  using Handle = std::intptr_t;
  static constexpr Handle invalid_handle = -1;

 private:
  File(Handle handle, std::string path) : handle_(handle), path_(std::move(path)) {}
  static std::optional<File> open(const std::string& path, bool for_writing);

  Handle handle_ = invalid_handle;
  std::string path_;
  std::int64_t position_ = 0;
  // Bytes that may still be read or written before a planned fault (tests only); -1 is no limit.
  std::int64_t read_budget_ = -1;
  std::int64_t write_budget_ = -1;
};

// Reads a run of a file on a second thread, a few buffers ahead of the caller, so that the
// system's copy out of the file overlaps the caller's work on the bytes before it. The caller
// never waits for that thread to be given time: when the next buffer is not read yet, it reads
// it itself. Only these reads touch the file while this lives; the destructor stops and joins
// the thread, also when an exception unwinds. A run that fits one buffer is read without one.
class ReadAhead {
 public:
  // The size of the read that starts `offset` bytes into the run; called in file order, one call
  // at a time, on whichever thread reads, and must not throw. Cut to the buffer and what is left.
  using ReadSizes = std::function<std::size_t(std::int64_t offset)>;

  // Reads `count` bytes from the file's position into `buffers` buffers of `buffer_size` bytes,
  // each read filling one buffer (or taking the size `sizes` gives).
  ReadAhead(File& file, std::int64_t count, std::size_t buffer_size, int buffers, ReadSizes sizes = {});
  ~ReadAhead();
  ReadAhead(const ReadAhead&) = delete;
  ReadAhead& operator=(const ReadAhead&) = delete;

  // The bytes of the next read in file order, valid until the next call; empty after the last.
  // A read that came short (the file ended early or failed) is handed out with the bytes it got,
  // came_short() is true from then on, and nothing follows it.
  std::span<const std::uint8_t> next();
  bool came_short() const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// Whether anything exists at the path, asked of the file system (not by opening it).
bool path_exists(const std::string& path);
std::optional<FileIdentity> identity_of(const std::string& path);

// Fault seam for tests: files opened for `path` from now on deliver at most `readable` bytes
// before reads come short, and accept at most `writable` bytes before writes fail (-1: no
// limit). A default-constructed plan removes the fault.
struct FaultPlan {
  std::string path;
  std::int64_t readable = -1;
  std::int64_t writable = -1;
};
void set_fault_plan(const FaultPlan& plan);

// Guard for fuzzing whole dialogues: while set, files are opened only at paths it accepts
// (an open elsewhere fails as if the file did not exist or the folder were read-only).
using PathGuard = bool (*)(const std::string& path);
void set_path_guard(PathGuard guard);

}  // namespace varnelo

#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "io/platform.hpp"

namespace varnelo {

// Why the system refused a call, as it said so: empty when it said nothing (a file that ended
// early is no error of the system's).
struct SystemError {
  int code = 0;
  explicit operator bool() const { return code != 0; }
  // The system's words, in English; empty for no error.
  std::string text() const { return platform::error_text(code); }
  // The reason of the last call of this thread that failed.
  static SystemError last() { return {platform::last_error()}; }
  // Whether it says that the reading end of a pipe has closed.
  bool closed_pipe() const { return platform::closed_pipe(code); }
};

// The system calls the file layer makes. The platform's are used unless a test installs its own
// around them (planned faults, a sandbox for fuzzing, a count of open files). Each call that
// fails leaves its reason in platform::last_error().
// How a file is opened: for reading (files that can be measured and read to an end), for
// reading as a stream (pipes, devices and the like too), or for writing.
enum class Access { read, stream, write };

class FileCalls {
 public:
  virtual ~FileCalls() = default;
  // `size` as platform::open_stream tells it; -1 for outputs.
  virtual platform::Handle open(const std::string& path, Access access, std::int64_t* size);
  // A new file beside `target` that will take its name once complete (see Output), unnamed where
  // asked for and allowed, else named `name`.
  virtual platform::Handle create_temporary(const platform::Place& target, bool unnamed, std::string& name);
  virtual bool name_temporary(platform::Handle handle, const platform::Place& temporary);
  virtual bool close(platform::Handle handle);
  virtual std::int64_t read_some(platform::Handle handle, void* buffer, std::size_t count);
  virtual std::int64_t write_some(platform::Handle handle, const void* data, std::size_t count);
  virtual std::int64_t seek(platform::Handle handle, std::int64_t offset);
  virtual std::int64_t size_of(platform::Handle handle);
  virtual bool reserve(platform::Handle handle, std::int64_t size);
  virtual std::optional<FileIdentity> identity(platform::Handle handle);
  virtual std::optional<FileIdentity> identity_of(const std::string& path);
  // Gives `from` the name `to`, replacing what was there, in one step.
  virtual bool rename(const platform::Place& from, const platform::Place& to);
  virtual bool link(const platform::Place& from, const platform::Place& to);
  virtual bool remove(const platform::Place& place);
};

// Installs `calls` for every file call from now on; nullptr goes back to the platform's.
// Returns the calls installed before.
FileCalls* install_file_calls(FileCalls* calls);
// The calls installed now.
FileCalls& file_calls();

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
  // read as a file are refused. `why`, when given, receives the reason of a failure.
  static std::optional<File> open_read(const std::string& path, SystemError* why = nullptr);
  // Anything that can be read, pipes and devices too (see Access::stream).
  static std::optional<File> open_stream(const std::string& path, SystemError* why = nullptr);
  // Creates or truncates a file for writing.
  static std::optional<File> open_write(const std::string& path, SystemError* why = nullptr);
  // The process's standard streams, in binary mode; input and output are named "-". Closing
  // one leaves the stream itself open for the rest of the process.
  static File standard_input();
  static File standard_output();
  static File standard_error();
  // Creates a new file for reading and writing beside `target`, readable by its owner only:
  // unnamed where asked for and allowed, else under a name of its own, put in `name`.
  static std::optional<File> create_temporary(const platform::Place& target, bool unnamed, std::string& name,
                                              SystemError* why = nullptr);

  // A scratch file in the system's temporary folder (see platform::create_scratch), for data that
  // must be read again at any offset; its path is the folder's.
  static std::optional<File> create_scratch(SystemError* why = nullptr);

  bool is_open() const { return handle_ != platform::invalid_handle; }
  platform::Handle handle() const { return handle_; }
  // One of the process's standard streams, which outlive the File.
  bool is_standard_stream() const { return !owned_; }
  // Whether its size says how much there is to read (see platform::measurable).
  bool measurable() const { return !is_standard_stream() && platform::measurable(handle_); }
  const std::string& path() const { return path_; }

  // The size of the file or disk, the position then at offset 0; -1 on failure.
  std::int64_t measure_size();
  bool seek(std::int64_t offset);
  std::int64_t position() const { return position_; }

  // Reads up to `count` bytes, going on after short reads until `count` bytes came, the file
  // ended or a read failed. Returns the number of bytes read.
  std::size_t read(void* buffer, std::size_t count);
  bool read_exact(void* buffer, std::size_t count) { return read(buffer, count) == count; }
  // Reads what one call of the system gives, up to `count` bytes, so that a pipe's lines are
  // taken as they come; 0 at the end or after a failure.
  std::size_t read_some(void* buffer, std::size_t count);
  // Writes all `count` bytes; false when any of them could not be written.
  bool write(const void* data, std::size_t count);

  // Reserves disk space for the first `size` bytes without changing the file's size, so that a
  // long run of writes that follows costs the system less. Only a hint: false when declined.
  bool reserve(std::int64_t size);

  // Closes the handle; false when the system reported an error while closing.
  bool close();

  // True once a read or a write was refused by the system, as opposed to meeting the end.
  bool failed() const { return failed_; }
  // Why the last call on the file that failed (a read, a write, a seek or the close) failed.
  SystemError error() const { return error_; }

  std::optional<FileIdentity> identity() const;

 private:
  File(platform::Handle handle, std::string path, FileCalls* calls, bool owned = true)
      : handle_(handle), path_(std::move(path)), calls_(calls), owned_(owned) {}
  static std::optional<File> open(const std::string& path, Access access, SystemError* why);
  // Notes why the call just made failed, and gives back `result`.
  template <typename T>
  T failing(T result) {
    error_ = SystemError::last();
    return result;
  }
  template <typename Step>
  std::size_t transfer(std::size_t count, Step step);

  platform::Handle handle_ = platform::invalid_handle;
  std::string path_;
  std::int64_t position_ = 0;
  // The calls the file was opened through; it is closed through them too.
  FileCalls* calls_ = &file_calls();
  // False for the standard streams, which outlive every File made on them.
  bool owned_ = true;
  // The size found at opening, taken by the first measure_size instead of asking again: files
  // come by thousands, each asked for its size once.
  std::int64_t size_at_open_ = -1;
  // Space was reserved past what was written; it is given back at closing.
  bool reserved_ = false;
  bool failed_ = false;
  SystemError error_;
};

// Whether anything exists at the path, asked of the file system (not by opening it).
bool path_exists(const std::string& path);
// Whether the system takes no file of that name, a part of it being too long (see platform.hpp).
bool name_too_long(const std::string& path);
// The path meant by one typed, dropped or pasted in quotes (see platform.hpp).
std::string unquoted_path(const std::string& path);
std::optional<FileIdentity> identity_of(const std::string& path);

}  // namespace varnelo

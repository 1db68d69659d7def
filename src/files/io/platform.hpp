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
// Where `size` is given, it takes the size of a file that can be measured (see measurable), or -1.
Handle open_for_reading(const std::string& path, std::int64_t* size = nullptr);
// Opens anything that can be read, a named pipe or a socket too, waiting for a writer where a
// pipe has none yet; refuses directories.
Handle open_stream(const std::string& path, std::int64_t* size = nullptr);
// Whether an open file has a size that says how much there is to read: a regular file (other
// than the system's generated ones, such as /proc's, which show 0) or a disk.
bool measurable(Handle handle);
// Creates or truncates for writing; invalid_handle on failure.
Handle open_for_writing(const std::string& path);
bool close_handle(Handle handle);
// Gives back space reserved past the end of a file written to (see reserve), which would
// otherwise stay held past its end, where no listing shows it.
void give_back_reserved(Handle handle);
// The process's standard streams, switched to binary mode where the platform has a text mode.
Handle standard_input();
Handle standard_output();
Handle standard_error();
// Bytes read (0 at the end of the file) or -1 on error.
std::int64_t read_some(Handle handle, void* buffer, std::size_t count);
// Bytes written or -1 on error.
std::int64_t write_some(Handle handle, const void* data, std::size_t count);
// New position, or -1 on error.
std::int64_t seek(Handle handle, std::int64_t offset);
// The size of a file or a disk, the position left as it was; -1 for anything whose end is not
// its size (character devices, pipes).
std::int64_t size_of(Handle handle);
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
  std::uint64_t owner = 0;
  std::uint64_t group = 0;
  // A new file renamed over it keeps all it had: it has no second link, and this process can
  // give the new file its owner and group. Otherwise the new bytes are copied into it in place.
  bool renamable = true;
};
OutputTarget output_target(const std::string& path);
// The full name of a file not yet there, with the links among its folders followed, in a form
// that two names of one file share.
std::string full_name(const std::string& path);

// A name in a folder that is held open while an output is written there (on POSIX; Windows
// keeps only the path), so that the output's temporary file is made, named and removed in that
// folder wherever it is moved meanwhile.
struct Place {
  Handle folder = invalid_handle;
  std::string folder_path;  // empty, or ending in a separator
  std::string name;
  std::string path() const { return folder_path + name; }
};
// The place of `path`, its folder not opened.
Place place_of(const std::string& path);
// Opens a place's folder to be held (by path where it is empty); invalid_handle when that failed
// or the system keeps no folder open.
Handle open_folder(const std::string& folder_path);
void close_folder(Handle folder);

// Holds off the interrupts that remove temporary files until as many releases as holds have
// come: creating a temporary file and noting it, or the renames that commit outputs, are never
// cut in two by one. An interrupt held off takes effect at the last release. Main thread only.
void hold_interrupts();
void release_interrupts();
class InterruptsHeld {
 public:
  InterruptsHeld() { hold_interrupts(); }
  ~InterruptsHeld() { release_interrupts(); }
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;
};

// Creates a new file, readable and writable by its owner only, that is to become the file at
// `target`. Where the system allows and `unnamed` asks for it, the file has no name yet and
// `name` is left empty; otherwise it has a name of its own beside the target, given in `name`
// and noted as a temporary file in the same step. invalid_handle on failure.
Handle create_temporary(const Place& target, bool unnamed, std::string& name);
// One entry of a folder, as a walk over the folder's tree needs it.
struct FolderEntry {
  enum Kind { file, folder, link_to_folder };
  std::string name;
  Kind kind = file;
};
// The path with "/" between its parts: as it is on POSIX, where "\\" may be part of a name, and
// for a Windows path of the "\\?\" form, which the system takes literally.
std::string forward_slashes(std::string path);
// The path of `name` in `folder`, joined by "/" (by "\\" in a Windows path of the "\\?\" form).
std::string child_path(const std::string& folder, const std::string& name);
// Whether the path names a folder (following links).
bool is_folder(const std::string& path);
// The entries of a folder, "." and ".." left out, in no particular order; false (the reason in
// last_error()) when it cannot be listed.
bool list_folder(const std::string& path, std::vector<FolderEntry>& entries);

// The system's folder for temporary files: TMPDIR or /tmp, or on Windows the user's temporary
// folder (ending in a separator there).
std::string scratch_folder();
// A new file in `folder`, readable and writable by its owner only, that leaves nothing behind: it
// is unnamed, or named only until it is closed. invalid_handle on failure.
Handle create_scratch(const std::string& folder);
// Gives an unnamed temporary file the name `temporary.name` in its folder, noted as a temporary.
bool name_temporary(Handle handle, const Place& temporary);
// Whether a failure to create a temporary file means that the folder takes no new files (so an
// existing file there may still be written in place).
bool folder_takes_no_files(int error);
// Readies a temporary file to take its name: the owner, group, extended attributes and
// permission bits of `old` where one was there (or a new file's bits), in that order. On
// Windows replacing the file keeps them; there is nothing to do.
void ready_to_name(Handle handle, const OutputTarget& old);
// Keeps a temporary file when it is closed: on Windows it is made to go with its last handle
// until then, so that a killed run leaves nothing behind.
void keep_when_closed(Handle handle);
// Whether the file at `place` can be replaced: none there, or one that is no folder; in place,
// one this process may write.
bool replaceable(const Place& place, bool in_place);
// Copies the whole of the file at `from` into the existing file at `to`, in place: the file
// keeps its links, owner and identity. Room for the new size is taken first, so that a full disk
// stops the copy before it changes a byte.
bool copy_into(const Place& from, const Place& to);
// Whether an error says that no file was there.
bool not_found(int error);
// Whether an error says that the reading end of a pipe has closed.
bool closed_pipe(int error);
// Whether an existing file may be opened for writing; nothing about it changes.
bool writable(const std::string& path);
// Gives `from` the name `to` in the same folder, replacing what was there, in one step.
bool rename(const Place& from, const Place& to);
// Another name for the file at `from`, in the same folder; false where the file system has no links.
bool link(const Place& from, const Place& to);
bool remove(const Place& place);

// The identities of the program's own standard input, output and error, other than the null
// device: no output may be one of them.
std::vector<FileIdentity> standard_stream_identities();
// Whether the program has a console window of its own, shared with no other process (as when
// the file manager starts it), and reads its standard input there: a message it gives before it
// ends would close with the window unread.
bool console_of_its_own();

// Opens any of the standard descriptors that is closed on the null device, so that the first
// file the program opens cannot take its place.
void open_missing_standard_streams();
// Whether standard input (0), output (1) or error (2) was closed when the program started: "-"
// then names nothing, though the null device stands in its place.
bool closed_at_start(int stream);

// From now on interrupts (every catchable signal that ends a process by default, SIGPIPE aside,
// which is ignored; Ctrl-C, Ctrl-Break and closing the console on Windows) remove the run's
// temporary files (see io/temporaries.hpp), call `restore_console` and end the program as the
// interrupt would have. A second interrupt ends it at once. `restore_console` must be safe to
// call from a signal handler.
void handle_interrupts(void (*restore_console)());
// Removes a file from inside a signal handler.
bool remove_now(Handle folder, const char* name, const char* path);

// Memory for read buffers, freed with free_buffers. Where whole huge pages fit in it, the
// system is asked to back them so: a copy through 2 MiB pages misses the address cache far
// less often than one through 4 KiB pages. Null when there is no memory.
void* allocate_buffers(std::size_t size);
void free_buffers(void* block);

}  // namespace platform

}  // namespace varnelo

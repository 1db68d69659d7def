#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "io/file.hpp"
#include "io/result.hpp"

namespace varnelo {

// An output file. A regular file, there already or not, is written to a temporary file beside
// it, readable by its owner only, unnamed where the system allows, and takes its name only once
// complete and closed without error, with the old file's owner, group, attributes and
// permission bits; until then the old file is untouched, and an output dropped before that (a
// failure, a refusal, the end of input, an interrupt) leaves no trace. An old file that a rename
// would not keep whole (a second link, an owner this process cannot give) gets the new bytes
// copied into it in place instead, at the end. Devices and pipes are written directly, and so is
// an existing file whose folder takes no new files.
class Output {
 public:
  // Opens the output named `path`; nullopt when it cannot be written (an existing file the user
  // may not write included), with the reason in `why` when given.
  static std::optional<Output> open(const std::string& path, SystemError* why = nullptr);
  // The program's standard output as an output, written directly.
  static Output standard_output();

  ~Output();
  Output(Output&& other) noexcept;
  Output& operator=(Output&& other) noexcept;
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  File& file() { return file_; }
  // The name as given, for messages.
  const std::string& path() const { return path_; }

  // Reserves disk space for the writes to come, only where no name of the output's could keep
  // it hidden after a kill.
  void reserve(std::int64_t size);

  // Closes the file, ready to take its name under a temporary one; false when the system
  // reported an error, which may have lost written data.
  bool close();
  // Closes the file and gives it its name; false when that failed, and nothing then changed.
  bool commit();
  // Why a write, the close or the renaming failed.
  SystemError error() const { return error_ ? error_ : file_.error(); }

 private:
  // How the complete file takes its place.
  enum class Way { direct, rename, copy_in };
  // A folder held open for the outputs written there: one descriptor however many outputs (the
  // pieces of a split) share it, closed with the last of them.
  struct HeldFolder;
  static std::shared_ptr<HeldFolder> hold_folder(const std::string& folder_path);

  Output(File file, std::string path, platform::OutputTarget target, platform::Place place,
         std::shared_ptr<HeldFolder> folder, std::string temporary, Way way);
  platform::Place temporary_place() const;
  void discard() noexcept;
  friend std::size_t commit_together(std::vector<Output>& outputs);
  friend std::size_t commit_together(std::vector<Output>& outputs, const std::vector<std::string>& stale,
                                     FileFault* stale_fault);

  File file_;
  std::string path_;
  platform::OutputTarget target_;  // the file replaced, symbolic links followed
  platform::Place place_;          // its place, in the folder held open
  std::shared_ptr<HeldFolder> folder_;
  std::string temporary_;  // the temporary file's name; empty while it has none
  Way way_ = Way::direct;
  bool pending_ = false;  // a temporary file is there that has not taken its place
  SystemError error_;
};

// The fault of a write, a close or a renaming that failed on the output, under its name as given.
inline FileFault write_fault(const Output& output) {
  return {FileFault::write, output.path(), output.error()};
}

// Gives every output its name once all of them are complete, all or none: the pieces of a split
// appear together, and a piece that cannot take its name puts back the old pieces that the
// ones before it replaced. Interrupts are held off meanwhile. Returns the index of the first
// that could not be closed or placed, or the count when all were.
std::size_t commit_together(std::vector<Output>& outputs);
// The same, and the files at `stale` (members of an earlier set that the new one does not
// replace) go in the same step: moved aside first, put back if the set cannot be placed, removed
// once it is. A stale file that cannot be moved aside stops the commit before any output takes
// its name: 0 comes back and `stale_fault` names it.
std::size_t commit_together(std::vector<Output>& outputs, const std::vector<std::string>& stale,
                            FileFault* stale_fault);

// The identities of the open files given (those whose identity can be told): files an output
// must not be.
std::vector<FileIdentity> identities(std::initializer_list<const File*> files);
// Whether `path` reaches one of those files, by any route (another spelling, a link).
bool names_one_of(const std::string& path, const std::vector<FileIdentity>& files);
// What an output name writes to: the file itself when it is there, else its full name once the
// links among its folders are followed. Two names with equal keys would write one file.
struct OutputKey {
  std::optional<FileIdentity> file;
  std::string name;
  friend bool operator==(const OutputKey&, const OutputKey&) = default;
};
OutputKey output_key(const std::string& path);
// Whether `path` reaches the program's own standard input, output or error (the null device
// aside): writing there would mix the output with the program's own text, or feed its input.
bool names_a_standard_stream(const std::string& path);

}  // namespace varnelo

#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "io/file.hpp"

namespace varnelo {

// An output file being written under its final name. It is complete only once commit() has
// closed it without error.
class Output {
 public:
  // Creates or truncates the file; nullopt when it cannot be written.
  static std::optional<Output> open(const std::string& path);

  File& file() { return file_; }
  const std::string& path() const { return file_.path(); }

  // Closes the file; false when the system reported an error, which may have lost written data.
  bool commit() { return file_.close(); }

 private:
  explicit Output(File file) : file_(std::move(file)) {}

  File file_;
};

// The identities of the open files given (those whose identity can be told): the files an output
// must not be.
std::vector<FileIdentity> identities(std::initializer_list<const File*> files);
// Whether `path` reaches one of those files, by any route (another spelling, a link).
bool names_one_of(const std::string& path, const std::vector<FileIdentity>& files);

}  // namespace varnelo

#include "io/output.hpp"

#include <algorithm>

namespace varnelo {

std::optional<Output> Output::open(const std::string& path) {
  std::optional<File> file = File::open_write(path);
  if (!file) return std::nullopt;
  return Output(std::move(*file));
}

std::vector<FileIdentity> identities(std::initializer_list<const File*> files) {
  std::vector<FileIdentity> found;
  for (const File* file : files)
    if (std::optional<FileIdentity> identity = file->identity()) found.push_back(*identity);
  return found;
}

bool names_one_of(const std::string& path, const std::vector<FileIdentity>& files) {
  std::optional<FileIdentity> target = identity_of(path);
  return target && std::find(files.begin(), files.end(), *target) != files.end();
}

}  // namespace varnelo

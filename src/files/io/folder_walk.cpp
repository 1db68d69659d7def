#include "io/folder_walk.hpp"

#include <algorithm>
#include <vector>

#include "io/platform.hpp"

namespace varnelo {

namespace {

bool walk(const std::string& folder, const std::function<bool(const std::string&, const FileFault&)>& visit) {
  std::vector<platform::FolderEntry> entries;
  if (!platform::list_folder(folder, entries))
    return visit(folder, FileFault{FileFault::open, folder, SystemError::last()});
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  for (const platform::FolderEntry& entry : entries) {
    const std::string path = platform::child_path(folder, entry.name);
    if (entry.kind == platform::FolderEntry::link_to_folder) continue;
    if (!(entry.kind == platform::FolderEntry::folder ? walk(path, visit) : visit(path, {}))) return false;
  }
  return true;
}

}  // namespace

bool walk_folder(const std::string& root,
                 const std::function<bool(const std::string& path, const FileFault& fault)>& visit) {
  return walk(platform::forward_slashes(root), visit);
}

}  // namespace varnelo

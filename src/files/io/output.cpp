#include "io/output.hpp"

#include <algorithm>
#include <map>
#include <mutex>
#include <utility>

#include "io/temporaries.hpp"

namespace varnelo {

struct Output::HeldFolder {
  platform::Handle handle = platform::invalid_handle;
  explicit HeldFolder(platform::Handle handle) : handle(handle) {}
  ~HeldFolder() { platform::close_folder(handle); }
  HeldFolder(const HeldFolder&) = delete;
  HeldFolder& operator=(const HeldFolder&) = delete;
};

std::shared_ptr<Output::HeldFolder> Output::hold_folder(const std::string& folder_path) {
  static std::mutex lock;
  static std::map<std::string, std::weak_ptr<HeldFolder>> held;
  const std::lock_guard<std::mutex> guard(lock);
  std::erase_if(held, [](const auto& entry) { return entry.second.expired(); });
  if (auto found = held.find(folder_path); found != held.end())
    if (std::shared_ptr<HeldFolder> folder = found->second.lock()) return folder;
  auto folder = std::make_shared<HeldFolder>(platform::open_folder(folder_path));
  held[folder_path] = folder;
  return folder;
}

std::optional<Output> Output::open(const std::string& path, SystemError* why) {
  SystemError ignored;
  if (!why) why = &ignored;
  if (path.find('\0') != std::string::npos) {
    *why = {};
    return std::nullopt;
  }
  const platform::OutputTarget target = platform::output_target(path);
  auto direct = [&]() -> std::optional<Output> {
    std::optional<File> file = File::open_write(path, why);
    if (!file) return std::nullopt;
    return Output(std::move(*file), path, target, {}, nullptr, {}, Way::direct);
  };
  if (target.exists && !target.regular) return direct();
  // The rename would replace a file the user may not write; it is refused as a write would be.
  if (target.exists && !platform::writable(target.path)) {
    *why = SystemError::last();
    return std::nullopt;
  }
  platform::Place place = platform::place_of(target.path);
  std::shared_ptr<HeldFolder> folder = hold_folder(place.folder_path);
  place.folder = folder->handle;
  std::string temporary;
  std::optional<File> file = File::create_temporary(place, true, temporary, why);
  if (!file) {
    // Only a folder that takes no new files lets an existing file be written in place; any other
    // failure (no space, no inodes, a quota, too many files open) leaves it as it is.
    if (target.exists && platform::folder_takes_no_files(why->code)) return direct();
    return std::nullopt;
  }
  const Way way = !target.exists || target.renamable ? Way::rename : Way::copy_in;
  return Output(std::move(*file), path, target, std::move(place), std::move(folder), std::move(temporary),
                way);
}

Output Output::standard_output() {
  return Output(File::standard_output(), "-", {"-"}, {}, nullptr, {}, Way::direct);
}

Output::Output(File file, std::string path, platform::OutputTarget target, platform::Place place,
               std::shared_ptr<HeldFolder> folder, std::string temporary, Way way)
    : file_(std::move(file)),
      path_(std::move(path)),
      target_(std::move(target)),
      place_(std::move(place)),
      folder_(std::move(folder)),
      temporary_(std::move(temporary)),
      way_(way),
      pending_(way != Way::direct) {}

// The folder is let go after the temporary file in it is gone.
Output::~Output() {
  discard();
}

Output::Output(Output&& other) noexcept
    : file_(std::move(other.file_)),
      path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      place_(std::exchange(other.place_, {})),
      folder_(std::move(other.folder_)),
      temporary_(std::move(other.temporary_)),
      way_(other.way_),
      pending_(std::exchange(other.pending_, false)),
      error_(other.error_) {}

Output& Output::operator=(Output&& other) noexcept {
  if (this != &other) {
    discard();
    file_ = std::move(other.file_);
    path_ = std::move(other.path_);
    target_ = std::move(other.target_);
    place_ = std::exchange(other.place_, {});
    folder_ = std::move(other.folder_);
    temporary_ = std::move(other.temporary_);
    way_ = other.way_;
    pending_ = std::exchange(other.pending_, false);
    error_ = other.error_;
  }
  return *this;
}

platform::Place Output::temporary_place() const {
  platform::Place temporary = place_;
  temporary.name = temporary_;
  return temporary;
}

void Output::discard() noexcept {
  // An unnamed temporary file goes with its last descriptor.
  file_.close();
  if (!pending_) return;
  pending_ = false;
  if (temporary_.empty()) return;
  platform::InterruptsHeld held;
  file_calls().remove(temporary_place());
  forget_temporary(temporary_place());
}

void Output::reserve(std::int64_t size) {
  // Space reserved for a named file would stay hidden in it, were a kill to leave it behind.
  if (pending_ && temporary_.empty()) file_.reserve(size);
}

bool Output::close() {
  if (!file_.is_open()) return true;
  if (way_ == Way::direct) {
    if (file_.close()) return true;
    error_ = file_.error();
    return false;
  }
  // A file to be renamed takes the old one's owner, attributes and bits first; either kind is
  // kept when closed, under a temporary name.
  if (way_ == Way::rename) platform::ready_to_name(file_.handle(), target_);
  platform::keep_when_closed(file_.handle());
  if (temporary_.empty()) {
    std::string name = temporary_name(place_.name);
    platform::Place temporary = place_;
    temporary.name = name;
    if (!file_calls().name_temporary(file_.handle(), temporary)) {
      error_ = SystemError::last();
      discard();
      return false;
    }
    temporary_ = std::move(name);
  }
  if (file_.close()) return true;
  error_ = file_.error();
  discard();
  return false;
}

bool Output::commit() {
  if (!close()) return false;
  if (!pending_) return true;
  platform::InterruptsHeld held;
  const bool placed = way_ == Way::rename ? file_calls().rename(temporary_place(), place_)
                                          : platform::copy_into(temporary_place(), place_);
  if (!placed) {
    error_ = SystemError::last();
    discard();
    return false;
  }
  // A copy in place leaves the temporary file to be removed; a rename leaves nothing.
  if (way_ == Way::copy_in) file_calls().remove(temporary_place());
  forget_temporary(temporary_place());
  pending_ = false;
  return true;
}

namespace {

// An old piece kept while the set commits, to be put back if a later piece cannot be placed.
struct Kept {
  platform::Place target;
  platform::Place copy;  // its name is empty when no file was there
  bool linked = false;   // a second link to the old file, rather than the old file moved aside
};

// Puts back what the renames before a failure replaced, newest first.
void put_back(std::vector<Kept>& kept) {
  for (auto it = kept.rbegin(); it != kept.rend(); ++it) {
    if (it->copy.name.empty())
      file_calls().remove(it->target);
    else
      file_calls().rename(it->copy, it->target);
  }
  kept.clear();
}

}  // namespace

std::size_t commit_together(std::vector<Output>& outputs) {
  return commit_together(outputs, {}, nullptr);
}

std::size_t commit_together(std::vector<Output>& outputs, const std::vector<std::string>& stale,
                            FileFault* stale_fault) {
  for (std::size_t k = 0; k < outputs.size(); ++k)
    if (!outputs[k].close()) return k;
  // No rename or copy starts before every piece is known to have a place to go.
  for (std::size_t k = 0; k < outputs.size(); ++k) {
    Output& output = outputs[k];
    if (output.pending_ && !platform::replaceable(output.place_, output.way_ == Output::Way::copy_in)) {
      output.error_ = SystemError::last();
      return k;
    }
  }
  platform::InterruptsHeld held;
  std::vector<Kept> kept;
  auto fail = [&](std::size_t k) {
    outputs[k].error_ = SystemError::last();
    put_back(kept);
    return k;
  };
  // Files of the old set move aside first, so that a failure later can put them back.
  for (const std::string& path : stale) {
    Kept old{platform::place_of(path), platform::place_of(path)};
    old.copy.name = temporary_name(old.target.name);
    if (file_calls().rename(old.target, old.copy)) {
      kept.push_back(std::move(old));
    } else if (!platform::not_found(SystemError::last().code)) {
      if (stale_fault) *stale_fault = {FileFault::write, path, SystemError::last()};
      put_back(kept);
      return 0;
    }
  }
  // The renames first, each old piece kept aside until all are done; the copies in place, which
  // cannot be taken back, only then.
  for (std::size_t k = 0; k < outputs.size(); ++k) {
    Output& output = outputs[k];
    if (!output.pending_ || output.way_ != Output::Way::rename) continue;
    Kept old{output.place_, output.place_};
    old.copy.name = temporary_name(output.place_.name);
    old.linked = file_calls().link(output.place_, old.copy);
    // Where the file system has no links, the old piece moves aside instead; where none is
    // there, nothing is kept.
    if (!old.linked && !file_calls().rename(output.place_, old.copy)) {
      if (!platform::not_found(SystemError::last().code)) return fail(k);
      old.copy.name.clear();
    }
    if (!file_calls().rename(output.temporary_place(), output.place_)) {
      const SystemError why = SystemError::last();
      if (!old.copy.name.empty()) {
        if (old.linked)
          file_calls().remove(old.copy);
        else
          file_calls().rename(old.copy, output.place_);
      }
      platform::set_last_error(why.code);
      return fail(k);
    }
    kept.push_back(std::move(old));
  }
  for (std::size_t k = 0; k < outputs.size(); ++k) {
    Output& output = outputs[k];
    if (output.pending_ && output.way_ == Output::Way::copy_in &&
        !platform::copy_into(output.temporary_place(), output.place_))
      return fail(k);
  }
  // Every piece is in place: the old ones kept aside go, and so do the copies' temporary files.
  for (const Kept& old : kept)
    if (!old.copy.name.empty()) file_calls().remove(old.copy);
  for (Output& output : outputs) {
    if (!output.pending_) continue;
    if (output.way_ == Output::Way::copy_in) file_calls().remove(output.temporary_place());
    forget_temporary(output.temporary_place());
    output.pending_ = false;
  }
  return outputs.size();
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

OutputKey output_key(const std::string& path) {
  const platform::OutputTarget target = platform::output_target(path);
  if (std::optional<FileIdentity> file = identity_of(target.path)) return {file, {}};
  return {std::nullopt, platform::full_name(target.path)};
}

bool names_a_standard_stream(const std::string& path) {
  return names_one_of(path, platform::standard_stream_identities());
}

}  // namespace varnelo

#include "io/output.hpp"

#include <algorithm>
#include <utility>

#include "io/temporaries.hpp"

namespace varnelo {

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
    return Output(std::move(*file), path, target.path, false);
  };
  if (target.exists && !target.regular) return direct();
  // The rename would replace a file the user may not write; it is refused as a write would be.
  if (target.exists && !platform::writable(target.path)) {
    *why = SystemError::last();
    return std::nullopt;
  }
  std::optional<File> temporary = File::create_temporary(
      target.path, target.exists ? std::optional<unsigned>(target.mode) : std::nullopt, why);
  // A folder that takes no new files still lets an existing file be written in place.
  if (!temporary) return target.exists ? direct() : std::nullopt;
  return Output(std::move(*temporary), path, target.path, true);
}

Output Output::standard_output() {
  return Output(File::standard_output(), "-", "-", false);
}

Output::Output(File file, std::string path, std::string target, bool temporary)
    : file_(std::move(file)), path_(std::move(path)), target_(std::move(target)) {
  if (!temporary) return;
  temporary_ = file_.path();
  note_temporary(temporary_);
}

Output::~Output() {
  discard();
}

Output::Output(Output&& other) noexcept
    : file_(std::move(other.file_)),
      path_(std::move(other.path_)),
      target_(std::move(other.target_)),
      temporary_(std::exchange(other.temporary_, {})),
      error_(other.error_) {}

Output& Output::operator=(Output&& other) noexcept {
  if (this != &other) {
    discard();
    file_ = std::move(other.file_);
    path_ = std::move(other.path_);
    target_ = std::move(other.target_);
    temporary_ = std::exchange(other.temporary_, {});
    error_ = other.error_;
  }
  return *this;
}

void Output::discard() noexcept {
  file_.close();
  if (temporary_.empty()) return;
  file_calls().remove(temporary_);
  forget_temporary(temporary_);
  temporary_.clear();
}

void Output::reserve(std::int64_t size) {
  if (!temporary_.empty()) file_.reserve(size);
}

bool Output::close() {
  if (file_.close()) return true;
  error_ = file_.error();
  discard();
  return false;
}

bool Output::commit() {
  if (!close()) return false;
  if (temporary_.empty()) return true;
  if (!file_calls().rename(temporary_, target_)) {
    error_ = SystemError::last();
    discard();
    return false;
  }
  forget_temporary(temporary_);
  temporary_.clear();
  return true;
}

std::size_t commit_together(std::vector<Output>& outputs) {
  for (std::size_t k = 0; k < outputs.size(); ++k)
    if (!outputs[k].close()) return k;
  for (std::size_t k = 0; k < outputs.size(); ++k)
    if (!outputs[k].commit()) return k;
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

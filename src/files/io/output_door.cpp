#include "io/output_door.hpp"

#include <algorithm>

namespace varnelo {

namespace {

Refusal refused(Refusal::Kind kind, const std::string& path, const std::string& earlier = {}) {
  return {kind, path, earlier, {}};
}

bool is_standard_output(const OutputRequest& request, const std::string& path) {
  return request.dash_is_standard_output && path == "-";
}

}  // namespace

Refusal OutputDoor::admit(const std::string& path) {
  if (is_standard_output(request_, path)) {
    // Whatever was written would vanish into the null device that stands in for it.
    if (platform::closed_at_start(1)) return refused(Refusal::closed_stream, path);
    // Writing to standard output while reading it as an input would take the output for input.
    const std::optional<FileIdentity> out = File::standard_output().identity();
    if (out && std::find(request_.avoid.begin(), request_.avoid.end(), *out) != request_.avoid.end())
      return refused(Refusal::input, path);
    return {};
  }
  // Writing would destroy an input before it is read, whatever the request says of existing files.
  if (names_one_of(path, request_.avoid)) return refused(Refusal::input, path);
  // Or mix with the program's own text, or feed its input; "-" is the way to standard output.
  if (names_a_standard_stream(path)) return refused(Refusal::standard_stream, path);
  OutputKey key = output_key(path);
  const auto earlier = std::find_if(admitted_.begin(), admitted_.end(),
                                    [&](const auto& admitted) { return admitted.first == key; });
  // The pieces are written in turn, so the later name would replace the earlier file.
  const bool twice = earlier != admitted_.end();
  if (twice && request_.existing != Existing::ask) return refused(Refusal::twice, path, earlier->second);
  // Existence is asked of the file system, so a file that cannot be read is still asked about.
  const auto is_device = [&] {
    const platform::OutputTarget target = platform::output_target(path);
    return target.exists && !target.regular;
  };
  if (twice || (path_exists(path) && !(request_.devices_as_they_are && is_device()))) {
    if (request_.existing == Existing::refuse) return refused(Refusal::exists, path);
    if (request_.existing == Existing::ask && !(request_.confirm && request_.confirm(path)))
      return refused(Refusal::declined, path);
  }
  admitted_.emplace_back(std::move(key), path);
  return {};
}

Refusal OutputDoor::admit_all(const std::vector<std::string>& paths) {
  for (const std::string& path : paths)
    if (Refusal refusal = admit(path)) return refusal;
  return {};
}

Result<Output, Refusal> OutputDoor::open(const std::string& path) {
  const bool admitted = std::any_of(admitted_.begin(), admitted_.end(),
                                    [&](const auto& earlier) { return earlier.second == path; });
  if (!admitted)
    if (Refusal refusal = admit(path)) return refusal;
  if (is_standard_output(request_, path)) return Output::standard_output();
  // Caught before writing: the temporary file would take the data and its rename would fail.
  if (name_too_long(path)) return Refusal{Refusal::too_long, path, {}, SystemError::last()};
  SystemError why;
  std::optional<Output> output = Output::open(path, &why);
  if (!output) return Refusal{Refusal::unwritable, path, {}, why};
  return std::move(*output);
}

}  // namespace varnelo

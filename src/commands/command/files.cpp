#include "command/files.hpp"

#include "command/messages.hpp"
#include "io/input.hpp"

namespace varnelo::command {

std::optional<Input> take_input(const std::string& path) {
  Result<File, FileFault> file = open_input(path, true);
  if (!file) {
    complain(file.why());
    return std::nullopt;
  }
  Result<std::int64_t, FileFault> size = input_size(*file);
  if (!size) {
    complain(size.why());
    return std::nullopt;
  }
  return Input{std::move(*file), *size};
}

std::optional<Input> take_measured_input(const std::string& path, const char* what) {
  std::optional<Input> input = take_input(path);
  if (input && !input->size_known()) {
    complain("%s needs a file whose size can be known before it is read; %s is a stream",
             "%s memerlukan berkas yang ukurannya dapat diketahui sebelum dibaca; %s adalah aliran", what,
             quote(path).c_str());
    return std::nullopt;
  }
  return input;
}

OutputRequest output_request(std::vector<FileIdentity> avoid, const Common& common) {
  return {.avoid = std::move(avoid),
          .existing = common.force ? Existing::replace : Existing::refuse,
          .dash_is_standard_output = true,
          .devices_as_they_are = true};
}

std::optional<Output> take_output(const std::string& path, std::vector<FileIdentity> avoid,
                                  const Common& common) {
  Result<Output, Refusal> output = OutputDoor(output_request(std::move(avoid), common)).open(path);
  if (!output) {
    complain(output.why());
    return std::nullopt;
  }
  return std::move(*output);
}

}  // namespace varnelo::command

#pragma once

// The files a command names: inputs opened and measured ("-" is standard input), and outputs
// through the output door (no file replaced without --force, none that is an input; "-" is
// standard output).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "command/command.hpp"
#include "io/file.hpp"
#include "io/output.hpp"
#include "io/output_door.hpp"

namespace varnelo::command {

// An input named on the command line, open, with the bytes to run over: its size, or, for
// standard input, a size that stands for all there is.
struct Input {
  File file;
  std::int64_t size;
  // False for standard input, whose end is known only when it comes.
  bool size_known() const { return size >= 0; }
};
// nullopt after the message.
std::optional<Input> take_input(const std::string& path);
// An input whose size must be known before it is read (`what` needs it); a stream is refused
// with a message.
std::optional<Input> take_measured_input(const std::string& path, const char* what);

// The commands' request to the door for outputs that must not be the files in `avoid`.
OutputRequest output_request(std::vector<FileIdentity> avoid, const Common& common);
// One output through a door of its own; nullopt after the message.
std::optional<Output> take_output(const std::string& path, std::vector<FileIdentity> avoid,
                                  const Common& common);

}  // namespace varnelo::command

#pragma once

// The files a command names: inputs opened for reading ("-" is standard input), and outputs
// through the output policy (no output replaced without --force, none that is an input).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "io/file.hpp"
#include "io/output.hpp"

namespace varnelo::command {

// An input named on the command line, opened for reading; "-" is standard input. nullopt after
// the message.
std::optional<File> open_input(const std::string& path);
// The bytes of an input to run over: its size, or BlockPump::to_the_end for standard input.
// nullopt after the message.
std::optional<std::int64_t> input_size(File& file);

// Where a command writes: a file through the output door, or standard output for "-".
class Destination {
 public:
  explicit Destination(Output output) : output_(std::move(output)) {}
  explicit Destination(File stream) : stream_(std::move(stream)) {}

  File& file() { return output_ ? output_->file() : stream_; }
  const std::string& path() const { return output_ ? output_->path() : stream_.path(); }
  // Reserves room for the writes to come where the output door allows it; a stream has none.
  void reserve(std::int64_t size) {
    if (output_) output_->reserve(size);
  }
  // Completes the output; false, after the message, when it could not be completed.
  bool commit();

 private:
  std::optional<Output> output_;
  File stream_;
};

// Whether an output may be written at `path`: not one of the files to avoid (inputs, a key),
// by any route, and not an existing file unless `force`. False after the message.
bool admit_output(const std::string& path, const std::vector<FileIdentity>& avoid, bool force);
// The policy above, then the open; nullopt after the message.
std::optional<Destination> open_destination(const std::string& path, const std::vector<FileIdentity>& avoid,
                                            bool force);

}  // namespace varnelo::command

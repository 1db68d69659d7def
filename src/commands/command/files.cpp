#include "command/files.hpp"

#include <algorithm>

#include "command/messages.hpp"
#include "io/block_pump.hpp"

namespace varnelo::command {

std::optional<File> open_input(const std::string& path) {
  if (path == "-") return File::standard_input();
  std::optional<File> file = File::open_read(path);
  if (!file) complain("cannot open %s", "tidak dapat membuka %s", quote(path).c_str());
  return file;
}

std::optional<std::int64_t> input_size(File& file) {
  if (file.path() == "-") return BlockPump::to_the_end;
  std::int64_t size = file.measure_size();
  if (size >= 0) return size;
  report_read_failure(file.path());
  return std::nullopt;
}

bool Destination::commit() {
  if (!output_ || output_->commit()) return true;
  report_write_failure(output_->path());
  return false;
}

bool admit_output(const std::string& path, const std::vector<FileIdentity>& avoid, bool force) {
  if (path == "-") {
    std::optional<FileIdentity> out = File::standard_output().identity();
    if (out && std::find(avoid.begin(), avoid.end(), *out) != avoid.end()) {
      complain("standard output is one of the inputs", "keluaran standar adalah salah satu masukan");
      return false;
    }
    return true;
  }
  // Writing would destroy an input before it is read; --force does not change that.
  if (names_one_of(path, avoid)) {
    complain("%s is an input and cannot be the output", "%s adalah masukan dan tidak dapat menjadi keluaran",
             quote(path).c_str());
    return false;
  }
  // Writing into its own input would feed the program what it writes; "-" is the way to standard output.
  if (names_a_standard_stream(path)) {
    complain("%s is one of the program's own standard streams; - writes to standard output",
             "%s adalah salah satu aliran standar program ini; - menulis ke keluaran standar",
             quote(path).c_str());
    return false;
  }
  if (!force && path_exists(path)) {
    complain("%s exists; --force replaces it", "%s sudah ada; --force menimpanya", quote(path).c_str());
    return false;
  }
  return true;
}

std::optional<Destination> open_destination(const std::string& path, const std::vector<FileIdentity>& avoid,
                                            bool force) {
  if (!admit_output(path, avoid, force)) return std::nullopt;
  if (path == "-") return Destination(File::standard_output());
  std::optional<Output> output = Output::open(path);
  if (!output) {
    complain("cannot write %s", "tidak dapat menulis %s", quote(path).c_str());
    return std::nullopt;
  }
  return Destination(std::move(*output));
}

}  // namespace varnelo::command

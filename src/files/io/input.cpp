#include "io/input.hpp"

#include "io/block_pump.hpp"

namespace varnelo {

Result<File, FileFault> open_input(const std::string& path, bool as_command) {
  if (as_command && path == "-") {
    // The null device stands in for it; read, it would pass for an empty input.
    if (platform::closed_at_start(0)) return FileFault{FileFault::closed_stream, path, {}};
    return File::standard_input();
  }
  SystemError why;
  std::optional<File> file = as_command ? File::open_stream(path, &why) : File::open_read(path, &why);
  if (!file) return FileFault{FileFault::open, path, why};
  return std::move(*file);
}

Result<File, FileFault> spooled(File& stream, const ProgressDisplay& show) {
  SystemError why;
  std::optional<File> copy = File::create_scratch(&why);
  if (!copy) return FileFault{FileFault::write, platform::scratch_folder(), why};
  BlockPump pump({.unit = 4096, .progress = {}, .buffer_size = std::size_t{1} << 20, .buffers = 2});
  pump.show = show;
  pump.take = [&](std::span<std::uint8_t> bytes) {
    return copy->write(bytes.data(), bytes.size()) ? Flow::go_on() : Flow::write_error();
  };
  const PumpOutcome outcome = pump.run(stream, BlockPump::to_the_end);
  if (outcome.fault == PumpFault::read) return FileFault::read_of(stream);
  if (outcome.fault == PumpFault::write) return FileFault::write_of(*copy);
  if (!copy->seek(0)) return FileFault::read_of(*copy);
  return std::move(*copy);
}

Result<std::int64_t, FileFault> input_size(File& file) {
  if (file.is_standard_stream()) return BlockPump::to_the_end;
  // Measured first: a file is what comes by thousands, and asked whether it can be measured
  // only when it could not.
  const std::int64_t size = file.measure_size();
  if (size >= 0) return size;
  if (!file.measurable()) return BlockPump::to_the_end;
  return FileFault::read_of(file);
}

}  // namespace varnelo

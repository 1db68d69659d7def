#include "io/input.hpp"

#include "io/block_pump.hpp"

namespace varnelo {

Result<File, FileFault> open_input(const std::string& path, bool as_command) {
  if (as_command && path == "-") return File::standard_input();
  SystemError why;
  std::optional<File> file = as_command ? File::open_stream(path, &why) : File::open_read(path, &why);
  if (!file) return FileFault{FileFault::open, path, why};
  return std::move(*file);
}

Result<std::int64_t, FileFault> input_size(File& file) {
  if (!file.measurable()) return BlockPump::to_the_end;
  const std::int64_t size = file.measure_size();
  if (size < 0) return FileFault::read_of(file);
  return size;
}

}  // namespace varnelo

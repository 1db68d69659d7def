#include "io/input.hpp"

#include "io/block_pump.hpp"

namespace varnelo {

Result<File, FileFault> open_input(const std::string& path, bool dash_is_standard_input) {
  if (dash_is_standard_input && path == "-") return File::standard_input();
  SystemError why;
  std::optional<File> file = File::open_read(path, &why);
  if (!file) return FileFault{FileFault::open, path, why};
  return std::move(*file);
}

Result<std::int64_t, FileFault> input_size(File& file) {
  if (file.is_standard_stream()) return BlockPump::to_the_end;
  const std::int64_t size = file.measure_size();
  if (size < 0) return FileFault::read_of(file);
  return size;
}

}  // namespace varnelo

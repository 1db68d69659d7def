#include "io/output.hpp"

namespace varnelo {

std::optional<Output> Output::open(const std::string& path) {
  std::optional<File> file = File::open_write(path);
  if (!file) return std::nullopt;
  return Output(std::move(*file));
}

}  // namespace varnelo

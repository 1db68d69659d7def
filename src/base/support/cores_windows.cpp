#include "cores.hpp"

namespace varnelo {

// Windows spreads new threads over idle cores by itself.
CoreSet CoreSet::of_caller() {
  return CoreSet{};
}

void CoreSet::start_apart(std::thread&, unsigned) const {}

void CoreSet::run_anywhere() const {}

}  // namespace varnelo

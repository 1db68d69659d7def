#pragma once

#include <string>

namespace varnelo::fuzzing {

// A private folder for the whole run of a fuzzer, removed when it ends.
const std::string& scratch_folder();
// A file in it, created empty the first time it is named.
std::string scratch_path(const std::string& name);

}  // namespace varnelo::fuzzing

#include "fuzz/scratch.hpp"

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace varnelo::fuzzing {

const std::string& scratch_folder() {
  static const std::string root = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "varnelo-fuzz-XXXXXX").string();
    std::string made(mkdtemp(pattern.data()));
    // The folder goes when the fuzzer ends its run, so runs do not pile folders up. Its name is
    // kept where no destructor can reach it before the exit handler runs.
    static char folder[4096];
    std::snprintf(folder, sizeof folder, "%s", made.c_str());
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    });
    return made;
  }();
  return root;
}

std::string scratch_path(const std::string& name) {
  std::string path = scratch_folder() + "/" + name;
  if (!std::filesystem::exists(path)) std::ofstream(path, std::ios::binary);
  return path;
}

}  // namespace varnelo::fuzzing

#pragma once

#include <string>

namespace varnelo::fuzzing {

// For one run: moves into a private folder holding a few small files (laid out anew each time)
// and lets files be opened only inside it, so fuzzed dialogues cannot touch anything else. One
// of them, "f", fails: reads come short after three bytes and writes fail after three.
// The previous working folder comes back when the scope ends.
class Sandbox {
 public:
  Sandbox();
  ~Sandbox();
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

 private:
  std::string previous_;
};

// Files left open by the program (must be none after a dialogue).
int open_files();

}  // namespace varnelo::fuzzing

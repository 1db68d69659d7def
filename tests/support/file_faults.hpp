#pragma once

// The file seam the tests and the dialogue fuzzer install around the platform's calls: planned
// faults, a guard on the paths that may be opened, and a count of the files open.

#include <cstdint>
#include <string>

namespace varnelo {

// Files opened for `path` from now on (and the temporary files written in its place) deliver at
// most `readable` bytes before reads come short, and accept at most `writable` bytes before
// writes fail (-1: no limit); with `failing_close` their close fails, with `failing_rename` no
// file can take the name `path`. A default-constructed plan removes the fault.
struct FaultPlan {
  std::string path;
  std::int64_t readable = -1;
  std::int64_t writable = -1;
  bool failing_close = false;
  bool failing_rename = false;
};
void set_fault_plan(const FaultPlan& plan);

// While set, files are opened only at paths it accepts (an open elsewhere fails as if the file
// did not exist or the folder were read-only).
using PathGuard = bool (*)(const std::string& path);
void set_path_guard(PathGuard guard);

// How many files opened through the seam are open now (screens must close theirs).
int open_file_count();

}  // namespace varnelo

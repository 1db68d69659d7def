#include "fuzz/sandbox.hpp"

#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/scratch.hpp"
#include "support/file_faults.hpp"

namespace varnelo::fuzzing {

namespace {

// Plain names in the current folder only: no folders, no way out.
bool inside_sandbox(const std::string& path) {
  return !path.empty() && path.size() < 64 && path.find('/') == std::string::npos && path != "." &&
         path != "..";
}

void write(const std::string& name, const std::string& bytes) {
  std::ofstream out(name, std::ios::binary | std::ios::trunc);
  out << bytes;
}

}  // namespace

Sandbox::Sandbox() : previous_(std::filesystem::current_path().string()) {
  const std::filesystem::path root = scratch_folder();
  std::filesystem::current_path(root);
  for (const auto& entry : std::filesystem::directory_iterator(root))
    std::filesystem::remove_all(entry.path());
  write("a", "abcabcab");
  write("b", "abc");
  write("e", "");
  write("t", "01100001 0110\n4a4B YWJj=");
  write("a.001", "ab");
  write("a.002", "cd");
  write("k", "k3y");
  // Found by the decoder only through its ".txt" fallback.
  write("d.txt", "YWJj\nZGVm\n=");
  // Delivers three bytes and then comes short; takes three bytes and then refuses more.
  write("f", "abcdefghijklmnop");
  set_fault_plan({"f", 3, 3});
  set_path_guard(inside_sandbox);
}

Sandbox::~Sandbox() {
  set_path_guard(nullptr);
  set_fault_plan({});
  std::filesystem::current_path(previous_);
}

int open_files() {
  return open_file_count();
}

}  // namespace varnelo::fuzzing

#pragma once

// What a file call or a job gives back: a value, or why there is none.

#include <optional>
#include <string>
#include <utility>

#include "io/file.hpp"

namespace varnelo {

// A file that could not be opened, read or written, and what the system said of it.
struct FileFault {
  // closed_stream: "-", and standard input was closed when the program started.
  enum Kind { none, open, read, write, closed_stream };
  Kind kind = none;
  std::string path;
  SystemError reason;

  explicit operator bool() const { return kind != none; }
  // The fault of a read or a write that failed on `file`, with its reason.
  static FileFault read_of(const File& file) { return {read, file.path(), file.error()}; }
  static FileFault write_of(const File& file) { return {write, file.path(), file.error()}; }
};

// A value, or why there is none.
template <typename T, typename Why>
class Result {
 public:
  Result(T value) : value_(std::move(value)) {}
  Result(Why why) : why_(std::move(why)) {}

  explicit operator bool() const { return value_.has_value(); }
  T& operator*() { return *value_; }
  T* operator->() { return &*value_; }
  const Why& why() const { return why_; }

 private:
  std::optional<T> value_;
  Why why_{};
};

}  // namespace varnelo

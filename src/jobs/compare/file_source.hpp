#pragma once

#include "compare/search.hpp"
#include "io/file.hpp"

namespace varnelo {

// Reads an open file at any offset, seeking only when the file is not there already.
class FileSource : public ByteSource {
 public:
  explicit FileSource(File& file) : file_(file) {}
  bool read_at(std::int64_t offset, unsigned char* buffer, std::size_t count) override {
    if (file_.position() != offset && !file_.seek(offset)) return false;
    return file_.read_exact(buffer, count);
  }

 private:
  File& file_;
};

}  // namespace varnelo

#pragma once

// A file keyed into another through the block pump, shared by the cipher screens and the
// encrypt and decrypt commands. Reports nothing: the fault comes back to be reported.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "crypt/cipher.hpp"
#include "io/file.hpp"

namespace varnelo {

// A key file read through the file layer.
class FileKey : public KeySource {
 public:
  explicit FileKey(File& file) : file_(file) {}
  bool rewind() override { return file_.seek(0); }
  std::size_t read(std::uint8_t* buffer, std::size_t count) override { return file_.read(buffer, count); }

 private:
  File& file_;
};

enum class TransformFault { none, read, key, write };

// Keys `size` bytes of the input (BlockPump::to_the_end: all there is) into the output;
// `apply_key` keys the next bytes in place and returns false when the key could not be read.
TransformFault transform(File& input, std::int64_t size, File& output,
                         const std::function<bool(std::uint8_t*, std::size_t)>& apply_key,
                         const std::function<void(std::uint16_t, std::int64_t)>& show);

}  // namespace varnelo

#pragma once

// Checksum64, the program's own 64-bit checksum of a byte stream. Its definition is per byte:
// a window W takes each byte in at its low end; before byte N (counted from 1) goes in, B
// receives N + W when N is a multiple of 7, and A receives N + W (and W is cleared) when N is
// a multiple of 8. The result is A + W + B + N. This engine gives the same value for every
// length while working on 56-byte stretches (the rhythm of 7 and 8 repeats every 56 bytes).

#include <cstddef>
#include <cstdint>

namespace varnelo {

class Checksum64 {
 public:
  void update(const void* data, std::size_t size);
  std::uint64_t value() const { return a_ + w_ + b_ + n_; }
  std::uint64_t bytes() const { return n_; }

 private:
  void update_byte(std::uint8_t c);

  std::uint64_t a_ = 0x112210f47de98115;
  std::uint64_t b_ = 0x0acb38c49ea31c71;
  std::uint64_t w_ = 0x045c1e2ff69ea0fb;
  std::uint64_t n_ = 0;
  // n_ modulo 56, carried so that no byte needs a division.
  unsigned phase_ = 0;
};

}  // namespace varnelo

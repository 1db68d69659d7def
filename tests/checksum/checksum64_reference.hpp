#pragma once

// Checksum64 as defined, one byte at a time, exactly as written: the tests' oracle for the
// engine, which works on 56-byte stretches instead.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace varnelo::testing {

struct Checksum64Reference {
  std::uint64_t a = 0x112210F47DE98115, b = 0x0ACB38C49EA31C71, w = 0x045C1E2FF69EA0FB, n = 0;

  void update(const unsigned char* data, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
      n = n + 1;
      if (n % 7 == 0) b = b + (n + w);
      if (n % 8 == 0) {
        a = a + (n + w);
        w = 0;
      }
      w = (w * 256) + data[i];
    }
  }
  std::uint64_t value() const { return a + w + b + n; }
};

inline std::uint64_t checksum64_reference(std::string_view data) {
  Checksum64Reference reference;
  reference.update(reinterpret_cast<const unsigned char*>(data.data()), data.size());
  return reference.value();
}

}  // namespace varnelo::testing

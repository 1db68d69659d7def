#include "checksum/checksum64.hpp"

#include "checksum/bits.hpp"

namespace varnelo {

void Checksum64::update_byte(std::uint8_t c) {
  ++n_;
  if (++phase_ == 56) phase_ = 0;
  unsigned position = phase_ == 0 ? 56 : phase_;
  if (position % 7 == 0) b_ += n_ + w_;
  if (position % 8 == 0) {
    a_ += n_ + w_;
    w_ = 0;
  }
  w_ = (w_ << 8) | c;
}

void Checksum64::update(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  // Byte by byte up to a 56-byte boundary; the first 56 bytes always go this way, because the
  // window's starting value still reaches into them.
  while (size > 0 && (phase_ != 0 || n_ == 0)) {
    update_byte(*p++);
    --size;
  }
  // At a boundary past the first 56 bytes the window holds just the last byte taken. Within
  // the next 56 bytes the window at every 8th byte is one 8-byte group read big-endian (the
  // first group starting with that last byte), and at every 7th byte it is the front part of
  // the group being filled.
  std::uint64_t a = a_, b = b_, n = n_, last = w_;
  while (size >= 56) {
    std::uint64_t g0 = (last << 56) | (bits::load_be64(p) >> 8);
    std::uint64_t g1 = bits::load_be64(p + 7), g2 = bits::load_be64(p + 15), g3 = bits::load_be64(p + 23);
    std::uint64_t g4 = bits::load_be64(p + 31), g5 = bits::load_be64(p + 39), g6 = bits::load_be64(p + 47);
    // Positions n+8 .. n+56 for A, n+7 .. n+56 for B.
    a += 7 * n + 224 + g0 + g1 + g2 + g3 + g4 + g5 + g6;
    b += 8 * n + 252 + (g0 >> 8) + (g1 >> 16) + (g2 >> 24) + (g3 >> 32) + (g4 >> 40) + (g5 >> 48) +
         (g6 >> 56) + g6;
    last = p[55];
    n += 56;
    p += 56;
    size -= 56;
  }
  a_ = a;
  b_ = b;
  n_ = n;
  w_ = last;
  while (size > 0) {
    update_byte(*p++);
    --size;
  }
}

}  // namespace varnelo

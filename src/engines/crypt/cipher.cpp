#include "crypt/cipher.hpp"

#include <algorithm>

namespace varnelo {

namespace {

// Every run of data below this length is keyed from one contiguous stretch of the pattern.
constexpr std::size_t min_pattern_run = 16384;

}  // namespace

void apply_key_bytes(unsigned operation, std::uint8_t* __restrict data, const std::uint8_t* __restrict key,
                     std::size_t count) {
  // One plain loop per operation, so each is vectorised on its own.
  switch (operation) {
    case cipher_xor:
      for (std::size_t i = 0; i < count; ++i)
        data[i] = static_cast<std::uint8_t>(data[i] ^ key[i]);
      break;
    case cipher_add:
      for (std::size_t i = 0; i < count; ++i)
        data[i] = static_cast<std::uint8_t>(data[i] + key[i]);
      break;
    case cipher_subtract:
      for (std::size_t i = 0; i < count; ++i)
        data[i] = static_cast<std::uint8_t>(data[i] - key[i]);
      break;
    default:
      break;
  }
}

RepeatingKey::RepeatingKey(std::span<const std::uint8_t> key) : length_(key.size()) {
  // At least min_pattern_run bytes beyond any phase, so a run never has to wrap early.
  std::size_t copies = (min_pattern_run + length_ - 1) / length_ + 1;
  pattern_.reserve(copies * length_);
  for (std::size_t i = 0; i < copies; ++i)
    pattern_.insert(pattern_.end(), key.begin(), key.end());
}

void RepeatingKey::apply(unsigned operation, std::uint8_t* data, std::size_t count) {
  while (count > 0) {
    std::size_t run = std::min(count, pattern_.size() - phase_);
    apply_key_bytes(operation, data, pattern_.data() + phase_, run);
    data += run;
    count -= run;
    phase_ = (phase_ + run) % length_;
  }
}

KeyFileStream::KeyFileStream(KeySource& source, std::int64_t key_size, std::size_t block_size,
                             std::size_t hold_limit)
    : source_(source),
      key_size_(key_size),
      block_size_(std::max<std::size_t>(block_size, 1)),
      hold_(key_size > 0 && static_cast<std::uint64_t>(key_size) <= hold_limit),
      key_offset_(key_size) {}

bool KeyFileStream::load_held_key() {
  std::vector<std::uint8_t> key(static_cast<std::size_t>(key_size_));
  if (!source_.rewind() || source_.read(key.data(), key.size()) != key.size()) return false;
  held_.emplace(key);
  return true;
}

bool KeyFileStream::apply(unsigned operation, std::uint8_t* data, std::size_t count) {
  if (count == 0) return !failed_;
  if (failed_ || key_size_ <= 0) return false;
  if (hold_) {
    // Read only once data needs keying: an empty input reads no key byte at all.
    if (!held_ && !load_held_key()) {
      failed_ = true;
      return false;
    }
    held_->apply(operation, data, count);
    return true;
  }
  if (block_.empty()) block_.resize(static_cast<std::size_t>(std::min<std::int64_t>(key_size_, block_size_)));
  while (count > 0) {
    if (key_offset_ == key_size_) {
      if (!source_.rewind()) {
        failed_ = true;
        return false;
      }
      key_offset_ = 0;
    }
    auto key_left = static_cast<std::size_t>(std::min<std::int64_t>(key_size_ - key_offset_, block_.size()));
    std::size_t run = std::min(count, key_left);
    if (source_.read(block_.data(), run) != run) {
      failed_ = true;
      return false;
    }
    apply_key_bytes(operation, data, block_.data(), run);
    data += run;
    count -= run;
    key_offset_ += static_cast<std::int64_t>(run);
  }
  return true;
}

}  // namespace varnelo

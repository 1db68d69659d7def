#pragma once

// Wide loops of the text codec for processors with SSSE3 or AVX2. Each converts as much of its input
// as it can in whole vectors and returns how much that was; the caller finishes the rest.

#include <cstddef>
#include <cstdint>

namespace varnelo::wide {

// " dddddddd" for each byte, 16 bytes at a time. Returns the bytes converted.
std::size_t binary_entries_ssse3(const std::uint8_t* data, std::size_t count, char* out);
// The same, 32 bytes at a time.
std::size_t binary_entries_avx2(const std::uint8_t* data, std::size_t count, char* out);
// " hh" for each byte, 16 bytes at a time. Returns the bytes converted.
std::size_t hex_entries_ssse3(const std::uint8_t* data, std::size_t count, char* out);
// Four base-64 characters for each of `groups` 3-byte groups, four groups at a time. Reads
// stay within the first `readable_groups` groups (at least `groups`). Returns the groups
// converted.
std::size_t mime_groups_ssse3(const std::uint8_t* data, std::size_t groups, std::size_t readable_groups,
                              char* out);

// Bytes from binary digits, 16 digits at a time, from the start of `text` up to the first
// 16 characters that are not all digits. Returns the characters used (8 for each byte).
std::size_t binary_digits_ssse3(const unsigned char* text, std::size_t count, std::uint8_t* out);

}  // namespace varnelo::wide

#pragma once

// How a file is cut into pieces and how the pieces are named: the three-digit suffix counter,
// the equal-size rule and the typed sizes with their units. No console knowledge here.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnelo::splitjoin {

inline constexpr std::uint16_t max_pieces = 999;
// A piece name is the input path, a point and three digits in a buffer of 1000 characters.
inline constexpr std::size_t max_named_input_path = 995;
inline constexpr std::string_view first_suffix = ".001";

// The name of the first piece cut from `input_path`.
std::string first_piece_name(std::string_view input_path);

// Counts the last three characters of the name up by one, carrying into the digit on the
// left. False when the counter passed 999 (it then reads 000).
bool advance_suffix(std::string& name);

// A path names the first piece when it ends in ".001"; otherwise it names the joined file.
bool names_first_piece(std::string_view path);
// The first piece of a set named either way, and the whole file it joins back into.
std::string first_piece_of(std::string_view path);
std::string whole_file_of(std::string_view first_piece);

// The names of `count` pieces cut from `input_path`: .001, .002, and so on.
std::vector<std::string> piece_names(std::string_view input_path, std::size_t count);

// The size planned for every piece of an equal split: the input size divided by n, rounded up.
std::int64_t equal_piece_size(std::int64_t input_size, std::uint16_t count);

// The sizes of the pieces an equal split writes: pieces of the planned size until the input is
// used up, so fewer than n pieces when the rounding runs out early. Empty when n is 0 or
// larger than the input.
std::vector<std::int64_t> equal_split(std::int64_t input_size, std::uint16_t count);

// Units of a typed size: the answer minus one.
enum class SizeUnit : std::uint16_t { bytes = 0, kilobytes = 1, megabytes = 2 };

std::int64_t unit_factor(SizeUnit unit);

// The largest unit not above `unit` that the remaining bytes fill at least once.
SizeUnit fitting_unit(SizeUnit unit, std::int64_t remaining);

// The typed answer in bytes; nullopt when it does not fit a signed 64-bit number.
std::optional<std::int64_t> size_in_bytes(std::int64_t answer, SizeUnit unit);

// Gives a typed size to one piece: it must be at least one byte and leave at least one byte
// for the pieces after it. On success the size is taken from `remaining`.
bool take_size(std::int64_t& remaining, std::optional<std::int64_t> size);

}  // namespace varnelo::splitjoin

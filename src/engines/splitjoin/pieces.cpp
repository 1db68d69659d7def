#include "splitjoin/pieces.hpp"

#include <limits>

namespace varnelo::splitjoin {

std::string first_piece_name(std::string_view input_path) {
  std::string name(input_path);
  name += first_suffix;
  return name;
}

bool advance_suffix(std::string& name) {
  std::size_t digits = name.size() < 3 ? name.size() : 3;
  for (std::size_t at = name.size(); at > name.size() - digits; --at) {
    char& digit = name[at - 1];
    if (digit != '9') {
      ++digit;
      return true;
    }
    digit = '0';
  }
  return false;
}

bool names_first_piece(std::string_view path) {
  return path.size() >= first_suffix.size() && path.substr(path.size() - first_suffix.size()) == first_suffix;
}

std::string first_piece_of(std::string_view path) {
  return names_first_piece(path) ? std::string(path) : first_piece_name(path);
}

std::string whole_file_of(std::string_view first_piece) {
  return std::string(first_piece.substr(0, first_piece.size() - first_suffix.size()));
}

std::vector<std::string> piece_names(std::string_view input_path, std::size_t count) {
  std::vector<std::string> names;
  for (std::string name = first_piece_name(input_path); names.size() < count; advance_suffix(name))
    names.push_back(name);
  return names;
}

std::int64_t equal_piece_size(std::int64_t input_size, std::uint16_t count) {
  return input_size / count + (input_size % count != 0 ? 1 : 0);
}

std::vector<std::int64_t> equal_split(std::int64_t input_size, std::uint16_t count) {
  std::vector<std::int64_t> pieces;
  if (count == 0 || input_size / count == 0) return pieces;
  std::int64_t planned = equal_piece_size(input_size, count);
  for (std::int64_t left = input_size; left > 0 && pieces.size() < count; left -= pieces.back())
    pieces.push_back(left < planned ? left : planned);
  return pieces;
}

std::int64_t unit_factor(SizeUnit unit) {
  switch (unit) {
    case SizeUnit::kilobytes:
      return 1024;
    case SizeUnit::megabytes:
      return 1048576;
    default:
      return 1;
  }
}

SizeUnit fitting_unit(SizeUnit unit, std::int64_t remaining) {
  if (unit == SizeUnit::megabytes && remaining / 1048576 == 0) unit = SizeUnit::kilobytes;
  if (unit == SizeUnit::kilobytes && remaining / 1024 == 0) unit = SizeUnit::bytes;
  return unit;
}

std::optional<std::int64_t> size_in_bytes(std::int64_t answer, SizeUnit unit) {
  std::int64_t factor = unit_factor(unit);
  if (answer > std::numeric_limits<std::int64_t>::max() / factor ||
      answer < std::numeric_limits<std::int64_t>::min() / factor)
    return std::nullopt;
  return answer * factor;
}

bool take_size(std::int64_t& remaining, std::optional<std::int64_t> size) {
  if (!size || *size <= 0 || remaining - *size <= 0) return false;
  remaining -= *size;
  return true;
}

}  // namespace varnelo::splitjoin

#pragma once

// Questions the split and join screens share.

#include <cstdint>

#include "shell/display.hpp"
#include "shell/file_dialogue.hpp"
#include "shell/input.hpp"
#include "splitjoin/pieces.hpp"

namespace varnelo {

// The answers to the mode questions of both screens.
inline constexpr Both mode_list = {"\n1) Automatic Mode\n2) Manual Mode\nChoice : ",
                                   "\n1) Mode Otomatis\n2) Mode Manual\nPilihanmu : "};

// The number of pieces typed for a split by list or a manual join: at most 999, at least one.
// Prints the refusal and returns false when `count` cannot be used; `none_*` names what is
// missing when the count is zero.
inline bool piece_count_usable(std::uint16_t count, const char* none_english, const char* none_indonesian) {
  if (count > splitjoin::max_pieces) {
    x(12);
    sayf("Total file limit is 999! but you input %hu.\n",
         "Jumlah berkas maksimum yang dapat diproses adalah 999! sedangkan anda menginput %hu.\n", count);
    x(7);
    return false;
  }
  if (count == 0) {
    error_text(none_english, none_indonesian);
    return false;
  }
  return true;
}

}  // namespace varnelo

#pragma once

// The jobs of split and join, shared by the screens and the commands: one file into pieces,
// and pieces, found from the first or listed, back into one file. They report nothing; what
// went wrong comes back for the face to word.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "io/file.hpp"
#include "io/output.hpp"
#include "io/output_door.hpp"
#include "io/result.hpp"
#include "support/progress_schedule.hpp"

namespace varnelo::splitjoin {

struct SplitOutcome {
  FileFault fault;          // a read of the input, or a write, close or renaming of a piece
  Refusal refusal;          // a piece the door turned away
  std::size_t pieces = 0;   // the pieces written, once all took their names
  bool past_names = false;  // a stream went on past the last piece; nothing was written
};

// Copies `size` bytes of the input into pieces of the given sizes, under the given names, each
// through the door just before its first byte (its question then comes in the middle of the
// copy; names admitted beforehand are only opened). Every piece is written under a temporary
// name and all take their names together at the end, so a split that fails or is refused
// halfway leaves the old pieces as they were. The display counts 4096-byte blocks of each
// piece and stays below 100 %. With `size` BlockPump::to_the_end (a stream), only the pieces
// that the data reaches are written, one at least; data past the last piece writes nothing.
SplitOutcome split_file(File& input, std::int64_t size, const std::vector<std::int64_t>& sizes,
                        const std::vector<std::string>& names, OutputDoor& door, const ProgressDisplay& show);

// The piece numbered past `last` when one is there, left from an earlier split: an automatic
// join would take it in with the pieces before it.
std::optional<std::string> piece_left_past(std::string last);

struct JoinOutcome {
  FileFault fault;         // a piece that cannot be opened or read, or a write of the output
  Refusal refusal;         // the output the door turned away
  bool too_large = false;  // the pieces add up past the largest size a file can have
};

// An automatic join: the first piece must open; the output `whole` goes through the door of
// `request`, which never lets it be one of the pieces; the pieces are counted from `first` up to
// the first number that is missing (.999 at the latest), and `counted` gives the display for
// their copy; then they are copied in turn and the output takes its name.
JoinOutcome join_found_pieces(
    const std::string& first, const std::string& whole, OutputRequest request,
    const std::function<ProgressDisplay(std::uint16_t count, std::int64_t total)>& counted);

// Pieces listed by hand, already measured to `total` bytes, copied in turn into the output,
// which then takes its name. A piece is copied whole as it is when its turn comes; one removed
// since it was measured is a fault, never skipped.
JoinOutcome join_listed_pieces(const std::vector<std::string>& names, std::int64_t total, Output& output,
                               const ProgressDisplay& show);

// Adds a piece's size to a total; false when the total would pass the largest size a file can have.
bool add_size(std::int64_t& total, std::int64_t size);

}  // namespace varnelo::splitjoin

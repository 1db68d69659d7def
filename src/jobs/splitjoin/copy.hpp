#pragma once

// The copies of split and join, shared by the screens and the commands: one file into pieces,
// pieces into one file, and the pieces an automatic join finds. They report nothing; what went
// wrong comes back for the caller to report in its own words.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "io/file.hpp"
#include "io/output.hpp"

namespace varnelo::splitjoin {

struct CopyFault {
  // `refused`: a piece could not be opened and its opener has said so already.
  enum Kind { none, read, write, refused };
  Kind kind = none;
  // The file a read or write fault belongs to; empty for a write to the output of a join, which
  // the caller names as it knows it.
  std::string path;
};

using Display = std::function<void(std::uint16_t percent, std::int64_t bytes)>;

// Copies `size` bytes of the input into pieces of the given sizes; `open_piece(k)` gives piece
// k's output just before its first byte. Every piece is written under a temporary name and all
// take their names together at the end, so a split that fails or is refused halfway leaves the
// old pieces as they were; a close or rename that fails counts as a failed write. The display
// counts 4096-byte blocks of each piece and stays below 100 %.
CopyFault write_pieces(File& input, std::int64_t size, const std::vector<std::int64_t>& sizes,
                       const std::function<std::optional<Output>(std::size_t piece)>& open_piece,
                       const Display& show);

// Appends `count` pieces to the output, each copied whole as it is when its turn comes;
// `open_piece(k)` opens piece k. The display counts up to `total` and stays below 100 %, also
// when pieces that grew after they were counted copy past it.
// `reserve(end)` is told where the output will end once a large piece is copied.
CopyFault append_pieces(File& output, std::size_t count, std::int64_t total,
                        const std::function<std::optional<File>(std::size_t piece)>& open_piece,
                        const Display& show, const std::function<void(std::int64_t)>& reserve);

// Adds a piece's size to a total; false when the total would pass the largest size a file can have.
bool add_size(std::int64_t& total, std::int64_t size);

// The pieces from `first` on, as an automatic join counts them: up to the first number that is
// not there, and .999 at the latest. A piece that is there but cannot be read is no end: the
// join would be silently short, so it is a fault.
struct PieceSet {
  enum Fault { none, unopened, unmeasured, too_large };
  std::uint16_t count = 0;
  std::int64_t total = 0;
  Fault fault = none;
  // The piece the fault belongs to.
  std::string path;
};
PieceSet count_pieces(std::string first);

// The identities of those pieces: the output of their join must be none of them, or writing it
// would destroy a piece before it is read.
std::vector<FileIdentity> piece_identities(std::string first);

}  // namespace varnelo::splitjoin

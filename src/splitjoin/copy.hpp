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
  // The file a read or write fault belongs to.
  std::string path;
};

using Display = std::function<void(std::uint16_t percent, std::int64_t bytes)>;

// Copies `size` bytes of the input into pieces of the given sizes; `open_piece(k)` gives piece
// k's output just before its first byte. Each piece is committed once it is whole, and a commit
// that fails counts as a failed write. The display counts 4096-byte blocks of each piece and stays
// below 100 %.
CopyFault write_pieces(File& input, std::int64_t size, const std::vector<std::int64_t>& sizes,
                       const std::function<std::optional<Output>(std::size_t piece)>& open_piece,
                       const Display& show);

// Appends `count` pieces to the output, each copied whole as it is when its turn comes;
// `open_piece(k)` opens piece k. The display counts up to `total` and stays below 100 %, also
// when pieces that grew after they were counted copy past it.
CopyFault append_pieces(File& output, std::size_t count, std::int64_t total,
                        const std::function<std::optional<File>(std::size_t piece)>& open_piece,
                        const Display& show);

// The pieces from `first` on, as an automatic join counts them: up to the first number that
// cannot be opened, and .999 at the latest.
struct PieceSet {
  std::uint16_t count = 0;
  std::int64_t total = 0;
  // A piece whose size could not be measured; the count stops before it.
  std::optional<std::string> unmeasured;
};
PieceSet count_pieces(std::string first);

// The identities of those pieces: the output of their join must be none of them, or writing it
// would destroy a piece before it is read.
std::vector<FileIdentity> piece_identities(std::string first);

}  // namespace varnelo::splitjoin

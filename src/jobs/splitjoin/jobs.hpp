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

#include "checksum/digest_set.hpp"
#include "checksum/sum_lines.hpp"
#include "io/file.hpp"
#include "io/output.hpp"
#include "io/output_door.hpp"
#include "io/result.hpp"
#include "support/progress_schedule.hpp"

namespace varnelo::splitjoin {

struct SplitOutcome {
  FileFault fault;                   // a read of the input, or a write, close or renaming of a piece
  Refusal refusal;                   // a piece the door turned away
  std::size_t pieces = 0;            // the pieces written, once all took their names
  bool past_names = false;           // a stream went on past the last piece; nothing was written
  std::vector<std::string> removed;  // files of an earlier set removed with the commit
};

// What a split does to its set beside writing the pieces.
struct SetExtras {
  // Files of an earlier set (pieces past the last, a list of their sums) that go in the commit.
  std::vector<std::string> stale;
  // The list of sums to write with the pieces, one of the set; none when empty. It holds a line
  // per piece and one for the whole file, `whole` by bare name, in the form sha256sum reads.
  std::string list;
  std::string whole;
  Algorithm algorithm = Algorithm::sha256;
};

// Copies `size` bytes of the input into pieces of the given sizes, under the given names, each
// through the door just before its first byte (its question then comes in the middle of the
// copy; names admitted beforehand are only opened). Every piece is written under a temporary
// name and all take their names together at the end, so a split that fails or is refused
// halfway leaves the old pieces as they were. The display counts 4096-byte blocks of each
// piece and stays below 100 %. With `size` BlockPump::to_the_end (a stream), only the pieces
// that the data reaches are written, one at least; data past the last piece writes nothing.
SplitOutcome split_file(File& input, std::int64_t size, const std::vector<std::int64_t>& sizes,
                        const std::vector<std::string>& names, OutputDoor& door, const ProgressDisplay& show,
                        const SetExtras& extras = {});

// The name of a file without its folder, as a list beside it names it.
std::string bare_name(const std::string& path);

// The pieces numbered past `last` up to .999 that are there, left from an earlier split.
std::vector<std::string> pieces_left_past(std::string last);

// The lists beside the pieces from `first` on (the whole file's name and the extension of one of
// the algorithms) that name the first piece: lists of that set, rather than a vendor's list of
// the whole file alone.
std::vector<std::string> piece_lists(const std::string& first);

// The piece numbered past `last` when one is there, left from an earlier split: an automatic
// join would take it in with the pieces before it.
std::optional<std::string> piece_left_past(std::string last);

// A number missing from a set, and the first piece that is there past it.
struct Gap {
  std::string missing;
  std::string past;
  explicit operator bool() const { return !missing.empty(); }
};

struct JoinOutcome {
  FileFault fault;         // a piece that cannot be opened or read, or a write of the output
  Refusal refusal;         // the output the door turned away
  bool too_large = false;  // the pieces add up past the largest size a file can have
  Gap gap;                 // pieces past a missing number: refused, or left out and named
  std::string unlisted;    // a piece the list of sums does not name
  std::string missing;     // a piece the list names that is not there
  std::string bad;         // the first piece whose sum is not the listed one
};

// A list of sums for a set: its lines, and why it could not be read.
struct SumsList {
  std::string path;
  std::vector<SumLine> lines;
  FileFault fault;
};
SumsList read_sums_list(const std::string& path);

// How an automatic join treats a set with a gap: refused before anything is written, or joined
// up to the gap, which is then named.
enum class Gaps { refuse, join_up_to };

// An automatic join: the first piece must open; the output `whole` goes through the door of
// `request`, which never lets it be one of the pieces; the pieces are counted from `first` up to
// the first number that is missing (.999 at the latest), and `counted` gives the display for
// their copy; then they are copied in turn and the output takes its name. Pieces past the first
// missing number are a gap, which `gaps` says what to do with. With a list of sums (`sums`, or
// else one of piece_lists), every piece must be named in it and every piece it names must be
// there; each piece is then checked as it is copied, and the output is kept only when all match.
JoinOutcome join_found_pieces(
    const std::string& first, const std::string& whole, OutputRequest request,
    const std::function<ProgressDisplay(std::uint16_t count, std::int64_t total)>& counted,
    Gaps gaps = Gaps::join_up_to, const std::string& sums = {});

// Pieces listed by hand, already measured to `total` bytes, copied in turn into the output,
// which then takes its name. A piece is copied whole as it is when its turn comes; one removed
// since it was measured is a fault, never skipped.
// With `sums`, the listed sum of each piece in turn: the pieces are hashed on every core as they
// are copied, and a mismatch or a failed read keeps the output from taking its name.
JoinOutcome join_listed_pieces(const std::vector<std::string>& names, std::int64_t total, Output& output,
                               const ProgressDisplay& show, const std::vector<SumLine>* sums = nullptr);

// Adds a piece's size to a total; false when the total would pass the largest size a file can have.
bool add_size(std::int64_t& total, std::int64_t size);

}  // namespace varnelo::splitjoin

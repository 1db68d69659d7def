#include "splitjoin/jobs.hpp"

#include <algorithm>
#include <limits>
#include <thread>

#include "checksum/jobs.hpp"
#include "checksum/sum_lines.hpp"
#include "io/block_pump.hpp"
#include "io/platform.hpp"
#include "splitjoin/pieces.hpp"
#include "support/ordered_work.hpp"

namespace varnelo::splitjoin {

namespace {

// Space reserved ahead makes a long run of writes cheaper for the file system; only a hint.
constexpr std::int64_t worth_reserving = std::int64_t{1} << 20;

// The bytes move in 1 MiB reads, two of them ahead of the writes.
BlockPump copy_pump(std::int64_t total, std::vector<std::int64_t> segments = {}) {
  return BlockPump({.unit = 4096,
                    .progress = {.divisor = static_cast<std::uint64_t>(total), .ceiling = 99},
                    .buffer_size = std::size_t{1} << 20,
                    .buffers = 3,
                    .segments = std::move(segments)});
}

// The pieces from `first` on, as an automatic join counts them: up to the first number that is
// not there, and .999 at the latest. A piece that is there but cannot be opened or measured is
// no end: the join would be silently short, so it is a fault.
struct PieceSet {
  std::vector<std::string> names;
  std::int64_t total = 0;
  FileFault fault;
  bool too_large = false;
  std::string missing;  // the number the count stopped at, when it stopped at one
};

PieceSet count_pieces(std::string name) {
  PieceSet set;
  while (set.names.size() < max_pieces) {
    SystemError why;
    std::optional<File> counted = File::open_read(name, &why);
    if (!counted) {
      if (path_exists(name))
        set.fault = {FileFault::open, name, why};
      else
        set.missing = name;
      break;
    }
    const std::int64_t size = counted->measure_size();
    if (size < 0) {
      set.fault = FileFault::read_of(*counted);
      break;
    }
    if (!add_size(set.total, size)) {
      set.too_large = true;
      break;
    }
    set.names.push_back(name);
    if (!advance_suffix(name)) break;
  }
  return set;
}

// The identities of the pieces from `first` on: the output of their join must be none of them,
// or writing it would destroy a piece before it is read.
std::vector<FileIdentity> piece_identities(std::string name) {
  std::vector<FileIdentity> found;
  for (std::uint16_t count = 0; count < max_pieces; ++count) {
    std::optional<File> piece = File::open_read(name);
    if (!piece) break;
    if (std::optional<FileIdentity> identity = piece->identity()) found.push_back(*identity);
    if (!advance_suffix(name)) break;
  }
  return found;
}

}  // namespace

SplitOutcome split_file(File& input, std::int64_t size, const std::vector<std::int64_t>& sizes,
                        const std::vector<std::string>& names, OutputDoor& door, const ProgressDisplay& show,
                        const SetExtras& extras) {
  BlockPump pump = copy_pump(size, sizes);
  std::vector<Output> pieces;
  SplitOutcome outcome;
  const bool listed = !extras.list.empty();
  std::optional<DigestSet> piece_sum, whole_sum;
  if (listed) {
    piece_sum.emplace(std::vector<Algorithm>{extras.algorithm}, 1);
    whole_sum.emplace(std::vector<Algorithm>{extras.algorithm}, 1);
  }
  std::string list;
  auto end_piece = [&] {
    if (listed) list += sum_line(piece_sum->finish()[0], bare_name(names[pieces.size() - 1]));
  };
  pump.begin_segment = [&](std::size_t k) {
    if (!pieces.empty()) end_piece();
    if (!pieces.empty() && !pieces.back().close()) return Flow::write_error();
    Result<Output, Refusal> piece = door.open(names[k]);
    if (!piece) {
      outcome.refusal = piece.why();
      return Flow::failed();
    }
    if (sizes[k] >= worth_reserving) piece->reserve(sizes[k]);
    pieces.push_back(std::move(*piece));
    return Flow::go_on();
  };
  pump.take = [&](std::span<std::uint8_t> bytes) {
    if (listed) {
      piece_sum->update(bytes.data(), bytes.size());
      whole_sum->update(bytes.data(), bytes.size());
    }
    return pieces.back().file().write(bytes.data(), bytes.size()) ? Flow::go_on() : Flow::write_error();
  };
  pump.show = show;
  const PumpOutcome copied = pump.run(input, size);
  if (copied.fault == PumpFault::read) outcome.fault = FileFault::read_of(input);
  if (copied.fault == PumpFault::write) outcome.fault = write_fault(pieces.back());
  outcome.past_names = copied.overran;
  if (!copied.complete() || copied.overran) return outcome;
  const std::size_t written = pieces.size();
  if (listed) {
    end_piece();
    list += sum_line(whole_sum->finish()[0], bare_name(extras.whole));
    Result<Output, Refusal> list_output = door.open(extras.list);
    if (!list_output) {
      outcome.refusal = list_output.why();
      return outcome;
    }
    if (!list_output->file().write(reinterpret_cast<const std::uint8_t*>(list.data()), list.size())) {
      outcome.fault = write_fault(*list_output);
      return outcome;
    }
    pieces.push_back(std::move(*list_output));
  }
  FileFault stale_fault;
  const std::size_t named = commit_together(pieces, extras.stale, &stale_fault);
  if (stale_fault)
    outcome.fault = stale_fault;
  else if (named != pieces.size())
    outcome.fault = write_fault(pieces[named]);
  else
    outcome.pieces = written;
  if (!outcome.fault)
    for (const std::string& path : extras.stale)
      if (!path_exists(path)) outcome.removed.push_back(path);
  return outcome;
}

std::optional<std::string> piece_left_past(std::string last) {
  if (advance_suffix(last) && path_exists(last)) return last;
  return std::nullopt;
}

std::string bare_name(const std::string& path) {
  return platform::place_of(path).name;
}

std::vector<std::string> pieces_left_past(std::string last) {
  std::vector<std::string> found;
  while (advance_suffix(last))
    if (path_exists(last)) found.push_back(last);
  return found;
}

SumsList read_sums_list(const std::string& path) {
  SumsList list{path, {}, {}};
  SystemError why;
  std::optional<File> file = File::open_read(path, &why);
  if (!file) {
    list.fault = {FileFault::open, path, why};
    return list;
  }
  Allowed every;
  every.fill(true);
  Separation separation = Separation::unknown;
  LineReader reader(*file);
  std::string line;
  for (LineReader::Got got; (got = reader.next(line)) != LineReader::Got::end;) {
    if (got == LineReader::Got::too_long) break;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (std::optional<SumLine> sum = parse_line(line, every, separation))
      list.lines.push_back(std::move(*sum));
  }
  if (file->failed()) list.fault = FileFault::read_of(*file);
  return list;
}

std::vector<std::string> piece_lists(const std::string& first) {
  std::vector<std::string> found;
  const std::string piece = bare_name(first);
  for (const AlgorithmName& known : algorithm_names) {
    const std::string path = whole_file_of(first) + "." + known.extension;
    if (!path_exists(path)) continue;
    const SumsList list = read_sums_list(path);
    if (std::any_of(list.lines.begin(), list.lines.end(),
                    [&](const SumLine& line) { return line.name == piece; }))
      found.push_back(path);
  }
  return found;
}

JoinOutcome join_listed_pieces(const std::vector<std::string>& names, std::int64_t total, Output& output,
                               const ProgressDisplay& show, const std::vector<SumLine>* sums) {
  BlockPump pump = copy_pump(total);
  pump.show = show;
  pump.take = [&](std::span<std::uint8_t> bytes) {
    return output.file().write(bytes.data(), bytes.size()) ? Flow::go_on() : Flow::write_error();
  };
  std::optional<File> piece;
  JoinOutcome outcome;
  // Each piece is hashed on a core of its own, read a second time while the copy reads it (the
  // system's cache serves both), so the copy hides behind the hashing.
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  FileFault hash_fault;
  OrderedWork<std::size_t, Digests> check(
      sums ? cores : 0, 2 * cores,
      [&](const std::size_t& k) {
        SystemError why;
        std::optional<File> file = File::open_read(names[k], &why);
        if (!file) return Digests{.fault = {FileFault::open, names[k], why}, .digests = {}, .shown_bytes = 0};
        return hash_file(*file, file->measure_size(), (*sums)[k].algorithms, {}, 1);
      },
      [&](const std::size_t& k, Digests& found) {
        if (found.fault) {
          hash_fault = found.fault;
          return false;
        }
        if (std::none_of(found.digests.begin(), found.digests.end(),
                         [&](const std::string& digest) { return same_digest((*sums)[k].digest, digest); }))
          outcome.bad = names[k];
        return outcome.bad.empty();
      });
  const PumpOutcome copied = pump.run(names.size(), [&](std::size_t k) -> std::optional<PumpSource> {
    if (sums && !check.add(k)) return std::nullopt;
    SystemError why;
    piece = File::open_read(names[k], &why);
    // A piece removed since it was counted is not skipped: the output would be silently short.
    if (!piece) {
      outcome.fault = {FileFault::open, names[k], why};
      return std::nullopt;
    }
    const std::int64_t size = piece->measure_size();
    if (size < 0) {
      outcome.fault = FileFault::read_of(*piece);
      return std::nullopt;
    }
    if (size >= worth_reserving) output.reserve(output.file().position() + size);
    return PumpSource{&*piece, size};
  });
  if (copied.fault == PumpFault::read) outcome.fault = FileFault::read_of(*piece);
  if (copied.fault == PumpFault::write) outcome.fault = write_fault(output);
  if (sums) check.drain();
  if (!outcome.fault) outcome.fault = hash_fault;
  if (!outcome.bad.empty() || outcome.fault) return outcome;
  // A failed close can lose written data, so it counts as a failed write.
  if (copied.complete() && !output.commit()) outcome.fault = write_fault(output);
  return outcome;
}

JoinOutcome join_found_pieces(const std::string& first, const std::string& whole, OutputRequest request,
                              const std::function<ProgressDisplay(std::uint16_t, std::int64_t)>& counted,
                              Gaps gaps, const std::string& sums) {
  JoinOutcome outcome;
  SystemError why;
  if (!File::open_read(first, &why)) {
    outcome.fault = {FileFault::open, first, why};
    return outcome;
  }
  const std::vector<FileIdentity> pieces = piece_identities(first);
  request.avoid.insert(request.avoid.end(), pieces.begin(), pieces.end());
  Result<Output, Refusal> output = OutputDoor(std::move(request)).open(whole);
  if (!output) {
    outcome.refusal = output.why();
    return outcome;
  }
  const PieceSet set = count_pieces(first);
  if (set.fault || set.too_large) {
    outcome.fault = set.fault;
    outcome.too_large = set.too_large;
    return outcome;
  }
  Gap gap;
  if (!set.missing.empty())
    if (std::vector<std::string> past = pieces_left_past(set.missing); !past.empty())
      gap = {set.missing, past.front()};
  if (gap && gaps == Gaps::refuse) {
    outcome.gap = gap;
    return outcome;
  }
  std::string list_path = sums;
  if (list_path.empty())
    if (std::vector<std::string> lists = piece_lists(first); !lists.empty()) list_path = lists.front();
  std::optional<std::vector<SumLine>> expected;
  if (!list_path.empty()) {
    SumsList list = read_sums_list(list_path);
    if (list.fault) {
      outcome.fault = list.fault;
      return outcome;
    }
    expected.emplace();
    for (const std::string& piece : set.names) {
      const std::string name = bare_name(piece);
      auto listed = std::find_if(list.lines.begin(), list.lines.end(),
                                 [&](const SumLine& line) { return bare_name(line.name) == name; });
      if (listed == list.lines.end()) {
        outcome.unlisted = piece;
        return outcome;
      }
      expected->push_back(*listed);
    }
    // A piece the list names past the ones found is missing: the join would be short.
    std::string past = set.names.back();
    while (advance_suffix(past)) {
      const std::string name = bare_name(past);
      if (std::any_of(list.lines.begin(), list.lines.end(),
                      [&](const SumLine& line) { return bare_name(line.name) == name; })) {
        outcome.missing = past;
        return outcome;
      }
    }
  }
  outcome = join_listed_pieces(set.names, set.total, *output,
                               counted(static_cast<std::uint16_t>(set.names.size()), set.total),
                               expected ? &*expected : nullptr);
  outcome.gap = gap;
  return outcome;
}

bool add_size(std::int64_t& total, std::int64_t size) {
  if (size > std::numeric_limits<std::int64_t>::max() - total) return false;
  total += size;
  return true;
}

}  // namespace varnelo::splitjoin

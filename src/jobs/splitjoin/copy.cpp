#include "splitjoin/copy.hpp"

#include <limits>

#include "io/block_pump.hpp"
#include "splitjoin/pieces.hpp"

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

}  // namespace

CopyFault write_pieces(File& input, std::int64_t size, const std::vector<std::int64_t>& sizes,
                       const std::function<std::optional<Output>(std::size_t)>& open_piece,
                       const Display& show) {
  BlockPump pump = copy_pump(size, sizes);
  std::vector<Output> pieces;
  CopyFault fault;
  pump.begin_segment = [&](std::size_t k) {
    if (!pieces.empty() && !pieces.back().close()) return Flow::write_error();
    std::optional<Output> piece = open_piece(k);
    if (!piece) {
      fault = {CopyFault::refused, {}};
      return Flow::failed();
    }
    if (sizes[k] >= worth_reserving) piece->reserve(sizes[k]);
    pieces.push_back(std::move(*piece));
    return Flow::go_on();
  };
  pump.take = [&](std::span<std::uint8_t> bytes) {
    return pieces.back().file().write(bytes.data(), bytes.size()) ? Flow::go_on() : Flow::write_error();
  };
  pump.show = show;
  const PumpOutcome outcome = pump.run(input, size);
  if (outcome.fault == PumpFault::read) return {CopyFault::read, input.path()};
  if (outcome.fault == PumpFault::write) return {CopyFault::write, pieces.back().path()};
  if (!outcome.complete()) return fault;
  const std::size_t named = commit_together(pieces);
  if (named != pieces.size()) return {CopyFault::write, pieces[named].path()};
  return {};
}

CopyFault append_pieces(File& output, std::size_t count, std::int64_t total,
                        const std::function<std::optional<File>(std::size_t)>& open_piece,
                        const Display& show, const std::function<void(std::int64_t)>& reserve) {
  BlockPump pump = copy_pump(total);
  pump.show = show;
  pump.take = [&](std::span<std::uint8_t> bytes) {
    return output.write(bytes.data(), bytes.size()) ? Flow::go_on() : Flow::write_error();
  };
  std::optional<File> piece;
  CopyFault fault;
  const PumpOutcome outcome = pump.run(count, [&](std::size_t k) -> std::optional<PumpSource> {
    piece = open_piece(k);
    if (!piece) {
      fault = {CopyFault::refused, {}};
      return std::nullopt;
    }
    const std::int64_t size = piece->measure_size();
    if (size < 0) {
      fault = {CopyFault::read, piece->path()};
      return std::nullopt;
    }
    if (size >= worth_reserving) reserve(output.position() + size);
    return PumpSource{&*piece, size};
  });
  if (outcome.fault == PumpFault::read) return {CopyFault::read, piece->path()};
  if (outcome.fault == PumpFault::write) return {CopyFault::write, {}};
  return fault;
}

bool add_size(std::int64_t& total, std::int64_t size) {
  if (size > std::numeric_limits<std::int64_t>::max() - total) return false;
  total += size;
  return true;
}

PieceSet count_pieces(std::string first) {
  PieceSet set;
  for (std::string& name = first; set.count < max_pieces;) {
    std::optional<File> counted = File::open_read(name);
    if (!counted) {
      if (path_exists(name)) set = {set.count, set.total, PieceSet::unopened, name};
      break;
    }
    const std::int64_t size = counted->measure_size();
    if (size < 0 || !add_size(set.total, size)) {
      set.fault = size < 0 ? PieceSet::unmeasured : PieceSet::too_large;
      set.path = name;
      break;
    }
    ++set.count;
    if (!advance_suffix(name)) break;
  }
  return set;
}

std::vector<FileIdentity> piece_identities(std::string first) {
  std::vector<FileIdentity> found;
  for (std::uint16_t count = 0; count < max_pieces; ++count) {
    std::optional<File> piece = File::open_read(first);
    if (!piece) break;
    if (std::optional<FileIdentity> identity = piece->identity()) found.push_back(*identity);
    if (!advance_suffix(first)) break;
  }
  return found;
}

}  // namespace varnelo::splitjoin

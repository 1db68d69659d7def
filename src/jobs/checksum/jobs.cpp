#include "checksum/jobs.hpp"

#include <algorithm>
#include <memory>

#include "checksum/block_hash.hpp"
#include "io/block_pump.hpp"

namespace varnelo {

namespace {

// How the bytes of a run are read and counted.
struct Reading {
  BlockPump::Setup setup;
  std::int64_t shown_bytes = 0;
};

Reading reading_for(std::int64_t size, const std::vector<Algorithm>& algorithms, bool shown) {
  const bool measured = size != BlockPump::to_the_end;
  const auto bytes = static_cast<std::uint64_t>(measured ? size : 0);
  if (algorithms.size() == 1 && algorithms[0] == Algorithm::checksum64) {
    // The sum outruns the system's copy, so the file is read in turn in buffers that stay in the
    // caches nearest the core; a second thread would only move every byte between caches.
    return {{.unit = 1,
             .progress = {.divisor = shown ? bytes : 0, .first_call_forced = false},
             .buffer_size = std::size_t{1} << 16},
            size};
  }
  // A second thread reads ahead: the system's copy out of the file is several times faster
  // than the block hashes, and overlapping the two hides it.
  BlockPump::Setup setup{.unit = 4096,
                         .progress = {.divisor = shown ? bytes : 0},
                         .buffer_size = std::size_t{1} << 20,
                         .buffers = 2};
  if (algorithms.size() != 1 || !measured) return {setup, size};
  // The padded message of one block hash: the data, 0x80, zeros and the length field, in whole
  // blocks; the percentage counts it against the data and one block more.
  const std::uint64_t block = BlockHash::block_size_of(static_cast<HashKind>(algorithms[0]));
  const std::uint64_t padded = (bytes + 1 + block / 8 + block - 1) / block * block;
  setup.unit = block;
  setup.progress.divisor = shown ? bytes + block : 0;
  setup.units_end = padded;
  return {setup, static_cast<std::int64_t>(padded)};
}

}  // namespace

Digests hash_file(File& file, std::int64_t size, const std::vector<Algorithm>& algorithms,
                  const ProgressDisplay& show, unsigned threads) {
  Reading reading = reading_for(size, algorithms, static_cast<bool>(show));
  // A file given a single thread, beside others on the other cores, reads in its own turn too.
  if (threads == 1) reading.setup.buffers = 1;
  DigestSet digests(algorithms, threads);
  BlockPump pump(std::move(reading.setup));
  pump.show = show;
  pump.take = [&](std::span<std::uint8_t> bytes) {
    digests.update(bytes.data(), bytes.size());
    return Flow::go_on();
  };
  const PumpOutcome outcome = pump.run(file, size);
  Digests result{{}, digests.finish(), reading.shown_bytes};
  if (!outcome.complete()) result.fault = FileFault::read_of(file);
  return result;
}

namespace {

// One of two files read in turn: what is left of it, and how its reading ended.
struct Turn {
  File& file;
  std::int64_t left;
  bool short_read = false;

  // Reads the next piece of the file into `buffer`; empty once it is all read or came short.
  std::size_t next(std::uint8_t* buffer, std::size_t capacity) {
    if (left <= 0 || short_read) return 0;
    const auto want =
        static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(capacity)));
    const std::size_t got = file.read(buffer, want);
    left -= static_cast<std::int64_t>(got);
    short_read = got < want;
    return got;
  }

  Digests digests(DigestSet& set, std::int64_t shown) {
    Digests result{{}, set.finish(), shown};
    if (short_read) result.fault = FileFault::read_of(file);
    return result;
  }
};

}  // namespace

std::pair<Digests, Digests> hash_two_files(File& a, std::int64_t size_a, File& b, std::int64_t size_b,
                                           const std::vector<Algorithm>& algorithms) {
  // Pieces small enough that both stay in the core's own cache between the read and the hash.
  constexpr std::size_t piece = std::size_t{128} << 10;
  const std::unique_ptr<std::uint8_t[]> buffer = std::make_unique_for_overwrite<std::uint8_t[]>(2 * piece);
  DigestSet set_a(algorithms, 1), set_b(algorithms, 1);
  Turn turn_a{a, size_a}, turn_b{b, size_b};
  for (;;) {
    const std::size_t got_a = turn_a.next(buffer.get(), piece);
    const std::size_t got_b = turn_b.next(buffer.get() + piece, piece);
    if (got_a == 0 && got_b == 0) break;
    DigestSet::update_two(set_a, buffer.get(), got_a, set_b, buffer.get() + piece, got_b);
  }
  return {turn_a.digests(set_a, reading_for(size_a, algorithms, false).shown_bytes),
          turn_b.digests(set_b, reading_for(size_b, algorithms, false).shown_bytes)};
}

}  // namespace varnelo

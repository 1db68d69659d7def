#include "encoding/jobs.hpp"

#include "io/block_pump.hpp"

#include <algorithm>
#include <cstring>
#include <vector>

namespace varnelo {

namespace {

// Progress is counted in blocks of 4096 input bytes (1365 three-byte groups when encoding
// base 64), which are also the pieces converted at a time. A second thread reads 128 blocks at
// a time, up to three reads ahead (whole blocks, so base 64 never parts a group between reads);
// the text is written in 256 KiB pieces, which stay in the cache while the system copies them.
constexpr std::size_t block_size = 4096;
constexpr std::size_t mime_block_size = 1365 * 3;
constexpr std::size_t read_blocks = 128;
constexpr int read_buffers = 4;
constexpr std::size_t flush_size = 256 * 1024;

// Gathers converted text or data and writes it in pieces of `flush_size` bytes: small enough
// to stay in the processor's cache while the system copies them, and a whole number of
// pages so that every write starts on a page boundary of the file.
class OutputBuffer {
 public:
  OutputBuffer(File& file, std::size_t block_room) : file_(file), buffer_(flush_size + block_room) {}

  char* tail() { return buffer_.data() + used_; }
  void grow(std::size_t count) { used_ += count; }
  // Writes one piece when there is one; false when the write failed.
  bool write_when_full() {
    if (used_ < flush_size) return true;
    std::size_t whole = used_ / flush_size * flush_size;
    if (!file_.write(buffer_.data(), whole)) return false;
    used_ -= whole;
    std::memmove(buffer_.data(), buffer_.data() + whole, used_);
    return true;
  }
  // Writes everything gathered.
  bool write() {
    bool written = file_.write(buffer_.data(), used_);
    used_ = 0;
    return written;
  }

 private:
  File& file_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

// What the run met, in the order it is told: a failed write first (what was gathered is then
// not written either), then a read that failed after everything before it was written, then a
// close or renaming that failed.
FileFault ended(const PumpOutcome& outcome, OutputBuffer& out, File& input, Output& output) {
  if (outcome.fault == PumpFault::write || !out.write()) return write_fault(output);
  if (outcome.fault == PumpFault::read) return FileFault::read_of(input);
  // A failed close can lose written data, so it counts as a failed write.
  if (!output.commit()) return write_fault(output);
  return {};
}

}  // namespace

Conversion encode_file(File& input, std::int64_t size, Output& output, Notation notation,
                       std::uint16_t bytes_per_line, const ProgressDisplay& show) {
  TextEncoder encoder(notation, bytes_per_line);
  const bool measured = size != BlockPump::to_the_end;
  // The text's length is known in advance; reserving it spares the system work on every write.
  if (measured)
    output.reserve(static_cast<std::int64_t>(encoder.text_size(static_cast<std::uint64_t>(size))));

  const bool mime = notation == Notation::mime;
  const std::uint64_t bytes = measured ? static_cast<std::uint64_t>(size) : 0;
  const std::uint64_t groups = bytes / 3;
  const std::size_t block = mime ? mime_block_size : block_size;
  BlockPump::Setup setup{.unit = block,
                         .progress = {.divisor = mime ? groups : bytes, .granule = mime ? 3u : 1u},
                         .buffer_size = read_blocks * block,
                         .buffers = read_buffers};
  if (measured) setup.units_end = mime ? groups * 3 : bytes;
  BlockPump pump(std::move(setup));
  OutputBuffer out(output.file(), encoder.max_text(block + 3));
  pump.show = show;
  pump.take = [&](std::span<std::uint8_t> data) {
    for (std::size_t at = 0; at < data.size(); at += block) {
      out.grow(encoder.encode(data.data() + at, std::min(block, data.size() - at), out.tail()));
      if (!out.write_when_full()) return Flow::write_error();
    }
    return Flow::go_on();
  };
  const PumpOutcome outcome = pump.run(input, size);
  if (outcome.complete()) out.grow(encoder.finish(out.tail()));
  return {ended(outcome, out, input, output), size, {}};
}

Conversion decode_file(File& input, std::int64_t size, Output& output, Notation notation,
                       const ProgressDisplay& show, Reading reading) {
  TextDecoder decoder(notation, reading);
  const bool measured = size != BlockPump::to_the_end;
  BlockPump pump({.unit = block_size,
                  .progress = {.divisor = measured ? static_cast<std::uint64_t>(size) : 0},
                  .buffer_size = read_blocks * block_size,
                  .buffers = read_buffers});
  OutputBuffer out(output.file(), TextDecoder::max_data(block_size));
  std::uint64_t offset = 0;
  pump.show = show;
  pump.take = [&](std::span<std::uint8_t> text) {
    for (std::size_t at = 0; at < text.size();) {
      // Block by block, so the text after the block that ends it is never read.
      const std::size_t length = std::min(text.size() - at, block_size - (offset + at) % block_size);
      out.grow(decoder.decode(reinterpret_cast<const char*>(text.data() + at), length,
                              reinterpret_cast<std::uint8_t*>(out.tail())));
      if (!out.write_when_full()) return Flow::write_error();
      if (decoder.ended()) return Flow::stop_after(at);
      at += length;
    }
    offset += text.size();
    return Flow::go_on();
  };
  const PumpOutcome outcome = pump.run(input, size);
  if (outcome.complete()) out.grow(decoder.finish(reinterpret_cast<std::uint8_t*>(out.tail())));
  // Refused text leaves no output: the temporary file is dropped, an old file keeps its bytes.
  if (outcome.fault != PumpFault::write && decoder.fault()) return {{}, outcome.consumed, decoder.fault()};
  // The display counts the text up to the end of the block that held the "=".
  const auto block = static_cast<std::int64_t>(block_size);
  const std::int64_t shown =
      outcome.stopped ? std::min<std::int64_t>(size, (outcome.consumed / block + 1) * block) : size;
  return {ended(outcome, out, input, output), shown, {}};
}

}  // namespace varnelo

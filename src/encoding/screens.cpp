#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "encoding/text_codec.hpp"
#include "io/block_pump.hpp"
#include "shell/banner.hpp"
#include "shell/progress.hpp"
#include "shell/screens.hpp"

namespace varnelo {

namespace {

// Progress is counted in blocks of 4096 input bytes (1365 three-byte groups when encoding
// base 64), which are also the pieces converted at a time; the bytes are read 32 blocks at a
// time and written in 256 KiB pieces, sizes at which the system's copies run fastest and the
// buffers stay in the cache.
constexpr std::size_t block_size = 4096;
constexpr std::size_t mime_block_size = 1365 * 3;
constexpr std::size_t read_size = 32 * block_size;
constexpr std::size_t flush_size = 256 * 1024;

// The room a path buffer leaves for a ".txt" suffix.
constexpr std::size_t longest_path_before_suffix = path_capacity - 1 - 4;

const Both notation_list = {
    "\n1) Binary(base2) Mode\n2) Hexadecimal(base16) Mode\n3) MIME(base64) Mode\nChoice : ",
    "\n1) Mode Biner (basis2)\n2) Mode Heksadesimal (basis16)\n3) Mode MIME (basis64)\nPilihanmu : "};

bool ends_with_txt(const std::string& path) {
  return path.size() >= 4 && path.compare(path.size() - 4, 4, ".txt") == 0;
}

// Asks for the output path (typed in colour 2), adds ".txt" when asked to, and takes it through
// the output door.
std::optional<Output> ask_output(const File& input, bool add_txt) {
  x(7);
  say("Input path and filename for output file : ",
      "Masukkan alamat dan nama berkas untuk berkas keluaran : ");
  x(2);
  std::optional<std::string> path = read_path();
  x(7);
  if (!path) return std::nullopt;
  if (add_txt && !ends_with_txt(*path)) {
    if (path->size() > longest_path_before_suffix) {
      report_path_too_long();
      return std::nullopt;
    }
    *path += ".txt";
  }
  return output_door(*path, identities({&input}));
}

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

// Reports how a conversion ended: the fault, or the closed output with the completion display
// showing `bytes_done` and the elapsed time. What was converted before a read failure is kept.
void finish_run(const PumpOutcome& outcome, const File& input, Output& output, OutputBuffer& out,
                double start_time, const std::string& label, std::int64_t bytes_done) {
  if (outcome.fault == PumpFault::write) return report_write_error(output.path());
  if (!out.write()) return report_write_error(output.path());
  if (outcome.fault == PumpFault::read) return report_read_error(input.path());
  // A failed close can lose written data, so it counts as a failed write.
  if (!output.commit()) return report_write_error(output.path());
  progress_bar(start_time, 100, bytes_done, label);
  running_time(start_time);
}

const char* encode_label(Notation notation) {
  switch (notation) {
    case Notation::binary:
      return pick("Encoding data to text in binary mode, please wait...\n",
                  "Menyandikan data menjadi text dalam mode biner, silahkan tunggu...\n");
    case Notation::hexadecimal:
      return pick("Encoding data to text in hexadecimal mode, please wait...\n",
                  "Menyandikan data menjadi text dalam mode heksadesimal, silahkan tunggu...\n");
    case Notation::mime:
      break;
  }
  return pick("Encoding data to text in MIME (base 64) mode, please wait...\n",
              "Menyandikan data menjadi text dalam mode MIME (basis 64), silahkan tunggu...\n");
}

const char* decode_label(Notation notation) {
  switch (notation) {
    case Notation::binary:
      return pick("Decoding text to data in binary mode, please wait...\n",
                  "Mengubah teks sandi menjadi data dalam mode biner, silahkan tunggu...\n");
    case Notation::hexadecimal:
      return pick("Decoding text to data in hexadecimal mode, please wait...\n",
                  "Mengubah teks sandi menjadi data dalam mode heksadesimal, silahkan tunggu...\n");
    case Notation::mime:
      break;
  }
  return pick("Decoding text to data in MIME (base 64) mode, please wait...\n",
              "Mengubah teks sandi menjadi data dalam mode MIME (basis 64), silahkan tunggu...\n");
}

std::string label_text(const char* label) {
  return label ? label : "";
}

// The encoding run with its progress display. Binary and hexadecimal count progress in
// bytes; base 64 counts whole groups, and its last one or two bytes follow the last block.
void encode_file(File& input, Output& output, Notation notation, std::uint16_t bytes_per_line) {
  std::int64_t size = input.measure_size();
  if (size < 0) return report_read_error(input.path());
  const double start_time = now();
  const std::string label = label_text(encode_label(notation));
  TextEncoder encoder(notation, bytes_per_line);
  // The text's length is known in advance; reserving it spares the system work on every write.
  output.reserve(static_cast<std::int64_t>(encoder.text_size(static_cast<std::uint64_t>(size))));

  const bool mime = notation == Notation::mime;
  const std::uint64_t groups = static_cast<std::uint64_t>(size) / 3;
  const std::size_t block = mime ? mime_block_size : block_size;
  BlockPump pump(
      {.unit = block,
       .progress = {.divisor = mime ? groups : static_cast<std::uint64_t>(size), .granule = mime ? 3u : 1u},
       .buffer_size = read_size,
       .units_end = mime ? groups * 3 : static_cast<std::uint64_t>(size)});
  OutputBuffer out(output.file(), encoder.max_text(block + 3));
  pump.show = progress_display(start_time, label);
  pump.take = [&](std::span<std::uint8_t> bytes) {
    for (std::size_t at = 0; at < bytes.size(); at += block) {
      out.grow(encoder.encode(bytes.data() + at, std::min(block, bytes.size() - at), out.tail()));
      if (!out.write_when_full()) return Flow::write_error();
    }
    return Flow::go_on();
  };
  const PumpOutcome outcome = pump.run(input, size);
  if (outcome.complete()) out.grow(encoder.finish(out.tail()));
  finish_run(outcome, input, output, out, start_time, label, size);
}

// The decoding run: progress in text bytes read, until the end of the text or, in base 64,
// the block that holds the first "=".
void decode_file(File& input, Output& output, Notation notation) {
  std::int64_t size = input.measure_size();
  if (size < 0) return report_read_error(input.path());
  const double start_time = now();
  const std::string label = label_text(decode_label(notation));
  TextDecoder decoder(notation);
  BlockPump pump({.unit = block_size,
                  .progress = {.divisor = static_cast<std::uint64_t>(size)},
                  .buffer_size = read_size});
  OutputBuffer out(output.file(), TextDecoder::max_data(block_size));
  std::uint64_t offset = 0;
  pump.show = progress_display(start_time, label);
  pump.take = [&](std::span<std::uint8_t> bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
      // Block by block, so the text after the block that ends it is never read.
      const std::size_t length = std::min(bytes.size() - at, block_size - (offset + at) % block_size);
      out.grow(decoder.decode(reinterpret_cast<const char*>(bytes.data() + at), length,
                              reinterpret_cast<std::uint8_t*>(out.tail())));
      if (!out.write_when_full()) return Flow::write_error();
      if (decoder.ended()) return Flow::stop_after(at);
      at += length;
    }
    offset += bytes.size();
    return Flow::go_on();
  };
  const PumpOutcome outcome = pump.run(input, size);
  if (outcome.complete()) out.grow(decoder.finish(reinterpret_cast<std::uint8_t*>(out.tail())));
  // The display counts the text up to the end of the block that held the "=".
  const std::int64_t done =
      outcome.stopped ? std::min<std::int64_t>(size, (outcome.consumed / 4096 + 1) * 4096) : size;
  finish_run(outcome, input, output, out, start_time, label, done);
}

void encode_dialogue() {
  screen_banner("ENCODE", "ENKODE", 13);
  std::optional<std::uint16_t> notation =
      ask_choice({"Select encode mode :", "Pilih mode penyandian (enkode) :"}, notation_list, {2});
  if (!notation) return;

  say("Input path and filename for input file : ", "Masukkan alamat dan nama berkas untuk berkas masukan : ");
  x(2);
  std::optional<File> input = open_input();
  if (!input) return;
  x(7);

  // Opened before the line length is asked, so a path that cannot be written ends the dialogue
  // here.
  std::optional<Output> output = ask_output(*input, true);
  if (!output) return;

  say("Bytes per line : ", "Banyak Byte dalam satu baris : ");
  std::uint16_t bytes_per_line = 0;
  get_num(bytes_per_line);
  if (bytes_per_line == 0) {
    error_text("No file output!", "Tidak ada berkas keluaren!");
    return;
  }

  encode_file(*input, *output, static_cast<Notation>(*notation), bytes_per_line);
}

void decode_dialogue() {
  screen_banner("DECODE", "DEKODE", 11);
  std::optional<std::uint16_t> notation =
      ask_choice({"Select decode mode :", "Pilih mode pemecah sandi (dekode) :"}, notation_list, {2});
  if (!notation) return;

  say("Input path and filename for input file : ", "Masukkan alamat dan nama berkas untuk berkas masukan : ");
  x(2);
  std::optional<std::string> typed = read_path();
  if (!typed) return;
  // A name typed without its ".txt" still finds the encoded file, when that name fits the path
  // buffer; otherwise the failure names the path as typed, like any other.
  std::optional<File> input = File::open_read(*typed);
  if (!input && typed->size() <= longest_path_before_suffix) input = File::open_read(*typed + ".txt");
  if (!input) {
    report_open_failure(*typed);
    return;
  }
  x(7);

  std::optional<Output> output = ask_output(*input, false);
  if (!output) return;

  decode_file(*input, *output, static_cast<Notation>(*notation));
}

}  // namespace

// The pause comes after the dialogue has returned, so every file it opened is closed by then.
void encode_screen(Menu& menu) {
  encode_dialogue();
  EOO(menu);
}

void decode_screen(Menu& menu) {
  decode_dialogue();
  EOO(menu);
}

}  // namespace varnelo

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "encoding/text_codec.hpp"
#include "shell/banner.hpp"
#include "shell/progress.hpp"
#include "shell/screens.hpp"

namespace varnelo {

namespace {

// Progress is counted in blocks of 4096 input bytes (1365 three-byte groups when encoding
// base 64), while the bytes are read 32 blocks at a time and written in 256 KiB pieces, sizes
// at which the system's copies run fastest here and the buffers stay in the cache.
constexpr std::int64_t block_size = 4096;
constexpr std::int64_t mime_block_groups = 1365;
constexpr std::int64_t read_blocks = 32;
constexpr std::size_t flush_size = 256 * 1024;

// The room a path buffer leaves for a ".txt" suffix.
constexpr std::size_t longest_path_before_suffix = path_capacity - 1 - 4;

// Asks for the notation (typed in colour 7); nullopt after "Invalid Choice!" for any answer
// but 1, 2 or 3.
std::optional<Notation> ask_notation() {
  x(7);
  say("\n1) Binary(base2) Mode\n2) Hexadecimal(base16) Mode\n3) MIME(base64) Mode\nChoice : ",
      "\n1) Mode Biner (basis2)\n2) Mode Heksadesimal (basis16)\n3) Mode MIME (basis64)\nPilihanmu : ");
  std::uint16_t answer = 0;
  get_num(answer);
  auto chosen = static_cast<std::uint16_t>(answer - 1);
  if (chosen > 2) {
    error_text("Invalid Choice!", "Pilihan tidak tersedia!");
    return std::nullopt;
  }
  return static_cast<Notation>(chosen);
}

bool ends_with_txt(const std::string& path) {
  return path.size() >= 4 && path.compare(path.size() - 4, 4, ".txt") == 0;
}

// Asks for the output path (typed in colour 2) and refuses the input file itself.
std::optional<std::string> ask_output_path(const File& input, bool add_txt) {
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
  if (refuse_same_file(input, *path)) return std::nullopt;
  return path;
}

// Gathers converted text or data and writes it in pieces of `flush_size` bytes: small enough
// to stay in the processor's cache while the system copies them, and a whole number of
// pages so that every write starts on a page boundary of the file.
class OutputBuffer {
 public:
  OutputBuffer(File& file, std::size_t flush_size, std::size_t block_room)
      : file_(file), flush_size_(flush_size), buffer_(flush_size + block_room) {}

  char* tail() { return buffer_.data() + used_; }
  void grow(std::size_t count) { used_ += count; }
  // Writes one piece when there is one; false (after the message) when the write failed.
  bool write_when_full() {
    if (used_ < flush_size_) return true;
    std::size_t whole = used_ / flush_size_ * flush_size_;
    if (!file_.write(buffer_.data(), whole)) return failed();
    used_ -= whole;
    std::memmove(buffer_.data(), buffer_.data() + whole, used_);
    return true;
  }
  // Writes everything gathered.
  bool write() {
    if (!file_.write(buffer_.data(), used_)) return failed();
    used_ = 0;
    return true;
  }

 private:
  bool failed() {
    used_ = 0;
    report_write_error(file_.path());
    return false;
  }

  File& file_;
  std::size_t flush_size_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

// Closes both files and draws the completion display; false after a write error at closing.
bool finish_run(File& input, File& output, ProgressMeter& meter, std::int64_t bytes_done) {
  input.close();
  if (!output.close()) {
    report_write_error(output.path());
    return false;
  }
  meter.complete(bytes_done);
  running_time(meter.start_time());
  return true;
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
// bytes; base 64 counts whole groups, and its last one or two bytes follow the loop.
void encode_file(File& input, File& output, Notation notation, std::uint16_t bytes_per_line) {
  std::int64_t size = input.measure_size();
  if (size < 0) {
    report_read_error(input.path());
    return;
  }
  TextEncoder encoder(notation, bytes_per_line);
  // The text's length is known in advance; reserving it spares the system work on every write.
  output.reserve(static_cast<std::int64_t>(encoder.text_size(static_cast<std::uint64_t>(size))));
  ProgressMeter meter(now(), label_text(encode_label(notation)));

  const bool mime = notation == Notation::mime;
  const std::int64_t unit = mime ? 3 : 1;
  const std::int64_t block_units = mime ? mime_block_groups : block_size;
  const std::int64_t total = size / unit;

  std::vector<std::uint8_t> data(static_cast<std::size_t>(read_blocks * block_units * unit));
  OutputBuffer out(output, flush_size, encoder.max_text(static_cast<std::size_t>(block_units * unit + 3)));
  for (std::int64_t done = 0; done < total;) {
    std::int64_t units = std::min(read_blocks * block_units, total - done);
    std::size_t got = input.read(data.data(), static_cast<std::size_t>(units * unit));
    for (std::int64_t first = 0; first < units; first += block_units) {
      meter.step(done + first, total, (done + first) * unit);
      auto from = static_cast<std::size_t>(first * unit);
      auto length = static_cast<std::size_t>(std::min(block_units, units - first) * unit);
      std::size_t available = got > from ? std::min(length, got - from) : 0;
      out.grow(encoder.encode(data.data() + from, available, out.tail()));
      if (available < length) {
        // What was converted before the failure is kept.
        if (out.write()) report_read_error(input.path());
        return;
      }
      if (!out.write_when_full()) return;
    }
    done += units;
  }

  auto rest = static_cast<std::size_t>(size - total * unit);
  if (rest > 0 && !input.read_exact(data.data(), rest)) {
    if (out.write()) report_read_error(input.path());
    return;
  }
  out.grow(encoder.encode(data.data(), rest, out.tail()));
  out.grow(encoder.finish(out.tail()));
  if (!out.write()) return;
  finish_run(input, output, meter, size);
}

// The decoding run: progress in text bytes read, until the end of the text or, in base 64,
// the first "=".
void decode_file(File& input, File& output, Notation notation) {
  std::int64_t size = input.measure_size();
  if (size < 0) {
    report_read_error(input.path());
    return;
  }
  ProgressMeter meter(now(), label_text(decode_label(notation)));
  TextDecoder decoder(notation);

  std::vector<char> text(static_cast<std::size_t>(read_blocks * block_size));
  OutputBuffer out(output, flush_size, TextDecoder::max_data(static_cast<std::size_t>(block_size)));
  std::int64_t done = 0;
  while (done < size && !decoder.ended()) {
    auto wanted =
        static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(text.size()), size - done));
    std::size_t got = input.read(text.data(), wanted);
    for (std::size_t from = 0; from < wanted && !decoder.ended(); from += block_size) {
      meter.step(done, size);
      std::size_t length = std::min<std::size_t>(block_size, wanted - from);
      std::size_t available = got > from ? std::min(length, got - from) : 0;
      out.grow(decoder.decode(text.data() + from, available, reinterpret_cast<std::uint8_t*>(out.tail())));
      if (available < length) {
        if (out.write()) report_read_error(input.path());
        return;
      }
      if (!out.write_when_full()) return;
      done += static_cast<std::int64_t>(length);
    }
  }
  out.grow(decoder.finish(reinterpret_cast<std::uint8_t*>(out.tail())));
  if (!out.write()) return;
  finish_run(input, output, meter, done);
}

void encode_dialogue() {
  screen_banner("ENCODE", "ENKODE", 13);
  x(15);
  say("Select encode mode :", "Pilih mode penyandian (enkode) :");
  std::optional<Notation> notation = ask_notation();
  if (!notation) return;

  say("Input path and filename for input file : ", "Masukkan alamat dan nama berkas untuk berkas masukan : ");
  x(2);
  std::optional<File> input = open_input();
  if (!input) return;
  x(7);

  std::optional<std::string> output_path = ask_output_path(*input, true);
  if (!output_path || !confirm_overwrite(*output_path)) return;
  // Opened before the line length is asked, so a path that cannot be written ends the dialogue
  // here; an answer of 0 then leaves the output created, and empty.
  std::optional<File> output = open_output(*output_path);
  if (!output) return;

  say("Bytes per line : ", "Banyak Byte dalam satu baris : ");
  std::uint16_t bytes_per_line = 0;
  get_num(bytes_per_line);
  if (bytes_per_line == 0) {
    error_text("No file output!", "Tidak ada berkas keluaren!");
    return;
  }

  encode_file(*input, *output, *notation, bytes_per_line);
}

void decode_dialogue() {
  screen_banner("DECODE", "DEKODE", 11);
  x(15);
  say("Select decode mode :", "Pilih mode pemecah sandi (dekode) :");
  std::optional<Notation> notation = ask_notation();
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

  std::optional<std::string> output_path = ask_output_path(*input, false);
  if (!output_path || !confirm_overwrite(*output_path)) return;
  std::optional<File> output = open_output(*output_path);
  if (!output) return;

  decode_file(*input, *output, *notation);
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

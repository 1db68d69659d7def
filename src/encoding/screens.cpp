#include <algorithm>
#include <cstdint>
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
// base 64), while the bytes move in chunks of many blocks to keep system calls few.
constexpr std::int64_t block_size = 4096;
constexpr std::int64_t mime_block_groups = 1365;
constexpr std::int64_t decode_chunk_blocks = 256;

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

void path_too_long() {
  error_text("Path is too long!\n", "Alamat berkas terlalu panjang!\n");
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
      path_too_long();
      return std::nullopt;
    }
    *path += ".txt";
  }
  if (refuse_same_file(input, *path)) return std::nullopt;
  return path;
}

// Ends a run that could not finish: what was converted so far is kept, then the message.
void keep_and_report_read_error(File& output, const char* text, std::size_t size, const File& input) {
  if (!output.write(text, size)) {
    report_write_error(output.path());
    return;
  }
  report_read_error(input.path());
}

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
  ProgressMeter meter(now(), label_text(encode_label(notation)));
  TextEncoder encoder(notation, bytes_per_line);

  const bool mime = notation == Notation::mime;
  const std::int64_t unit = mime ? 3 : 1;
  const std::int64_t block_units = mime ? mime_block_groups : block_size;
  // Chunks sized so the text of one stays near a megabyte whatever the notation.
  const std::int64_t chunk_blocks = notation == Notation::binary        ? 32
                                    : notation == Notation::hexadecimal ? 96
                                                                        : 192;
  const std::int64_t total = size / unit;

  std::vector<std::uint8_t> data(static_cast<std::size_t>(chunk_blocks * block_units * unit));
  std::vector<char> text(encoder.max_text(data.size()));
  for (std::int64_t done = 0; done < total;) {
    std::int64_t units = std::min(chunk_blocks * block_units, total - done);
    auto wanted = static_cast<std::size_t>(units * unit);
    std::size_t got = input.read(data.data(), wanted);
    char* out = text.data();
    for (std::int64_t first = 0; first < units; first += block_units) {
      meter.step(done + first, total, (done + first) * unit);
      auto from = static_cast<std::size_t>(first * unit);
      auto length = static_cast<std::size_t>(std::min(block_units, units - first) * unit);
      std::size_t available = got > from ? std::min(length, got - from) : 0;
      out += encoder.encode(data.data() + from, available, out);
      if (available < length) {
        keep_and_report_read_error(output, text.data(), static_cast<std::size_t>(out - text.data()), input);
        return;
      }
    }
    if (!output.write(text.data(), static_cast<std::size_t>(out - text.data()))) {
      report_write_error(output.path());
      return;
    }
    done += units;
  }

  auto rest = static_cast<std::size_t>(size - total * unit);
  if (rest > 0 && !input.read_exact(data.data(), rest)) {
    report_read_error(input.path());
    return;
  }
  std::size_t length = encoder.encode(data.data(), rest, text.data());
  length += encoder.finish(text.data() + length);
  if (!output.write(text.data(), length)) {
    report_write_error(output.path());
    return;
  }
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

  std::vector<char> text(static_cast<std::size_t>(decode_chunk_blocks * block_size));
  std::vector<std::uint8_t> data(TextDecoder::max_data(text.size()));
  std::int64_t done = 0;
  while (done < size && !decoder.ended()) {
    auto wanted =
        static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(text.size()), size - done));
    std::size_t got = input.read(text.data(), wanted);
    std::uint8_t* out = data.data();
    for (std::size_t from = 0; from < wanted && !decoder.ended(); from += block_size) {
      meter.step(done, size);
      std::size_t length = std::min<std::size_t>(block_size, wanted - from);
      std::size_t available = got > from ? std::min(length, got - from) : 0;
      out += decoder.decode(text.data() + from, available, out);
      if (available < length) {
        keep_and_report_read_error(output, reinterpret_cast<const char*>(data.data()),
                                   static_cast<std::size_t>(out - data.data()), input);
        return;
      }
      done += static_cast<std::int64_t>(length);
    }
    if (!output.write(data.data(), static_cast<std::size_t>(out - data.data()))) {
      report_write_error(output.path());
      return;
    }
  }
  std::size_t length = decoder.finish(data.data());
  if (!output.write(data.data(), length)) {
    report_write_error(output.path());
    return;
  }
  finish_run(input, output, meter, done);
}

}  // namespace

void encode_screen(Menu& menu) {
  screen_banner("ENCODE", "ENKODE", 13);
  x(15);
  say("Select encode mode :", "Pilih mode penyandian (enkode) :");
  std::optional<Notation> notation = ask_notation();
  if (!notation) return EOO(menu);

  say("Input path and filename for input file : ", "Masukkan alamat dan nama berkas untuk berkas masukan : ");
  x(2);
  std::optional<File> input = open_input();
  if (!input) return EOO(menu);
  x(7);

  std::optional<std::string> output_path = ask_output_path(*input, true);
  if (!output_path || !confirm_overwrite(*output_path)) return EOO(menu);

  say("Bytes per line : ", "Banyak Byte dalam satu baris : ");
  std::uint16_t bytes_per_line = 0;
  get_num(bytes_per_line);
  // The output is opened only now, so an answer of 0 leaves an existing file as it was.
  if (bytes_per_line == 0) {
    error_text("No file output!", "Tidak ada berkas keluaren!");
    return EOO(menu);
  }
  std::optional<File> output = open_output(*output_path);
  if (!output) return EOO(menu);

  encode_file(*input, *output, *notation, bytes_per_line);
  EOO(menu);
}

void decode_screen(Menu& menu) {
  screen_banner("DECODE", "DEKODE", 11);
  x(15);
  say("Select decode mode :", "Pilih mode pemecah sandi (dekode) :");
  std::optional<Notation> notation = ask_notation();
  if (!notation) return EOO(menu);

  say("Input path and filename for input file : ", "Masukkan alamat dan nama berkas untuk berkas masukan : ");
  x(2);
  std::optional<std::string> typed = read_path();
  if (!typed) return EOO(menu);
  // A name typed without its ".txt" still finds the encoded file.
  std::optional<File> input = File::open_read(*typed);
  if (!input) {
    if (typed->size() > longest_path_before_suffix) {
      path_too_long();
      return EOO(menu);
    }
    input = File::open_read(*typed + ".txt");
  }
  if (!input) {
    report_open_failure(*typed);
    return EOO(menu);
  }
  x(7);

  std::optional<std::string> output_path = ask_output_path(*input, false);
  if (!output_path || !confirm_overwrite(*output_path)) return EOO(menu);
  std::optional<File> output = open_output(*output_path);
  if (!output) return EOO(menu);

  decode_file(*input, *output, *notation);
  EOO(menu);
}

}  // namespace varnelo

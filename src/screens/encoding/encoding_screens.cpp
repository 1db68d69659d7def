#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "encoding/jobs.hpp"
#include "encoding/screens.hpp"
#include "shell/banner.hpp"
#include "shell/display.hpp"
#include "shell/file_dialogue.hpp"
#include "shell/input.hpp"
#include "shell/labels.hpp"
#include "shell/progress.hpp"

namespace varnelo {

namespace {

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

// Reports how a conversion ended: the fault, or the completion display and the elapsed time.
void finish_run(const Conversion& conversion, double start_time, const std::string& label) {
  if (conversion.fault) return report(conversion.fault);
  progress_bar(start_time, 100, conversion.shown_bytes, label);
  running_time(start_time);
}

// The encoding run with its progress display.
void run_encode(File& input, Output& output, Notation notation, std::uint16_t bytes_per_line) {
  const std::optional<std::int64_t> size = measure_input(input);
  if (!size) return;
  const double start_time = now();
  const std::string label = in_language(encode_label(notation));
  finish_run(encode_file(input, *size, output, notation, bytes_per_line, progress_display(start_time, label)),
             start_time, label);
}

// The decoding run: progress in text bytes read.
void run_decode(File& input, Output& output, Notation notation) {
  const std::optional<std::int64_t> size = measure_input(input);
  if (!size) return;
  const double start_time = now();
  const std::string label = in_language(decode_label(notation));
  finish_run(decode_file(input, *size, output, notation, progress_display(start_time, label)), start_time,
             label);
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

  run_encode(*input, *output, static_cast<Notation>(*notation), bytes_per_line);
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
  SystemError why;
  std::optional<File> input = File::open_read(*typed, &why);
  if (!input && typed->size() <= longest_path_before_suffix) input = File::open_read(*typed + ".txt");
  if (!input) {
    report(FileFault{FileFault::open, *typed, why});
    return;
  }
  x(7);

  std::optional<Output> output = ask_output(*input, false);
  if (!output) return;

  run_decode(*input, *output, static_cast<Notation>(*notation));
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

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "encoding/convert.hpp"
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

// Reports how a conversion ended: the fault, or the closed output with the completion display
// showing `bytes_done` and the elapsed time.
void finish_run(ConvertFault fault, const File& input, Output& output, double start_time,
                const std::string& label, std::int64_t bytes_done) {
  if (fault == ConvertFault::write) return report_write_error(output.path());
  if (fault == ConvertFault::read) return report_read_error(input.path());
  // A failed close can lose written data, so it counts as a failed write.
  if (!output.commit()) return report_write_error(output.path());
  progress_bar(start_time, 100, bytes_done, label);
  running_time(start_time);
}

std::string label_text(const Both& label) {
  const char* chosen = pick(label.english, label.indonesian);
  return chosen ? chosen : "";
}

// The encoding run with its progress display.
void encode_file(File& input, Output& output, Notation notation, std::uint16_t bytes_per_line) {
  std::int64_t size = input.measure_size();
  if (size < 0) return report_read_error(input.path());
  const double start_time = now();
  const std::string label = label_text(encode_label(notation));
  // The text's length is known in advance; reserving it spares the system work on every write.
  output.reserve(static_cast<std::int64_t>(
      TextEncoder(notation, bytes_per_line).text_size(static_cast<std::uint64_t>(size))));
  const Conversion conversion = encode_stream(input, size, output.file(), notation, bytes_per_line,
                                              progress_display(start_time, label));
  finish_run(conversion.fault, input, output, start_time, label, size);
}

// The decoding run: progress in text bytes read.
void decode_file(File& input, Output& output, Notation notation) {
  std::int64_t size = input.measure_size();
  if (size < 0) return report_read_error(input.path());
  const double start_time = now();
  const std::string label = label_text(decode_label(notation));
  const Conversion conversion =
      decode_stream(input, size, output.file(), notation, progress_display(start_time, label));
  // The display counts the text up to the end of the block that held the "=".
  const PumpOutcome& outcome = conversion.outcome;
  const std::int64_t done =
      outcome.stopped ? std::min<std::int64_t>(size, (outcome.consumed / 4096 + 1) * 4096) : size;
  finish_run(conversion.fault, input, output, start_time, label, done);
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

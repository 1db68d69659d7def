#include <optional>
#include <span>
#include <string>
#include <utility>

#include "crypt/crypt_screens.hpp"
#include "crypt/jobs.hpp"
#include "shell/display.hpp"
#include "shell/file_dialogue.hpp"
#include "shell/input.hpp"
#include "shell/labels.hpp"
#include "shell/progress.hpp"

namespace varnelo {

namespace {

// Keys the input into the output under the progress display. Ends with the elapsed time on
// success; a failure is reported instead, without the completion display.
void run_cipher(File& input, std::int64_t size, Output& output, unsigned operation, const CipherKey& key) {
  double start_time = now();
  x(7);
  const auto display = progress_display(start_time, in_language(cipher_label));
  if (FileFault fault = apply_cipher(input, size, output, operation, key, display)) return report(fault);
  display(100, size);
  running_time(start_time);
}

// The output path dialogue shared by both ciphers: the path, then the output door. Returns no
// file after any refusal or failure, its message printed.
std::optional<Output> open_cipher_output(const File& input, const File* key) {
  x(7);
  say("Input path and filename for file output : ",
      "Masukkan alamat dan nama berkas untuk berkas keluaran : ");
  x(2);
  std::optional<std::string> path = read_path();
  if (!path) return std::nullopt;
  return output_door(*path, key ? identities({&input, key}) : identities({&input}));
}

// A file opened at the path prompt, with the size measured at the start.
struct MeasuredFile {
  File file;
  std::int64_t size;
};

// Opens and measures; nullopt once the failure has been reported.
std::optional<MeasuredFile> open_measured_input() {
  std::optional<File> file = open_input();
  if (!file) return std::nullopt;
  std::optional<std::int64_t> size = measure_input(*file);
  if (!size) return std::nullopt;
  return MeasuredFile{std::move(*file), *size};
}

}  // namespace

void cryp_txt_mode(unsigned operation) {
  std::optional<MeasuredFile> input = open_measured_input();
  if (!input) return;
  x(7);
  say("Input text key : ", "Masukkan kunci teks : ");
  x(2);
  std::string key;
  // A key too long for its 999 characters is refused like an empty one.
  if (!read_line(key, path_capacity) || key.empty()) {
    x(4);
    say("Invalid text key!\n", "Format kunci teks anda tidak benar!\n");
    x(7);
    return;
  }
  std::optional<Output> output = open_cipher_output(input->file, nullptr);
  if (!output) return;
  run_cipher(input->file, input->size, *output, operation,
             {.text = std::span(reinterpret_cast<const std::uint8_t*>(key.data()), key.size())});
}

void cryp_data_mode(unsigned operation) {
  std::optional<MeasuredFile> input = open_measured_input();
  if (!input) return;
  x(7);
  say("Input path and filename for file key : ",
      "Masukkan alamat dan nama berkas untuk berkas yang berperan sebagai kunci : ");
  x(2);
  std::optional<MeasuredFile> key = open_measured_input();
  if (!key) return;
  if (!key_fits(key->size, input->size)) {
    error_text("Key file is empty!\n", "Berkas kunci kosong!\n");
    return;
  }
  std::optional<Output> output = open_cipher_output(input->file, &key->file);
  if (!output) return;
  run_cipher(input->file, input->size, *output, operation, {.file = &key->file, .file_size = key->size});
}

}  // namespace varnelo

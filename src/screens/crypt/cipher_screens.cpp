#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "crypt/cipher.hpp"
#include "crypt/crypt_screens.hpp"
#include "crypt/transform.hpp"
#include "shell/display.hpp"
#include "shell/file_dialogue.hpp"
#include "shell/input.hpp"
#include "shell/progress.hpp"

namespace varnelo {

namespace {

// Keys the input into the output under the progress display; `apply_key` returns false when
// the key could not be read, and is then reported against `key_path`. Ends with the elapsed
// time on success; every failure is reported here, without the completion display.
void transform_file(File& input, std::int64_t size, Output& output, const std::string& key_path,
                    const std::function<bool(std::uint8_t*, std::size_t)>& apply_key) {
  double start_time = now();
  x(7);
  const char* label = pick("Processing, please wait...\n", "Sedang diproses, silahkan tunggu...\n");
  const auto display = progress_display(start_time, label ? label : "");
  switch (transform(input, size, output.file(), apply_key, display)) {
    case TransformFault::read:
      return report_read_error(input.path());
    case TransformFault::key:
      return report_read_error(key_path);
    case TransformFault::write:
      return report_write_error(output.path());
    case TransformFault::none:
      break;
  }
  // A failed close can lose written data, so it counts as a failed write.
  if (!output.commit()) return report_write_error(output.path());
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
  std::int64_t size = file->measure_size();
  if (size < 0) {
    report_read_error(file->path());
    return std::nullopt;
  }
  return MeasuredFile{std::move(*file), size};
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
  RepeatingKey stream(std::span(reinterpret_cast<const std::uint8_t*>(key.data()), key.size()));
  transform_file(input->file, input->size, *output, {}, [&](std::uint8_t* data, std::size_t count) {
    stream.apply(operation, data, count);
    return true;
  });
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
  // An empty key has no byte to key the data with; an empty input needs none.
  if (key->size == 0 && input->size > 0) {
    error_text("Key file is empty!\n", "Berkas kunci kosong!\n");
    return;
  }
  std::optional<Output> output = open_cipher_output(input->file, &key->file);
  if (!output) return;
  FileKey source(key->file);
  KeyFileStream stream(source, key->size);
  transform_file(input->file, input->size, *output, key->file.path(),
                 [&](std::uint8_t* data, std::size_t count) { return stream.apply(operation, data, count); });
}

}  // namespace varnelo

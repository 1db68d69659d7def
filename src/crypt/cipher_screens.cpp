#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "crypt/cipher.hpp"
#include "crypt/crypt_screens.hpp"
#include "shell/console_kit.hpp"
#include "shell/progress.hpp"

namespace varnelo {

namespace {

// Progress is counted in blocks of this size, whatever the size of the reads and writes.
constexpr std::size_t progress_block = 4096;
// Bytes move through memory in buffers of this size (a whole number of progress blocks),
// small enough that the buffer and a key block stay in the cache between read and write.
constexpr std::size_t transfer_buffer = std::size_t{1} << 18;

class FileKey : public KeySource {
 public:
  explicit FileKey(File& file) : file_(file) {}
  bool rewind() override { return file_.seek(0); }
  std::size_t read(std::uint8_t* buffer, std::size_t count) override { return file_.read(buffer, count); }

 private:
  File& file_;
};

void ask_output_path() {
  x(7);
  say("Input path and filename for file output : ",
      "Masukkan alamat dan nama berkas untuk berkas keluaran : ");
  x(2);
}

// Keys the input into the output under the progress display; `apply_key` returns false when
// the key could not be read, and is then reported against `key_path`. Ends with the elapsed
// time on success; every failure is reported here, without the completion display.
void transform_file(File& input, std::int64_t size, File& output, const std::string& key_path,
                    const std::function<bool(std::uint8_t*, std::size_t)>& apply_key) {
  double start_time = now();
  x(7);
  const char* label = pick("Processing, please wait...\n", "Sedang diproses, silahkan tunggu...\n");
  ProgressMeter meter(start_time, label ? label : "");
  std::vector<std::uint8_t> buffer(
      static_cast<std::size_t>(std::clamp<std::int64_t>(size, 1, transfer_buffer)));
  std::int64_t position = 0;
  while (position < size) {
    auto wanted = static_cast<std::size_t>(std::min<std::int64_t>(size - position, buffer.size()));
    std::size_t got = input.read(buffer.data(), wanted);
    // Progress steps once per 4096-byte block, as a block-by-block loop would; after a short
    // read, up to the block that came short, and only the whole blocks before it are written.
    std::size_t complete = got == wanted ? wanted : got / progress_block * progress_block;
    std::size_t reached = got == wanted ? wanted : complete + 1;
    for (std::size_t offset = 0; offset < reached; offset += progress_block) {
      meter.step(position + static_cast<std::int64_t>(offset), size);
    }
    if (complete > 0) {
      if (!apply_key(buffer.data(), complete)) {
        report_read_error(key_path);
        return;
      }
      if (!output.write(buffer.data(), complete)) {
        report_write_error(output.path());
        return;
      }
    }
    if (complete < wanted) {
      report_read_error(input.path());
      return;
    }
    position += static_cast<std::int64_t>(wanted);
  }
  // A failed close can lose written data, so it counts as a failed write.
  if (!output.close()) {
    report_write_error(output.path());
    return;
  }
  meter.complete(position);
  input.close();
  running_time(start_time);
}

// The output path dialogue shared by both ciphers: path, same-file refusal, overwrite question,
// opening. Returns no file after any refusal or failure, its message printed.
std::optional<File> open_cipher_output(const File& input, const File* key) {
  ask_output_path();
  std::optional<std::string> path = read_path();
  if (!path) return std::nullopt;
  // Writing would truncate the input (or key) before it is read.
  if (refuse_same_file(input, *path) || (key && refuse_same_file(*key, *path))) return std::nullopt;
  if (!confirm_overwrite(*path)) return std::nullopt;
  return open_output(*path);
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
  std::optional<File> output = open_cipher_output(input->file, nullptr);
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
  std::optional<File> output = open_cipher_output(input->file, &key->file);
  if (!output) return;
  FileKey source(key->file);
  KeyFileStream stream(source, key->size);
  transform_file(input->file, input->size, *output, key->file.path(),
                 [&](std::uint8_t* data, std::size_t count) { return stream.apply(operation, data, count); });
}

}  // namespace varnelo

#include "shell/file_dialogue.hpp"

#include "io/input.hpp"
#include "shell/clipboard.hpp"
#include "shell/display.hpp"
#include "shell/input.hpp"

namespace varnelo {

namespace {

void report_path(const char* english, const char* indonesian, const std::string& path) {
  x(4);
  say(english, indonesian);
  x(12);
  std::string quoted(1, '"');
  quoted.append(shown(path)).append("\"\n");
  put(quoted);
  x(7);
}

bool ask_overwrite(const std::string& path) {
  x(4);
  say("File \"", "Berkas \"");
  x(12);
  put(shown(path));
  x(4);
  say("\" already exist\n", "\" telah ada\n");
  x(7);
  say("Overwrite file (Y/N)? ", "Timpa berkas (Y/T)? ");
  int answer = read_char();
  read_rest_of_line();
  return answer == 'Y' || answer == 'y';
}

void report_open_failure(const std::string& path) {
  // The system's limit on names is a path too long as much as the buffer's is.
  if (name_too_long(path))
    report_path_too_long();
  else
    report_path("Could not open file : ", "Tidak dapat membuka berkas : ", path);
}

void report_read_error(const std::string& path) {
  report_path("Read error on file : ", "Gagal membaca berkas : ", path);
}

void report_write_error(const std::string& path) {
  report_path("Write error on file : ", "Gagal menulis ke berkas : ", path);
}

}  // namespace

std::optional<std::string> read_path(std::size_t capacity) {
  std::string path;
  bool fits = read_line(path, capacity);
  if (fits && !path.empty() && path[0] == '?') {
    iclip(path);
    fits = path.size() + 1 <= capacity;
  }
  if (!fits) {
    report_path_too_long();
    return std::nullopt;
  }
  return unquoted_path(path);
}

std::optional<File> open_input(std::size_t capacity) {
  std::optional<std::string> path = read_path(capacity);
  if (!path) return std::nullopt;
  Result<File, FileFault> file = open_input(*path, false);
  if (!file) {
    report(file.why());
    return std::nullopt;
  }
  return std::move(*file);
}

std::optional<std::int64_t> measure_input(File& file) {
  const std::int64_t size = file.measure_size();
  if (size >= 0) return size;
  report_read_error(file.path());
  return std::nullopt;
}

OutputRequest screen_request(std::vector<FileIdentity> avoid) {
  return {.avoid = std::move(avoid), .existing = Existing::ask, .confirm = ask_overwrite};
}

OutputDoor screen_door(std::vector<FileIdentity> avoid) {
  return OutputDoor(screen_request(std::move(avoid)));
}

std::optional<Output> output_door(const std::string& path, std::vector<FileIdentity> avoid) {
  Result<Output, Refusal> output = screen_door(std::move(avoid)).open(path);
  if (!output) {
    report(output.why());
    return std::nullopt;
  }
  return std::move(*output);
}

void report_path_too_long() {
  error_text("Path is too long!\n", "Alamat berkas terlalu panjang!\n");
}

void report(const FileFault& fault) {
  switch (fault.kind) {
    case FileFault::open:
    case FileFault::closed_stream:
      return report_open_failure(fault.path);
    case FileFault::read:
      return report_read_error(fault.path);
    case FileFault::write:
      return report_write_error(fault.path);
    case FileFault::none:
      return;
  }
}

void report(const Refusal& refusal) {
  switch (refusal.kind) {
    case Refusal::input:
    case Refusal::standard_stream:
      return error_text("Output file is the same as an input file!\n",
                        "Berkas keluaran sama dengan berkas masukan!\n");
    case Refusal::too_long:
      return report_path_too_long();
    case Refusal::unwritable:
      return report_path("Could write to file : ", "Tidak menulis ke berkas : ", refusal.path);
    // The screens ask rather than refuse an existing file or a name given twice, and a question
    // answered no needs no message.
    case Refusal::twice:
    case Refusal::exists:
    case Refusal::declined:
    case Refusal::closed_stream:  // "-" is a file name to the screens
    case Refusal::none:
      return;
  }
}

}  // namespace varnelo

#include "shell/file_dialogue.hpp"

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
  std::optional<File> file = File::open_read(*path);
  if (!file) report_open_failure(*path);
  return file;
}

bool refuses_as_input(const std::string& path, const std::vector<FileIdentity>& avoid) {
  // Writing would destroy an input before it is read, or mix with the program's own streams.
  if (!names_one_of(path, avoid) && !names_a_standard_stream(path)) return false;
  error_text("Output file is the same as an input file!\n", "Berkas keluaran sama dengan berkas masukan!\n");
  return true;
}

bool may_write(const std::string& path, Ask ask) {
  // Existence is asked of the file system, so an existing file that cannot be read is still asked about.
  return (ask == Ask::if_exists && !path_exists(path)) || ask_overwrite(path);
}

bool admit_output(const std::string& path, const std::vector<FileIdentity>& avoid, Ask ask) {
  return !refuses_as_input(path, avoid) && may_write(path, ask);
}

std::optional<Output> open_output(const std::string& path) {
  // Caught before writing: the temporary file would take the data and its rename would fail.
  if (name_too_long(path)) {
    report_path_too_long();
    return std::nullopt;
  }
  std::optional<Output> output = Output::open(path);
  if (!output) report_path("Could write to file : ", "Tidak menulis ke berkas : ", path);
  return output;
}

std::optional<Output> output_door(const std::string& path, const std::vector<FileIdentity>& avoid, Ask ask) {
  if (!admit_output(path, avoid, ask)) return std::nullopt;
  return open_output(path);
}

void report_path_too_long() {
  error_text("Path is too long!\n", "Alamat berkas terlalu panjang!\n");
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

}  // namespace varnelo

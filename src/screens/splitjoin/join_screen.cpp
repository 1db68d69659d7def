// The join screen: pieces written back, in order, into one file; found from the ".001" piece
// by counting up its suffix, or listed one by one.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "shell/banner.hpp"
#include "shell/display.hpp"
#include "shell/file_dialogue.hpp"
#include "shell/input.hpp"
#include "shell/progress.hpp"
#include "splitjoin/copy.hpp"
#include "splitjoin/pieces.hpp"
#include "splitjoin/questions.hpp"
#include "splitjoin/screens.hpp"

namespace varnelo {

namespace {

// Appends `count` pieces to the output under one progress display counting up to `total`;
// `open_piece(k)` opens piece k, or reports why it cannot. A join ends without the completion
// display, only with the elapsed time; every failure is reported here.
void copy_pieces(Output& output, std::size_t count, std::int64_t total, double start_time, std::string label,
                 const std::function<std::optional<File>(std::size_t)>& open_piece) {
  const splitjoin::CopyFault fault = splitjoin::append_pieces(output.file(), count, total, open_piece,
                                                              progress_display(start_time, std::move(label)),
                                                              [&](std::int64_t end) { output.reserve(end); });
  if (fault.kind == splitjoin::CopyFault::read) report_read_error(fault.path);
  if (fault.kind == splitjoin::CopyFault::write) report_write_error(output.path());
  if (fault.kind != splitjoin::CopyFault::none) return;
  // A failed close can lose written data, so it counts as a failed write.
  if (!output.commit()) return report_write_error(output.path());
  running_time(start_time);
}

void report_total_too_large() {
  error_text("Total filesize is too large!\n", "Jumlah ukuran berkas terlalu besar!\n");
}

// Adds a piece's size to the total; false, after the message, when the total would pass the
// largest size a file can have.
bool add_size(std::int64_t& total, std::int64_t size) {
  if (splitjoin::add_size(total, size)) return true;
  report_total_too_large();
  return false;
}

void automatic_join() {
  say("Input path and filename which have extension .001 : ",
      "Masukkan alamat dan nama berkas yang berekstensi .001 : ");
  x(2);
  std::optional<std::string> typed = read_path();
  if (!typed) return;
  x(7);
  std::string first = *typed;
  // The name of the file to rebuild is taken as well as the name of its first piece.
  if (!splitjoin::names_first_piece(first)) first += splitjoin::first_suffix;
  if (first.size() + 1 > path_capacity) {
    report_path_too_long();
    return;
  }
  std::string output_path = first.substr(0, first.size() - splitjoin::first_suffix.size());

  if (!File::open_read(first)) {
    report_open_failure(first);
    return;
  }
  std::optional<Output> output = output_door(output_path, splitjoin::piece_identities(first));
  if (!output) return;

  double start_time = now();
  const splitjoin::PieceSet set = splitjoin::count_pieces(first);
  switch (set.fault) {
    case splitjoin::PieceSet::unopened:
      return report_open_failure(set.path);
    case splitjoin::PieceSet::unmeasured:
      return report_read_error(set.path);
    case splitjoin::PieceSet::too_large:
      return report_total_too_large();
    case splitjoin::PieceSet::none:
      break;
  }
  const std::uint16_t count = set.count;
  const std::int64_t total = set.total;

  const char* label =
      pick("Info : detected %hu files\nTotal filesize : %lli Bytes.\nJoining file, please wait...\n",
           "Informasi : terdeteksi %hu berkas\nJumlah ukuran berkas : %lli Bytes.\nMenggabung berkas, "
           "silahkan tunggu...\n");
  std::string name = first;
  copy_pieces(*output, count, total, start_time,
              label ? format(label, count, static_cast<long long>(total)) : std::string(),
              [&](std::size_t k) -> std::optional<File> {
                if (k > 0) splitjoin::advance_suffix(name);
                std::optional<File> piece = File::open_read(name);
                // A piece removed since it was counted is not skipped: the output would be
                // silently short.
                if (!piece) report_open_failure(name);
                return piece;
              });
}

void manual_join() {
  say("total file to join : ", "Jumah berkas untuk digabung : ");
  std::uint16_t count = 0;
  get_num(count);
  if (!piece_count_usable(count, "No file input!", "Tidak ada berkas masukan!")) return;

  std::vector<std::string> paths;
  std::vector<FileIdentity> inputs;
  std::int64_t total = 0;
  for (std::uint16_t index = 1; index <= count; ++index) {
    sayf("Input path and filename for file %hu : ", "Masukan alamat dan nama berkas untuk berkas ke %hu : ",
         index);
    x(2);
    std::optional<File> input = open_input();
    if (!input) return;
    x(7);
    std::int64_t size = input->measure_size();
    if (size < 0) {
      report_read_error(input->path());
      return;
    }
    if (!add_size(total, size)) return;
    paths.push_back(input->path());
    if (std::optional<FileIdentity> identity = input->identity()) inputs.push_back(*identity);
  }

  say("Input path and filename for file output : ",
      "Masukkan alamat dan nama berkas untuk berkas keluaran : ");
  x(2);
  std::optional<std::string> output_path = read_path();
  if (!output_path) return;
  x(7);
  std::optional<Output> output = output_door(*output_path, inputs);
  if (!output) return;

  double start_time = now();
  const char* label = pick("Total filesize : %lli Bytes.\nJoining file, please wait...\n",
                           "Jumlah ukuran berkas : %lli Bytes.\nMenggabung berkas, silahkan tunggu...\n");
  copy_pieces(*output, paths.size(), total, start_time,
              label ? format(label, static_cast<long long>(total)) : std::string(),
              [&](std::size_t k) -> std::optional<File> {
                std::optional<File> input = File::open_read(paths[k]);
                if (!input) report_open_failure(paths[k]);
                return input;
              });
}

void join_dialogue() {
  screen_banner("JOIN", "GABUNG", 13);
  std::optional<std::uint16_t> join_mode =
      ask_choice({"Select join mode :", "Pilihan mode untuk penggabungan :"}, mode_list, {1});
  if (!join_mode) return;
  if (join_mode == 0) return automatic_join();
  manual_join();
}

}  // namespace

// The pause comes after the dialogue has returned, so every file it opened is closed by then
// (a failed output can be looked at, or removed, while the screen waits).
void join_screen(Menu& menu) {
  join_dialogue();
  EOO(menu);
}

}  // namespace varnelo

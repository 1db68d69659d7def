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
#include "splitjoin/jobs.hpp"
#include "splitjoin/pieces.hpp"
#include "splitjoin/questions.hpp"
#include "splitjoin/screens.hpp"

namespace varnelo {

namespace {

void report_total_too_large() {
  error_text("Total filesize is too large!\n", "Jumlah ukuran berkas terlalu besar!\n");
}

// Reports how a join ended; a join ends without the completion display, only with the elapsed
// time.
void finish_join(const splitjoin::JoinOutcome& outcome, double start_time) {
  if (!outcome.bad.empty() || !outcome.missing.empty() || !outcome.unlisted.empty()) {
    x(12);
    if (!outcome.bad.empty())
      sayf("File \"%s\" does not match its checksum in the list; no file was written.\n",
           "Berkas \"%s\" tidak cocok dengan ceksumnya di daftar; tidak ada berkas yang ditulis.\n",
           shown(outcome.bad).c_str());
    if (!outcome.missing.empty())
      sayf("File \"%s\" is in the list of checksums but missing; no file was written.\n",
           "Berkas \"%s\" ada di daftar ceksum tetapi tidak ada; tidak ada berkas yang ditulis.\n",
           shown(outcome.missing).c_str());
    if (!outcome.unlisted.empty())
      sayf("File \"%s\" is not in the list of checksums; no file was written.\n",
           "Berkas \"%s\" tidak ada di daftar ceksum; tidak ada berkas yang ditulis.\n",
           shown(outcome.unlisted).c_str());
    x(7);
    return;
  }
  if (outcome.refusal) return report(outcome.refusal);
  if (outcome.too_large) return report_total_too_large();
  if (outcome.fault) return report(outcome.fault);
  running_time(start_time);
}

void automatic_join() {
  say("Input path and filename which have extension .001 : ",
      "Masukkan alamat dan nama berkas yang berekstensi .001 : ");
  x(2);
  std::optional<std::string> typed = read_path();
  if (!typed) return;
  x(7);
  // The name of the file to rebuild is taken as well as the name of its first piece.
  const std::string first = splitjoin::first_piece_of(*typed);
  if (first.size() + 1 > path_capacity) {
    report_path_too_long();
    return;
  }
  double start_time = 0;
  const auto outcome = splitjoin::join_found_pieces(
      first, splitjoin::whole_file_of(first), screen_request({}),
      [&](std::uint16_t count, std::int64_t total) -> ProgressDisplay {
        start_time = now();
        const char* label =
            pick("Info : detected %hu files\nTotal filesize : %lli Bytes.\nJoining file, please wait...\n",
                 "Informasi : terdeteksi %hu berkas\nJumlah ukuran berkas : %lli Bytes.\nMenggabung berkas, "
                 "silahkan tunggu...\n");
        return progress_display(start_time,
                                label ? format(label, count, static_cast<long long>(total)) : std::string());
      });
  finish_join(outcome, start_time);
  if (!outcome.gap) return;
  x(12);
  sayf("Note : file \"%s\" is missing; \"%s\" and the pieces past it were not joined.\n",
       "Catatan : berkas \"%s\" tidak ada; \"%s\" dan potongan sesudahnya tidak ikut digabung.\n",
       shown(outcome.gap.missing).c_str(), shown(outcome.gap.past).c_str());
  x(7);
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
    const std::optional<std::int64_t> size = measure_input(*input);
    if (!size) return;
    if (!splitjoin::add_size(total, *size)) return report_total_too_large();
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
  const auto display =
      progress_display(start_time, label ? format(label, static_cast<long long>(total)) : std::string());
  finish_join(splitjoin::join_listed_pieces(paths, total, *output, display), start_time);
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

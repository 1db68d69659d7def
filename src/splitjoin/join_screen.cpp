// The join screen: pieces written back, in order, into one file; found from the ".001" piece
// by counting up its suffix, or listed one by one.

#include <optional>
#include <string>
#include <vector>

#include "shell/banner.hpp"
#include "shell/console_kit.hpp"
#include "shell/progress.hpp"
#include "shell/screens.hpp"
#include "splitjoin/block_copy.hpp"
#include "splitjoin/piece_count.hpp"
#include "splitjoin/pieces.hpp"

namespace varnelo {

using splitjoin::BlockProgress;
using splitjoin::CopyResult;

namespace {

// The copy phase of a join: every piece appended to the output under one progress display.
struct Join {
  File& output;
  BlockProgress progress;
  double start_time;
  std::string label;

  // Appends the whole piece as it is now; a failure is reported here.
  bool append(File& piece) {
    std::int64_t size = piece.measure_size();
    if (size < 0) {
      report_read_error(piece.path());
      return false;
    }
    CopyResult result = copy_blocks(
        piece, output, size, progress,
        [this](std::uint16_t percent, std::int64_t done) { progress_bar(start_time, percent, done, label); });
    if (result == CopyResult::read_failed) report_read_error(piece.path());
    if (result == CopyResult::write_failed) report_write_error(output.path());
    return result == CopyResult::copied;
  }

  // A join ends without the completion display, only with the elapsed time.
  void finish() {
    if (!output.close()) return report_write_error(output.path());
    running_time(start_time);
  }
};

// Whether the output is one of the pieces from `first` on (under another name, through a link):
// writing it would destroy that piece before it is read.
bool output_is_a_piece(std::string name, const std::string& output) {
  for (std::uint16_t count = 0; count < splitjoin::max_pieces; ++count) {
    std::optional<File> piece = File::open_read(name);
    if (!piece) return false;
    if (refuse_same_file(*piece, output)) return true;
    if (!splitjoin::advance_suffix(name)) return false;
  }
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

  std::optional<File> piece = File::open_read(first);
  if (!piece) {
    report_open_failure(first);
    return;
  }
  if (output_is_a_piece(first, output_path) || !confirm_overwrite(output_path)) return;
  std::optional<File> output = open_output(output_path);
  if (!output) return;

  double start_time = now();
  std::uint16_t count = 0;
  std::int64_t total = 0;
  // The set ends at the first number that cannot be opened, and at .999 at the latest.
  for (std::string name = first; count < splitjoin::max_pieces;) {
    std::optional<File> counted = File::open_read(name);
    if (!counted) break;
    std::int64_t size = counted->measure_size();
    if (size < 0) {
      report_read_error(name);
      return;
    }
    total += size;
    ++count;
    if (!splitjoin::advance_suffix(name)) break;
  }

  const char* label =
      pick("Info : detected %hu files\nTotal filesize : %lli Bytes.\nJoining file, please wait...\n",
           "Informasi : terdeteksi %hu berkas\nJumlah ukuran berkas : %lli Bytes.\nMenggabung berkas, "
           "silahkan tunggu...\n");
  Join join{*output, BlockProgress(total), start_time,
            label ? format(label, count, static_cast<long long>(total)) : std::string()};
  std::string name = first;
  for (std::uint16_t index = 0; index < count; ++index) {
    if (index > 0) {
      splitjoin::advance_suffix(name);
      piece = File::open_read(name);
      // A piece removed since it was counted is not skipped: the output would be silently short.
      if (!piece) {
        report_open_failure(name);
        return;
      }
    }
    if (!join.append(*piece)) return;
    piece->close();
  }
  join.finish();
}

void manual_join() {
  say("total file to join : ", "Jumah berkas untuk digabung : ");
  std::uint16_t count = 0;
  get_num(count);
  if (!splitjoin::piece_count_usable(count, "No file input!", "Tidak ada berkas masukan!")) return;

  std::vector<std::string> paths;
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
    total += size;
    paths.push_back(input->path());
  }

  say("Input path and filename for file output : ",
      "Masukkan alamat dan nama berkas untuk berkas keluaran : ");
  x(2);
  std::optional<std::string> output_path = read_path();
  if (!output_path) return;
  x(7);
  for (const std::string& path : paths) {
    std::optional<File> input = File::open_read(path);
    if (input && refuse_same_file(*input, *output_path)) return;
  }
  if (!confirm_overwrite(*output_path)) return;
  std::optional<File> output = open_output(*output_path);
  if (!output) return;

  double start_time = now();
  const char* label = pick("Total filesize : %lli Bytes.\nJoining file, please wait...\n",
                           "Jumlah ukuran berkas : %lli Bytes.\nMenggabung berkas, silahkan tunggu...\n");
  Join join{*output, BlockProgress(total), start_time,
            label ? format(label, static_cast<long long>(total)) : std::string()};
  for (const std::string& path : paths) {
    std::optional<File> input = File::open_read(path);
    if (!input) {
      report_open_failure(path);
      return;
    }
    if (!join.append(*input)) return;
  }
  join.finish();
}

void join_dialogue() {
  screen_banner("JOIN", "GABUNG", 13);
  x(15);
  say("Select join mode :", "Pilihan mode untuk penggabungan :");
  x(7);
  say("\n1) Automatic Mode\n2) Manual Mode\nChoice : ", "\n1) Mode Otomatis\n2) Mode Manual\nPilihanmu : ");
  std::uint16_t join_mode = 0;
  get_num(join_mode);
  join_mode = static_cast<std::uint16_t>(join_mode - 1);
  if (join_mode > 1) {
    error_text("Invalid Choice!", "Pilihan tidak tersedia!");
    return;
  }
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

#include <optional>
#include <string>

#include "compare/jobs.hpp"
#include "compare/screens.hpp"
#include "shell/banner.hpp"
#include "shell/display.hpp"
#include "shell/file_dialogue.hpp"
#include "shell/input.hpp"
#include "shell/labels.hpp"
#include "shell/progress.hpp"

namespace varnelo {

namespace {

std::string progress_label() {
  return in_language(compare_label);
}

// Prints the verdict of the equality comparison; false when a file could not be read (the
// failure has been reported instead).
bool compare_equality(File& first, File& second, std::int64_t first_size, std::int64_t second_size,
                      double start_time) {
  if (first_size != second_size) {
    x(13);
    say("Filesize is different (unequal file length)\n", "Ukuran berkas berbeda\n");
    x(7);
    sayf("Size of file 1 \"%s\" : %lli Bytes\nSize of file 2 \"%s\" : %lli Bytes\n",
         "Ukuran berkas 1 \"%s\" : %lli Bytes\nUkuran berkas 2 \"%s\" : %lli Bytes\n",
         shown(first.path()).c_str(), static_cast<long long>(first_size), shown(second.path()).c_str(),
         static_cast<long long>(second_size));
    return true;
  }
  const auto display = progress_display(start_time, progress_label());
  EqualityResult result = compare_equal(first, second, first_size, display);
  if (result.fault) {
    report(result.fault);
    return false;
  }
  display(100, result.shown_bytes);
  if (result.difference >= 0) {
    x(13);
    sayf("Files are not equal at position %lli\n", "Isi berkas tidak sama pada posisi ke %lli\n",
         static_cast<long long>(result.difference));
  } else {
    x(10);
    say("Files are equal\n", "Isi kedua berkas sama persis\n");
  }
  x(7);
  return true;
}

// Prints where the smaller file occurs in the larger; false as above.
bool search_containment(File& first, File& second, std::int64_t first_size, std::int64_t second_size,
                        double start_time) {
  // The smaller file is the part; of two equal sizes, file 1 is searched in file 2.
  const bool part_is_first = first_size <= second_size;
  File& part = part_is_first ? first : second;
  File& host = part_is_first ? second : first;
  const std::int64_t part_size = part_is_first ? first_size : second_size;
  const std::int64_t host_size = part_is_first ? second_size : first_size;

  const auto display = progress_display(start_time, progress_label());
  Occurrences result = find_occurrences_in(host, host_size, part, part_size, display);
  if (result.fault) {
    report(result.fault);
    return false;
  }
  display(100, result.shown_bytes);

  const auto count = static_cast<long long>(result.positions.size());
  if (count == 0) {
    x(12);
    if (part_is_first)
      sayf("File 1 \"%s\" is not a part of file 2 \"%s\"\n",
           "Berkas pertama \"%s\" bukan bagian dari berkas kedua \"%s\"\n", shown(first.path()).c_str(),
           shown(second.path()).c_str());
    else
      sayf("File 2 \"%s\" is not a part of file 1 \"%s\"\n",
           "Berkas kedua \"%s\" bukan bagian dari berkas pertama \"%s\"\n", shown(second.path()).c_str(),
           shown(first.path()).c_str());
    x(7);
    return true;
  }
  x(14);
  if (part_is_first)
    sayf("File 1 \"%s\" is part of file 2 \"%s\" in position : \n",
         "Berkas pertama \"%s\" adalah bagian dari berkas kedua \"%s\" pada posisi : \n",
         shown(first.path()).c_str(), shown(second.path()).c_str());
  else
    sayf("File 2 \"%s\" is part of file 1 \"%s\" in position : \n",
         "Berkas kedua \"%s\" adalah bagian dari berkas pertama \"%s\" pada posisi : \n",
         shown(second.path()).c_str(), shown(first.path()).c_str());
  x(10);
  for (std::int64_t start : result.positions)
    sayf("--> From %lli to %lli\n", "--> Dari %lli hingga %lli\n", static_cast<long long>(start),
         static_cast<long long>(start + part_size));
  x(15);
  sayf("Found %lli position.\n", "Ditemukan %lli posisi.\n", count);
  x(7);
  // Without this line a full list would read as if it held every occurrence.
  if (result.rest_unsearched) {
    x(12);
    sayf("Only the first %lli positions are listed; the rest of the file was not searched.\n",
         "Hanya %lli posisi pertama yang ditampilkan; sisa berkas tidak dicari.\n", count);
    x(7);
  }
  return true;
}

void compare_dialogue() {
  screen_banner("COMPARE", "BANDINGKAN", 10);
  std::optional<std::uint16_t> option =
      ask_choice({"Compare Options :", "Opsi Bandingkan :"},
                 {"\n1) Checks is both of this file are exactly same (equal)\n"
                  "2) Checks is this file is a part of another file (partition)\nChoice : ",
                  "\n1) Cek apakah kedua berkas ini benar-benar sama\n"
                  "2) Cek apakah berkas ini adalah bagian dari berkas yang lain\nPilihanmu : "},
                 {.last = 1, .end_line = true});
  if (!option) return;

  say("input path and filename for file 1 : ", "masukkan alamat dan nama berkas pertama : ");
  x(2);
  std::optional<File> first = open_input();
  if (!first) return;
  x(7);
  say("input path and filename for file 2 : ", "masukkan alamat dan nama berkas kedua : ");
  x(2);
  std::optional<File> second = open_input();
  if (!second) return;
  x(7);

  const double start_time = now();
  const std::optional<std::int64_t> first_measured = measure_input(*first);
  if (!first_measured) return;
  const std::optional<std::int64_t> second_measured = measure_input(*second);
  if (!second_measured) return;
  const std::int64_t first_size = *first_measured, second_size = *second_measured;

  if (option == 1 && (first_size == 0 || second_size == 0)) {
    error_text("Could not process empty file!\n", "Tidak dapat memproses berkas kosong!\n");
    return;
  }
  bool finished = option == 0 ? compare_equality(*first, *second, first_size, second_size, start_time)
                              : search_containment(*first, *second, first_size, second_size, start_time);
  // A read failure has been reported instead of a verdict; there is no time to show for it.
  if (finished) running_time(start_time);
}

}  // namespace

// The pause comes after the dialogue has returned, so both files are closed by then.
void compare_screen(Menu& menu) {
  compare_dialogue();
  EOO(menu);
}

}  // namespace varnelo

// The split screen: one file cut into numbered pieces, named from the input path or typed, of
// equal sizes or sizes typed piece by piece.

#include <algorithm>
#include <filesystem>
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
using splitjoin::SizeUnit;

namespace {

// One split after its questions: the open input, the progress of the copy and its display.
struct Split {
  Split(File& file, std::int64_t file_size) : input(file), size(file_size), progress(file_size) {}

  File& input;
  std::int64_t size;
  BlockProgress progress;
  double start_time = 0;
  std::string label;

  void start(const char* english_label, const char* indonesian_label) {
    start_time = now();
    const char* chosen = pick(english_label, indonesian_label);
    label = chosen ? chosen : "";
  }

  // Creates one piece and copies its bytes into it; a failure is reported here.
  bool write_piece(const std::string& name, std::int64_t piece_size) {
    std::optional<File> piece = open_output(name);
    if (!piece) return false;
    CopyResult result = copy_blocks(
        input, *piece, piece_size, progress,
        [this](std::uint16_t percent, std::int64_t done) { progress_bar(start_time, percent, done, label); });
    if (result == CopyResult::read_failed) {
      report_read_error(input.path());
      return false;
    }
    if (result == CopyResult::write_failed || !piece->close()) {
      report_write_error(name);
      return false;
    }
    return true;
  }

  // Pieces named from the input path, each asked about just before it is written.
  bool write_named_pieces(const std::vector<std::int64_t>& sizes) {
    std::string name = splitjoin::first_piece_name(input.path());
    for (std::int64_t piece_size : sizes) {
      if (refuse_same_file(input, name) || !confirm_overwrite(name) || !write_piece(name, piece_size))
        return false;
      splitjoin::advance_suffix(name);
    }
    return true;
  }

  // Pieces under the typed names, already asked about; names beyond the last piece stay untouched.
  bool write_listed_pieces(const std::vector<std::string>& names, const std::vector<std::int64_t>& sizes) {
    for (std::size_t k = 0; k < sizes.size(); ++k)
      if (!write_piece(names[k], sizes[k])) return false;
    return true;
  }

  void finish() {
    progress_bar(start_time, 100, progress.done(), label);
    input.close();
    running_time(start_time);
  }
};

const char* const named_label_english =
    "Info : file output location is in the same folder with file input.\nsplitting file, please wait...\n";
const char* const named_label_indonesian =
    "Informasi : berkas keluaran terletak pada folder yang sama dengan folder berkas masukan.\n"
    "Memotong berkas, silahkan tunggu...\n";
const char* const typed_label_english = "splitting file, please wait...\n";
const char* const typed_label_indonesian = "Memotong berkas, silahkan tunggu...\n";

void invalid_choice() {
  error_text("Invalid Choice!", "Pilihan tidak tersedia!");
}
void memory_management_fail() {
  error_text("Memory management fail!", "Menejemen memori gagal!");
}

// The answers of the size dialogue; each keeps its value from one question to the next, so an
// answer without digits repeats the previous one.
struct SizeDialogue {
  std::int64_t remaining;
  std::uint16_t figure_colour;
  // Each answer keeps its value from one pass to the next, and a line without digits leaves it
  // as it is: the unit as last used (the typed number minus one, after lowering), the size in
  // bytes, the range end as typed.
  std::uint16_t unit = 0;
  std::int64_t size = 0;
  std::uint16_t range_end = 0;
};

// The size question for piece `piece`: unit, what is still available in it, and the size.
// False when the unit answer is out of range (reported here).
bool ask_size(SizeDialogue& dialogue, std::uint16_t piece, std::optional<std::int64_t>& bytes) {
  x(15);
  say("Filesize in :", "Ukuran berkas dalam satuan :");
  x(7);
  say("\n1) Bytes (B)\t2) KiloBytes (KB)\t3) MegaBytes (MB)\nChoice : ",
      "\n1) Byte (B)\t2) KiloByte (KB)\t3) MegaByte (MB)\nPilihanmu : ");
  get_num(dialogue.unit);
  dialogue.unit = static_cast<std::uint16_t>(dialogue.unit - 1);
  if (dialogue.unit > 2) {
    invalid_choice();
    return false;
  }
  SizeUnit used = splitjoin::fitting_unit(static_cast<SizeUnit>(dialogue.unit), dialogue.remaining);
  dialogue.unit = static_cast<std::uint16_t>(used);
  static const char* const available_formats[] = {"%lli Bytes\n", "%lli KB\n", "%lli MB\n"};
  static const char* const unit_names[] = {"Byte (B) : ", "KiloByte (KB) : ", "MegaByte (MB) : "};
  auto index = static_cast<std::size_t>(used);
  x(15);
  say("Available : ", "Tersedia : ");
  x(dialogue.figure_colour);
  putf(available_formats[index], static_cast<long long>(dialogue.remaining / splitjoin::unit_factor(used)));
  x(7);
  sayf("Input filesize for file %hu in ", "Masukkan uhuran berkas untuk berkas ke %hu dalam satuan ", piece);
  put(unit_names[index]);
  get_num64(dialogue.size);
  bytes = splitjoin::size_in_bytes(dialogue.size, used);
  if (bytes) dialogue.size = *bytes;
  return true;
}

// Whether `name` is one of the names already given, however it is spelled: the pieces are
// written in turn, so the later one would replace the earlier.
bool named_before(const std::vector<std::string>& earlier, const std::string& name) {
  auto normal = [](const std::string& path) {
    std::error_code ignored;
    return std::filesystem::absolute(path, ignored).lexically_normal();
  };
  std::filesystem::path wanted = normal(name);
  return std::any_of(earlier.begin(), earlier.end(),
                     [&](const std::string& path) { return normal(path) == wanted; });
}

// Asks for a piece's name until one is given that may be written. An overwrite refused asks
// again (after clearing the window when `clear` is set), and so does a refused name of an
// earlier piece; a name too long or naming the input asks again below its message.
std::string ask_piece_name(const File& input, const std::vector<std::string>& earlier, std::uint16_t piece,
                           bool clear, const char* english, const char* indonesian) {
  bool clear_now = clear;
  for (;;) {
    if (clear_now) cls();
    x(7);
    sayf(english, indonesian, piece);
    x(2);
    std::optional<std::string> name = read_path();
    clear_now = false;
    if (!name || refuse_same_file(input, *name)) continue;
    if (named_before(earlier, *name) ? ask_overwrite(*name) : confirm_overwrite(*name)) return *name;
    clear_now = clear;
  }
}

// Plan 1: names from the input path, sizes typed with a range of pieces each.
void split_named_typed(Split& split, std::uint16_t count) {
  std::vector<std::int64_t> sizes(count);
  SizeDialogue dialogue{split.size, 11};
  std::uint16_t index = 0;
  while (index < count - 1) {
    cls();
    x(3);
    putf("%hu", static_cast<std::uint16_t>(count - index - 1));
    x(7);
    say(" file output remaining (to be configured)\n",
        " berkas keluaran belum diatur untuk ukuran berkasnya\n");
    std::optional<std::int64_t> bytes;
    if (!ask_size(dialogue, static_cast<std::uint16_t>(index + 1), bytes)) return;
    x(7);
    sayf("Apply this filesize for file %hu to file : ",
         "Gunakan ukuran berkas ini untuk berkas ke %hu hingga berkas ke : ",
         static_cast<std::uint16_t>(index + 1));
    get_num(dialogue.range_end);
    while (index < dialogue.range_end && index != count - 1) {
      if (!splitjoin::take_size(dialogue.remaining, bytes)) {
        memory_management_fail();
        return;
      }
      sizes[index++] = *bytes;
    }
  }
  sizes[count - 1] = dialogue.remaining;
  split.start(named_label_english, named_label_indonesian);
  if (split.write_named_pieces(sizes)) split.finish();
}

// Plan 2: names typed, equal sizes.
void split_listed_equal(Split& split, std::uint16_t count) {
  std::vector<std::string> names;
  for (std::uint16_t piece = 1; piece <= count; ++piece)
    names.push_back(ask_piece_name(
        split.input, names, piece, false,
        "Input path and filename for file %hu : ", "Masukan alamat dan nama berkas untuk berkas ke %hu : "));
  split.start(typed_label_english, typed_label_indonesian);
  x(7);
  if (split.write_listed_pieces(names, splitjoin::equal_split(split.size, count))) split.finish();
}

// Plan 3: each piece's name and then its size, the last piece taking what remains.
void split_listed_typed(Split& split, std::uint16_t count) {
  std::vector<std::string> names;
  std::vector<std::int64_t> sizes;
  SizeDialogue dialogue{split.size, 13};
  for (std::uint16_t piece = 1; piece <= count; ++piece) {
    names.push_back(ask_piece_name(split.input, names, piece, true,
                                   "Input path and filename for output file %hu : ",
                                   "Masukan alamat dan nama berkas untuk berkas keluaran ke %hu : "));
    if (piece == count) {
      sizes.push_back(dialogue.remaining);
      x(7);
      break;
    }
    std::optional<std::int64_t> bytes;
    if (!ask_size(dialogue, piece, bytes)) return;
    if (!splitjoin::take_size(dialogue.remaining, bytes)) {
      memory_management_fail();
      return;
    }
    sizes.push_back(*bytes);
  }
  split.start(typed_label_english, typed_label_indonesian);
  if (split.write_listed_pieces(names, sizes)) split.finish();
}

void split_dialogue() {
  screen_banner("SPLIT", "POTONG", 11);
  x(15);
  say("Select split mode :", "Pilihan mode untuk pemotongan :");
  x(7);
  say("\n1) Automatic Mode\n2) Manual Mode\nChoice : ", "\n1) Mode Otomatis\n2) Mode Manual\nPilihanmu : ");
  std::uint16_t split_mode = 0;
  std::uint16_t sizing = 0;
  std::uint16_t count = 0;
  get_num(split_mode);
  split_mode = static_cast<std::uint16_t>(split_mode - 1);
  if (split_mode > 1) {
    invalid_choice();
    return;
  }

  say("Input path and filename to split : ", "Masukkan alamat dan nama berkas untuk dipotong : ");
  x(2);
  std::optional<File> input = open_input(large_path_capacity);
  if (!input) return;
  std::int64_t size = input->measure_size();
  x(7);
  if (size < 0) {
    report_read_error(input->path());
    return;
  }
  // Piece names add four characters to the input path, and they must fit their buffer too.
  if (split_mode == 0 && input->path().size() > splitjoin::max_named_input_path) {
    report_path_too_long();
    return;
  }

  say("Number of file output : ", "Jumlah berkas keluaran : ");
  get_num(count);
  if (!splitjoin::piece_count_usable(count, "No file output!", "Tidak ada berkas keluaren!")) return;
  if (size / count == 0) {
    memory_management_fail();
    return;
  }

  x(15);
  say("Memory management :", "Menejemen memori :");
  x(7);
  say("\n1) Automatic Mode\n2) Manual Mode\nChoice : ", "\n1) Mode Otomatis\n2) Mode Manual\nPilihanmu : ");
  get_num(sizing);
  sizing = static_cast<std::uint16_t>(sizing - 1);
  if (sizing > 1) {
    invalid_choice();
    return;
  }

  Split split(*input, size);
  switch (2 * split_mode + sizing) {
    case 0:
      split.start(named_label_english, named_label_indonesian);
      if (split.write_named_pieces(splitjoin::equal_split(size, count))) split.finish();
      return;
    case 1:
      return split_named_typed(split, count);
    case 2:
      return split_listed_equal(split, count);
    default:
      return split_listed_typed(split, count);
  }
}

}  // namespace

// The pause comes after the dialogue has returned, so every file it opened is closed by then
// (a failed output can be looked at, or removed, while the screen waits).
void split_screen(Menu& menu) {
  split_dialogue();
  EOO(menu);
}

}  // namespace varnelo

// The split screen: one file cut into numbered pieces, named from the input path or typed, of
// equal sizes or sizes typed piece by piece.

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

using splitjoin::SizeUnit;

namespace {

// One split after its questions: the open input, the door its pieces go through, and the
// progress display of the copy.
struct Split {
  Split(File& file, std::int64_t file_size)
      : input(file), size(file_size), door(screen_door(identities({&file}))) {}

  File& input;
  std::int64_t size;
  // A piece name that reaches the file of an earlier one is asked about as a name given twice:
  // the pieces are written in turn, so the later one would replace the earlier.
  OutputDoor door;
  double start_time = 0;
  std::string label;

  void start(const char* english_label, const char* indonesian_label) {
    start_time = now();
    label = in_language({english_label, indonesian_label});
  }

  // Copies the input into pieces of the given sizes and names; those not admitted yet are asked
  // about just before their first byte. Failures are reported here; true when every piece was
  // written and named.
  bool write_pieces(const std::vector<std::int64_t>& sizes, const std::vector<std::string>& names) {
    const splitjoin::SplitOutcome outcome =
        splitjoin::split_file(input, size, sizes, names, door, progress_display(start_time, label));
    if (outcome.refusal) report(outcome.refusal);
    if (outcome.fault) report(outcome.fault);
    return !outcome.refusal && !outcome.fault;
  }

  // Pieces named from the input path. A piece numbered past the last one, left from an earlier
  // split, would be joined with these; it is pointed out.
  bool write_named_pieces(const std::vector<std::int64_t>& sizes) {
    const std::vector<std::string> names = splitjoin::piece_names(input.path(), sizes.size());
    if (!write_pieces(sizes, names)) return false;
    leftover = splitjoin::piece_left_past(names.back()).value_or("");
    return true;
  }

  void finish() {
    progress_bar(start_time, 100, size, label);
    running_time(start_time);
    if (leftover.empty()) return;
    x(12);
    sayf("Note : file \"%s\" was already there; an automatic join would take it in with these pieces.\n",
         "Catatan : berkas \"%s\" sudah ada sebelumnya; penggabungan otomatis akan ikut menggabungkannya "
         "dengan potongan-potongan ini.\n",
         shown(leftover).c_str());
    x(7);
  }

  // The name of a piece that follows the last one written and was there before, if any.
  std::string leftover;
};

const char* const named_label_english =
    "Info : file output location is in the same folder with file input.\nsplitting file, please wait...\n";
const char* const named_label_indonesian =
    "Informasi : berkas keluaran terletak pada folder yang sama dengan folder berkas masukan.\n"
    "Memotong berkas, silahkan tunggu...\n";
const char* const typed_label_english = "splitting file, please wait...\n";
const char* const typed_label_indonesian = "Memotong berkas, silahkan tunggu...\n";

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
  if (!ask_choice({"Filesize in :", "Ukuran berkas dalam satuan :"},
                  {"\n1) Bytes (B)\t2) KiloBytes (KB)\t3) MegaBytes (MB)\nChoice : ",
                   "\n1) Byte (B)\t2) KiloByte (KB)\t3) MegaByte (MB)\nPilihanmu : "},
                  {2}, dialogue.unit))
    return false;
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

// Asks for a piece's name until one is given that may be written. An overwrite refused asks
// again (after clearing the window when `clear` is set), and so does a refused name of an
// earlier piece; a name too long or naming the input asks again below its message.
std::string ask_piece_name(OutputDoor& door, std::uint16_t piece, bool clear, const char* english,
                           const char* indonesian) {
  bool clear_now = clear;
  for (;;) {
    if (clear_now) cls();
    x(7);
    sayf(english, indonesian, piece);
    x(2);
    std::optional<std::string> name = read_path();
    clear_now = false;
    if (!name) continue;
    const Refusal refused = door.admit(*name);
    if (!refused) return *name;
    report(refused);
    if (refused.kind == Refusal::declined) clear_now = clear;
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
    names.push_back(ask_piece_name(split.door, piece, false, "Input path and filename for file %hu : ",
                                   "Masukan alamat dan nama berkas untuk berkas ke %hu : "));
  split.start(typed_label_english, typed_label_indonesian);
  x(7);
  // Names beyond the last piece, when the rounding uses the file up early, stay untouched.
  if (split.write_pieces(splitjoin::equal_split(split.size, count), names)) split.finish();
}

// Plan 3: each piece's name and then its size, the last piece taking what remains.
void split_listed_typed(Split& split, std::uint16_t count) {
  std::vector<std::string> names;
  std::vector<std::int64_t> sizes;
  SizeDialogue dialogue{split.size, 13};
  for (std::uint16_t piece = 1; piece <= count; ++piece) {
    names.push_back(ask_piece_name(split.door, piece, true, "Input path and filename for output file %hu : ",
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
  if (split.write_pieces(sizes, names)) split.finish();
}

void split_dialogue() {
  screen_banner("SPLIT", "POTONG", 11);
  std::optional<std::uint16_t> split_mode =
      ask_choice({"Select split mode :", "Pilihan mode untuk pemotongan :"}, mode_list, {1});
  if (!split_mode) return;
  std::uint16_t count = 0;

  say("Input path and filename to split : ", "Masukkan alamat dan nama berkas untuk dipotong : ");
  x(2);
  std::optional<File> input = open_input(large_path_capacity);
  if (!input) return;
  const std::int64_t size = input->measure_size();
  x(7);
  if (size < 0) {
    report(FileFault::read_of(*input));
    return;
  }
  // Piece names add four characters to the input path, and they must fit their buffer too.
  if (split_mode == 0 && input->path().size() > splitjoin::max_named_input_path) {
    report_path_too_long();
    return;
  }

  say("Number of file output : ", "Jumlah berkas keluaran : ");
  get_num(count);
  if (!piece_count_usable(count, "No file output!", "Tidak ada berkas keluaren!")) return;
  if (size / count == 0) {
    memory_management_fail();
    return;
  }

  std::optional<std::uint16_t> sizing =
      ask_choice({"Memory management :", "Menejemen memori :"}, mode_list, {1});
  if (!sizing) return;

  Split split(*input, size);
  switch (2 * *split_mode + *sizing) {
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

#include <cstdint>
#include <optional>
#include <string>

#include "checksum/jobs.hpp"
#include "checksum/screens.hpp"
#include "shell/banner.hpp"
#include "shell/clipboard.hpp"
#include "shell/display.hpp"
#include "shell/file_dialogue.hpp"
#include "shell/input.hpp"
#include "shell/labels.hpp"
#include "shell/progress.hpp"

namespace varnelo {

namespace {

// The clipboard block holds 1000 bytes with the terminator; a longer result is not offered.
constexpr std::size_t clip_limit = 999;

struct BlockHashTexts {
  const char* lead_in[2];
  const char* tail[2];
  const char* clip_template[2];
  const char* copied[2];
};

const BlockHashTexts sha2_texts = {
    {"SHA-2 (%hu bit) Checksum for file ", "Ceksum SHA-2 (%hu bit) untuk berkas "},
    {" is :\n", " adalah :\n"},
    {"SHA-2 (%hu bit) Checksum for file %s is :\n", "Ceksum SHA-2 (%hu bit) untuk berkas %s adalah :\n"},
    {"SHA-2 Checksum has been copied to clipboard.", "Ceksum SHA-2 telah disalin ke papanklip."},
};
const BlockHashTexts sha1_texts = {
    {"SHA-1 Checksum for file ", "Ceksum SHA-1 untuk berkas "},
    {" is :\n", " adalah :\n"},
    {"SHA-1 Checksum for file %s is :\n", "Ceksum SHA-1 untuk berkas %s adalah :\n"},
    {"SHA-1 Checksum has been copied to clipboard.", "Ceksum SHA-1 telah disalin ke papanklip."},
};
const BlockHashTexts ripemd160_texts = {
    {"RIPEMD-160 Checksum for file ", "Ceksum RIPEMD-160 untuk berkas "},
    {" is :\n", " adalah :\n"},
    {"RIPEMD-160 Checksum for file %s is :\n", "Ceksum RIPEMD-160 untuk berkas %s adalah :\n"},
    {"RIPEMD-160 Checksum has been copied to clipboard.", "Ceksum RIPEMD-160 telah disalin ke papanklip."},
};
const BlockHashTexts md5_texts = {
    {"MD5 Checksum for file ", "Ceksum MD5 untuk berkas "},
    {" is : ", " adalah : "},
    {"MD5 Checksum for file %s is : ", "Ceksum MD5 untuk berkas %s adalah : "},
    {"MD5 Checksum has been copied to clipboard.", "Ceksum MD5 telah disalin ke papanklip."},
};

// Offers the result text and confirms a copy; a text too long for the clipboard block is not
// offered at all.
void offer_clipboard(const std::string& text, const char* copied_english, const char* copied_indonesian) {
  if (text.size() > clip_limit) return;
  if (clip(text) != 0) return;
  x(11);
  say(copied_english, copied_indonesian);
  x(7);
}

// The whole file through the hashing job under the progress display, which is completed;
// nullopt after a read error.
std::optional<std::string> hash_whole_file(File& file, Algorithm algorithm, double start_time,
                                           const std::string& label) {
  const std::optional<std::int64_t> length = measure_input(file);
  if (!length) return std::nullopt;
  Digests hashed = hash_file(file, *length, {algorithm}, progress_display(start_time, label));
  if (hashed.fault) {
    report(hashed.fault);
    return std::nullopt;
  }
  progress_bar(start_time, 100, hashed.shown_bytes, label);
  return hashed.digests[0];
}

// MD5, SHA-1, SHA-2 and RIPEMD-160: the whole file through the job, then the result.
void run_block_hash(File& file, Algorithm algorithm, std::uint16_t width, const BlockHashTexts& texts,
                    const std::string& label) {
  double start_time = now();
  std::optional<std::string> found = hash_whole_file(file, algorithm, start_time, label);
  if (!found) return;
  const std::string& digits = *found;

  const std::string& path = file.path();
  x(7);
  sayf(texts.lead_in[0], texts.lead_in[1], width);
  x(2);
  put(shown(path));
  x(7);
  say(texts.tail[0], texts.tail[1]);
  x(10);
  put(digits);
  x(7);
  put("\n");
  running_time(start_time);
  const char* clip_template = pick(texts.clip_template[0], texts.clip_template[1]);
  if (!clip_template) return;
  // Only the SHA-2 texts name a width.
  std::string text =
      width != 0 ? format(clip_template, width, path.c_str()) : format(clip_template, path.c_str());
  offer_clipboard(text + digits, texts.copied[0], texts.copied[1]);
}

void run_checksum64(File& file, const std::string& label) {
  double start_time = now();
  progress_bar(start_time, 0, 0, label);
  std::optional<std::string> found = hash_whole_file(file, Algorithm::checksum64, start_time, label);
  if (!found) return;
  // Shown without its leading zeros.
  const unsigned long long value = std::stoull(*found, nullptr, 16);

  const std::string& path = file.path();
  x(7);
  say("Checksum for file ", "Ceksum (kode sidik jari) dari file ");
  x(2);
  put(shown(path));
  x(7);
  say(" is : ", " adalah : ");
  x(10);
  putf("%llx\n", value);
  x(7);
  // The clipboard text is English in both languages.
  offer_clipboard(format("Checksum for file %s is : %llx\n", path.c_str(), value),
                  "Checksum has been copied to clipboard.", "Ceksum telah disalin ke papanklip.");
  running_time(start_time);
}

void checksum_dialogue() {
  screen_banner("CHECKSUM", "CEKSUM", 12);
  std::optional<std::uint16_t> type = ask_choice(
      {"Checksum type :", "Jenis Ceksum :"},
      {"\n1) SHA-2 Checksum (224-512 bit)\n2) SHA-1 Checksum (160 bit)\n"
       "3) RIPEMD-160 Checksum (160 bit)\n4) MD5 Checksum (128 bit)\n5) Checksum64 (64 bit)\nChoice : ",
       "\n1) Ceksum SHA-2 (224-512 bit)\n2) Ceksum SHA-1 (160 bit)\n"
       "3) Ceksum RIPEMD-160 (160 bit)\n4) Ceksum MD5 (128 bit)\n5) Ceksum64 (64-bit)\nPilihanmu : "},
      {4});
  if (!type) return;

  say("input path and filename to check : ", "masukkan alamat dan nama berkas untuk dicek : ");
  x(2);
  std::optional<File> file = open_input(large_path_capacity);
  if (!file) return;
  x(7);

  std::optional<std::uint16_t> variant = 0;
  if (type == 0) {
    variant = ask_choice({"Select SHA-2 Checksum type :", "Pilih jenis ceksum SHA-2 :"},
                         {"\n1) 512 bit\n2) 384 bit\n3) 256 bit\n4) 224 bit\nChoice : ",
                          "\n1) 512 bit\n2) 384 bit\n3) 256 bit\n4) 224 bit\nPilihanmu : "},
                         {3});
    if (!variant) return;
  }

  const std::string label = in_language(type == 0 ? sha2_checksum_label : checksum_label);
  switch (*type) {
    case 0: {
      static constexpr Algorithm variants[4] = {Algorithm::sha512, Algorithm::sha384, Algorithm::sha256,
                                                Algorithm::sha224};
      // Variants 0 and 1 are the 64-bit engine, 2 and 3 the 32-bit one; the low bit shortens.
      const std::uint16_t v = *variant;
      std::uint16_t width = v < 2 ? static_cast<std::uint16_t>((4 - (v & 1)) * 128)
                                  : static_cast<std::uint16_t>((8 - (v & 1)) * 32);
      return run_block_hash(*file, variants[v], width, sha2_texts, label);
    }
    case 1:
      return run_block_hash(*file, Algorithm::sha1, 0, sha1_texts, label);
    case 2:
      return run_block_hash(*file, Algorithm::ripemd160, 0, ripemd160_texts, label);
    case 3:
      return run_block_hash(*file, Algorithm::md5, 0, md5_texts, label);
    default:
      return run_checksum64(*file, label);
  }
}

}  // namespace

// The pause comes after the dialogue has returned, so the file it opened is closed by then.
void checksum_screen(Menu& menu) {
  checksum_dialogue();
  EOO(menu);
}

}  // namespace varnelo

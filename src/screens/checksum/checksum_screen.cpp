#include <cstdint>
#include <optional>
#include <string>

#include "checksum/block_hash.hpp"
#include "checksum/checksum64.hpp"
#include "checksum/screens.hpp"
#include "io/block_pump.hpp"
#include "shell/banner.hpp"
#include "shell/clipboard.hpp"
#include "shell/display.hpp"
#include "shell/file_dialogue.hpp"
#include "shell/input.hpp"
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

// MD5, SHA-1, SHA-2 and RIPEMD-160: the whole file through the engine, then the result.
void run_block_hash(File& file, HashKind kind, std::uint16_t width, const BlockHashTexts& texts,
                    const std::string& label) {
  double start_time = now();
  std::int64_t length = file.measure_size();
  if (length < 0) return report_read_error(file.path());
  BlockHash hash(kind);
  const std::uint64_t block = hash.block_size();
  const auto size = static_cast<std::uint64_t>(length);
  // The padded message: the data, 0x80, zeros and the length field, in whole blocks; the
  // percentage counts it against the data and one block more.
  const std::uint64_t blocks = (size + 1 + block / 8 + block - 1) / block;
  // A second thread reads ahead: the system's copy out of the file is several times faster than
  // the block hashes, and overlapping the two hides it.
  BlockPump pump({.unit = block,
                  .progress = {.divisor = size + block},
                  .buffer_size = std::size_t{1} << 20,
                  .buffers = 2,
                  .units_end = blocks * block});
  pump.show = progress_display(start_time, label);
  pump.take = [&](std::span<std::uint8_t> bytes) {
    hash.update(bytes.data(), bytes.size());
    return Flow::go_on();
  };
  if (!pump.run(file, length).complete()) return report_read_error(file.path());
  std::string digits = hex_digits(hash.finish());
  progress_bar(start_time, 100, static_cast<std::int64_t>(blocks * block), label);

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
  std::string text = kind == HashKind::sha512 || kind == HashKind::sha384 || kind == HashKind::sha256 ||
                             kind == HashKind::sha224
                         ? format(clip_template, width, path.c_str())
                         : format(clip_template, path.c_str());
  offer_clipboard(text + digits, texts.copied[0], texts.copied[1]);
}

void run_checksum64(File& file, const std::string& label) {
  double start_time = now();
  progress_bar(start_time, 0, 0, label);
  std::int64_t length = file.measure_size();
  if (length < 0) return report_read_error(file.path());
  Checksum64 checksum;
  // The sum outruns the system's copy, so the file is read in turn in buffers that stay in the
  // caches nearest the core; a second thread would only move every byte between caches.
  BlockPump pump({.unit = 1,
                  .progress = {.divisor = static_cast<std::uint64_t>(length), .first_call_forced = false},
                  .buffer_size = std::size_t{1} << 16});
  pump.show = progress_display(start_time, label);
  pump.take = [&](std::span<std::uint8_t> bytes) {
    checksum.update(bytes.data(), bytes.size());
    return Flow::go_on();
  };
  if (!pump.run(file, length).complete()) return report_read_error(file.path());
  progress_bar(start_time, 100, length, label);
  const unsigned long long value = checksum.value();

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

  const char* chosen_label =
      type == 0 ? pick("Generating SHA-2 checksum, please wait...\n",
                       "Menciptakan ceksum SHA-2, silahkan tunggu...\n")
                : pick("Generating checksum, please wait...\n", "Menciptakan ceksum, silahkan tunggu...\n");
  const std::string label = chosen_label ? chosen_label : "";
  switch (*type) {
    case 0: {
      static constexpr HashKind variants[4] = {HashKind::sha512, HashKind::sha384, HashKind::sha256,
                                               HashKind::sha224};
      // Variants 0 and 1 are the 64-bit engine, 2 and 3 the 32-bit one; the low bit shortens.
      const std::uint16_t v = *variant;
      std::uint16_t width = v < 2 ? static_cast<std::uint16_t>((4 - (v & 1)) * 128)
                                  : static_cast<std::uint16_t>((8 - (v & 1)) * 32);
      return run_block_hash(*file, variants[v], width, sha2_texts, label);
    }
    case 1:
      return run_block_hash(*file, HashKind::sha1, 0, sha1_texts, label);
    case 2:
      return run_block_hash(*file, HashKind::ripemd160, 0, ripemd160_texts, label);
    case 3:
      return run_block_hash(*file, HashKind::md5, 0, md5_texts, label);
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

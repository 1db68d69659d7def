#include "acceptance.hpp"

#include <cstdlib>
#include <initializer_list>

#include "shell/banner.hpp"

namespace varnelo::acceptance {

namespace {

bool is_digit(char c) {
  return c >= '0' && c <= '9';
}

// A unit after a figure, and whether that figure has two decimals ("%.2lf") or none ("%.0lf").
struct Unit {
  std::string_view text;
  bool decimals;
};

// Masks every "prefix FIGURE unit" where the figure has the form its unit is printed with.
void mask(std::string& text, std::string_view prefix, std::initializer_list<Unit> units,
          std::string_view marker) {
  for (std::size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
    std::size_t figure = at + prefix.size();
    std::size_t end = figure;
    while (end < text.size() && is_digit(text[end]))
      ++end;
    if (end == figure) continue;
    bool decimals =
        end + 2 < text.size() && text[end] == '.' && is_digit(text[end + 1]) && is_digit(text[end + 2]);
    if (decimals) end += 3;
    for (const Unit& unit : units) {
      if (unit.decimals == decimals && text.compare(end, unit.text.size(), unit.text) == 0) {
        text.replace(figure, end - figure + unit.text.size(), marker);
        break;
      }
    }
  }
}

}  // namespace

Outcome run(const std::string& typed, const testing::TempDir& dir) {
  // Without a desktop the program keeps its own clipboard, which pairs a copy with a later "?".
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  testing::ProcessResult result = testing::run_binary(typed, dir.root(), 20);
  EXPECT_FALSE(result.timed_out) << typed;
  return {result.exit_code, with_timings_masked(result.output)};
}

std::string with_timings_masked(std::string output) {
  mask(output, "Average process speed : ",
       {{" MB per second.", true}, {" KB per second.", true}, {" Bytes per second.", false}}, "{speed}");
  mask(output, "Kecepatan proses rata-rata : ",
       {{" MB per detik.", true}, {" KB per detik.", true}, {" Byte per detik.", false}}, "{speed}");
  mask(output, "Running time : ", {{" seconds.", true}}, "{time}");
  mask(output, "Waktu proses : ", {{" detik.", true}}, "{time}");
  return output;
}

std::string logo(std::uint16_t version_lang) {
  return testing::run_dialogue("", version_lang, [] { print_logo(); }).text();
}

std::string banner(std::string_view word) {
  return testing::run_dialogue("", 0, [&] { print_banner(word, 7); }).text();
}

namespace {

std::string menu_body(Language language) {
  return pick(language,
              "Main Menu :\n0) Extra feature\n1) Split\n2) Join\n3) Compare\n4) Checksum\n5) About\n6) Exit\n"
              "Choice : ",
              "Menu utama :\n0) Fitur tambahan\n1) Potong data menjadi beberapa bagian\n"
              "2) Gabung data yang terpotong\n3) Bandingkan dua data\n4) Ceksum (sidik jari data)\n"
              "5) Tentang program ini\n6) Keluar dari program ini\nPilihanmu : ");
}

}  // namespace

std::string start(Language language) {
  return logo(2) +
         "Choose your language (Pilih bahasamu) :\n1) English (Ingris)\n2) Indonesian (Indonesia)\n"
         "Choice (Pilihanmu) : " +
         logo(language) +
         pick(language, "Welcome to Varnelo_v0.1\n-----------------\n",
              "Selamat datang di Varnelo_v0.1\n-----------------\n") +
         menu_body(language);
}

std::string main_menu(Language language) {
  return logo(language) + menu_body(language);
}

std::string extra_menu(Language language) {
  return logo(language) +
         pick(
             language,
             "Extra Feature :\n0) Change Langguange\n1) Encrypt file\n2) Decrypt file\n3) Encode\n4) Decode\n"
             "5) Main Menu\n6) Exit\nChoice : ",
             "Fitur Tambahan :\n0) Ubah Bahasa\n"
             "1) Enkripsi data (lindungi suatu data dengan kunci berupa berkas/teks)\n"
             "2) Dekripsi data (buka suatu data yang terkunci dengan kunci berupa berkas/teks)\n"
             "3) Enkode data (Sandikan suatu data menjadi sandi teks)\n"
             "4) Dekode sandi (Kembalikan suatu sandi kembali menjadi data sebenarnya)\n"
             "5) Kembali ke menu utama\n6) Keluar dari program ini\nPilihanmu : ");
}

std::string pause(Language language) {
  return pick(language, "press enter to continue...", "tekan enter untuk melanjutkan...");
}

std::string progress_start(Language language, std::string_view label) {
  return std::string(label) + pick(language, "Progress : <", "Kemajuan : <") + std::string(50, ' ') +
         ">(0%)\n";
}

std::string completion(Language language) {
  return pick(language, "Progress : <", "Kemajuan : <") + std::string(50, '=') + ">(100%)\n" +
         pick(language, "Average process speed : {speed}\nCompleted!\n",
              "Kecepatan proses rata-rata : {speed}\nSelesai!\n");
}

std::string running_time(Language language) {
  return pick(language, "Running time : {time}\n", "Waktu proses : {time}\n");
}

}  // namespace varnelo::acceptance

#include "shell/menus.hpp"

#include <cstdint>

#include "shell/banner.hpp"
#include "shell/display.hpp"

namespace varnelo {

namespace {

constexpr const char* web_address = "www.varnelo.example";
constexpr const char* mail_address = "halbrecht@varnelo.example";

// Reads one last character before an ending; the ending's exit code stands even when
// standard input has already ended.
void wait_before_exit() {
  try {
    read_char();
  } catch (const EndOfInput&) {
  }
}

// The language question of start-up and of the extra-feature menu; true when the answer names
// an installed language.
bool ask_language() {
  x(15);
  put("Choose your language (Pilih bahasamu) :");
  x(7);
  put("\n1) English (Ingris)\n2) Indonesian (Indonesia)\nChoice (Pilihanmu) : ");
  get_num(lang);
  lang = static_cast<std::uint16_t>(lang - 1);
  return lang <= 1;
}

void language_error() {
  mode(69, 2);
  x(206);
  put("error(1) (galat(1)) : ");
  x(12);
  put("Language not installed (Bahasa tidak tersedia)");
  x(7);
  put("\npress enter to exit (tekan enter untuk keluar)...");
  wait_before_exit();
}

int too_many_invalid_choices() {
  cls();
  x(15);
  say("error(2) : ", "galat(2) : ");
  x(12);
  say("Too many invalid choice", "Pilihan anda salah berkali-kali hingga melebihi batas");
  x(7);
  say("\npress enter to exit...", "\ntekan enter untuk keluar...");
  wait_before_exit();
  return 2;
}

int internal_error() {
  x(15);
  say("error(3) : ", "galat(3) : ");
  x(12);
  std::string english = std::string("There is an error in this program! please contact halbrecht (") +
                        mail_address + ")\npress enter to exit...";
  std::string indonesian = std::string("Ada masalah pada program ini! tolong beritau halbrecht di (") +
                           mail_address + ")\ntekan enter untuk keluar...";
  say(english.c_str(), indonesian.c_str());
  x(7);
  wait_before_exit();
  return 3;
}

void about_screen(Menu& menu) {
  mode(90, 24);
  print_logo();
  x(15);
  put("Varnelo");
  x(7);
  put(" \n");
  say("For more information, please visit ", "Untuk informasi lebih lanjut, kunjungi : ");
  x(9);
  putf("%s\n", web_address);
  x(7);
  say("If you have problems in this program, please send email to me at ",
      "Jika anda mengalami masalah dalam program ini, kirim email ke : ");
  x(9);
  putf("%s\n", mail_address);
  x(7);
  EOO(menu);
}

void print_main_menu() {
  if (lang == 0) {
    x(15);
    put("Main Menu :\n");
    x(9);
    put("0) Extra feature");
    x(7);
    put("\n1) Split\n2) Join\n3) Compare\n4) Checksum\n5) About\n6) Exit\n");
  } else if (lang == 1) {
    x(15);
    put("Menu utama :\n");
    x(9);
    put("0) Fitur tambahan");
    x(7);
    put("\n1) Potong data menjadi beberapa bagian\n");
    put("2) Gabung data yang terpotong\n3) Bandingkan dua data\n4) Ceksum (sidik jari data)\n"
        "5) Tentang program ini\n6) Keluar dari program ini\n");
  }
}

void print_extra_menu() {
  x(15);
  say("Extra Feature :", "Fitur Tambahan :");
  x(7);
  if (lang == 0) {
    put("\n0) Change Langguange\n1) Encrypt file\n2) Decrypt file\n");
    put("3) Encode\n4) Decode\n5) Main Menu\n6) Exit\n");
  } else if (lang == 1) {
    put("\n0) Ubah Bahasa\n1) Enkripsi data (lindungi suatu data dengan kunci berupa berkas/teks)\n");
    put("2) Dekripsi data (buka suatu data yang terkunci dengan kunci berupa berkas/teks)\n"
        "3) Enkode data (Sandikan suatu data menjadi sandi teks)\n");
    put("4) Dekode sandi (Kembalikan suatu sandi kembali menjadi data sebenarnya)\n5) Kembali ke menu utama\n"
        "6) Keluar dari program ini\n");
  }
}

// The choice prompt of both menus, typed in colour 2.
void read_choice(Menu& menu) {
  say("Choice : ", "Pilihanmu : ");
  x(2);
  get_num(menu.choice);
  x(7);
}

int main_menu(const Screens& screens) {
  Menu menu;
  std::uint16_t first_pass = 1;
  for (;;) {
    if (menu.invalid_count == 0) mode(64, static_cast<std::uint16_t>(29 + 2 * first_pass));
    print_logo();
    if (first_pass == 1) {
      x(15);
      say("Welcome to Varnelo_v0.1", "Selamat datang di Varnelo_v0.1");
      x(7);
      put("\n-----------------\n");
      first_pass = 0;
    }
    print_main_menu();
    read_choice(menu);
    if (menu.choice >= 1 && menu.choice <= 4) mode(95, 40);
    switch (menu.choice) {
      case 0:
        switch (extra_feature(screens)) {
          case 4:
            return too_many_invalid_choices();
          case 5:
            menu.invalid_count = 0;
            break;
          case 6:
            return 0;
          case 7:
            return 1;
          default:
            return internal_error();
        }
        break;
      case 1:
        screens.split(menu);
        break;
      case 2:
        screens.join(menu);
        break;
      case 3:
        screens.compare(menu);
        break;
      case 4:
        screens.checksum(menu);
        break;
      case 5:
        about_screen(menu);
        break;
      case 6:
        return 0;
      default:
        mode(static_cast<std::uint16_t>(64 + 2 * lang), 30);
        if (++menu.invalid_count == 9) return too_many_invalid_choices();
        x(12);
        say("Invalid choice! please try again\n",
            "Fitur yang anda pilih tidak tersedia! coba lagi pilihan yang lain\n");
        x(7);
        break;
    }
  }
}

}  // namespace

int extra_feature(const Screens& screens) {
  Menu menu;
  for (;;) {
    if (menu.invalid_count == 0) mode(static_cast<std::uint16_t>(64 + 17 * lang), 29);
    print_logo();
    print_extra_menu();
    read_choice(menu);
    if (menu.choice <= 4) mode(95, 40);
    switch (menu.choice) {
      case 0:
        print_banner("LANGUAGE", 14);
        print_banner("(BAHASA)", 14);
        if (!ask_language()) {
          language_error();
          return 7;
        }
        menu = Menu{};
        break;
      case 1:
        screens.encrypt(menu);
        break;
      case 2:
        screens.decrypt(menu);
        break;
      case 3:
        screens.encode(menu);
        break;
      case 4:
        screens.decode(menu);
        break;
      case 5:
        return 5;
      case 6:
        return 6;
      default:
        mode(static_cast<std::uint16_t>(64 + 17 * lang), 30);
        if (++menu.invalid_count == 9) return 4;
        x(4);
        say("Invalid choice! please try again\n",
            "Fitur yang anda pilih tidak tersedia! coba lagi pilihan yang lain\n");
        x(7);
        break;
    }
  }
}

int run_program(const Screens& screens) {
  try {
    mode(64, 24);
    lang = 2;
    print_logo();
    if (!ask_language()) {
      language_error();
      return 1;
    }
    return main_menu(screens);
  } catch (const EndOfInput&) {
    return 0;
  }
}

}  // namespace varnelo

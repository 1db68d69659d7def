#include "crypt/screens.hpp"
#include "shell/display.hpp"
#include "shell/file_dialogue.hpp"
#include "shell/input.hpp"

#include "crypt/crypt_screens.hpp"
#include "shell/banner.hpp"

namespace varnelo {

namespace {

// What tells the encrypt screen from the decrypt screen; the dialogue is the same.
struct CipherDialogue {
  Both banner;
  std::uint16_t banner_colour;
  Both mode_title;
  Both mode_list;
  Both type_title;
  Both type_list;
  Both path_prompt;
  bool decrypt;
};

// A decryption's type is doubled in 16 bits (subtraction is operation 2), so 32,769 and 32,770
// land on 0 and 2 as well.
std::uint16_t doubled(std::uint16_t type) {
  return static_cast<std::uint16_t>(type * 2);
}

void cipher_dialogue(const CipherDialogue& dialogue) {
  screen_banner(dialogue.banner.english, dialogue.banner.indonesian, dialogue.banner_colour);
  std::optional<std::uint16_t> key_mode =
      ask_choice(dialogue.mode_title, dialogue.mode_list, {.last = 1, .end_line = true});
  if (!key_mode) return;
  std::optional<std::uint16_t> type =
      dialogue.decrypt
          ? ask_choice(dialogue.type_title, dialogue.type_list, {.last = 2, .end_line = true, .map = doubled})
          : ask_choice(dialogue.type_title, dialogue.type_list, {.last = 1, .end_line = true});
  if (!type) return;
  say(dialogue.path_prompt);
  x(2);
  if (key_mode == 0)
    cryp_txt_mode(*type);
  else
    cryp_data_mode(*type);
}

// The pause comes after the dialogue has returned, so every file it opened is closed by then.
void cipher_screen(Menu& menu, const CipherDialogue& dialogue) {
  cipher_dialogue(dialogue);
  EOO(menu);
}

}  // namespace

void encrypt_screen(Menu& menu) {
  cipher_screen(menu,
                {
                    .banner = {"ENCRYPT", "ENKRIPSI"},
                    .banner_colour = 12,
                    .mode_title = {"Select encrypt mode :", "Pilih mode enkripsi :"},
                    .mode_list = {"\n1) Encrypt a file with plain text Key\n"
                                  "2) Encrypt a file with another file as a key\nChoice : ",
                                  "\n1) Meng-enkripsi sebuah berkas dengan teks biasa sebagai kuncinya\n"
                                  "2) Meng-enkripsi sebuah berkas dengan berkas lainnya sebagai kuncinya\n"
                                  "Pilihamu : "},
                    .type_title = {"Select encryption type :", "Pilih jenis enkripsi :"},
                    .type_list = {"\n1) XOR Encryption\n2) One-time-pad Encryption\nChoice : ",
                                  "\n1) Enkripsi XOR\n2) Enkripsi One-time-pad\nPilihanmu : "},
                    .path_prompt = {"Input path and filename for file to encrypt : ",
                                    "Masukkan alamat dan nama berkas untuk berkas yang akan di enkripsi : "},
                    .decrypt = false,
                });
}

void decrypt_screen(Menu& menu) {
  cipher_screen(menu,
                {
                    .banner = {"DECRYPT", "DEKRIPSI"},
                    .banner_colour = 10,
                    .mode_title = {"Select decrypt Mode :", "Pilih mode dekripsi :"},
                    .mode_list = {"\n1) Decrypt a file with plain text Key\n"
                                  "2) Decrypt a file with another file as a key\nChoice : ",
                                  "\n1) Mendekripsi sebuah berkas dengan teks biasa sebagai kuncinya\n"
                                  "2) Mendekripsi sebuah berkas dengan berkas lainnya sebagai kuncinya\n"
                                  "Pilihamu : "},
                    .type_title = {"Select decryption type :", "Pilih jenis dekripsi :"},
                    .type_list = {"\n1) XOR Decryption\n2) One-time-pad Decryption\nChoice : ",
                                  "\n1) Dekripsi XOR\n2) Dekripsi One-time-pad\nPilihanmu : "},
                    .path_prompt = {"Input path and filename for file to decrypt : ",
                                    "Masukkan alamat dan nama berkas untuk berkas yang akan di dekripsi : "},
                    .decrypt = true,
                });
}

}  // namespace varnelo

#include "shell/screens.hpp"

#include "crypt/crypt_screens.hpp"
#include "shell/banner.hpp"

namespace varnelo {

namespace {

void invalid_choice() {
  error_text("Invalid Choice!\n", "Pilihan tidak tersedia!\n");
}

void hand_over(std::uint16_t key_mode, std::uint16_t operation) {
  if (key_mode == 0)
    cryp_txt_mode(operation);
  else
    cryp_data_mode(operation);
}

}  // namespace

void encrypt_screen(Menu& menu) {
  screen_banner("ENCRYPT", "ENKRIPSI", 12);
  x(15);
  say("Select encrypt mode :", "Pilih mode enkripsi :");
  x(7);
  say("\n1) Encrypt a file with plain text Key\n2) Encrypt a file with another file as a key\nChoice : ",
      "\n1) Meng-enkripsi sebuah berkas dengan teks biasa sebagai kuncinya\n"
      "2) Meng-enkripsi sebuah berkas dengan berkas lainnya sebagai kuncinya\nPilihamu : ");
  std::uint16_t key_mode = 0;
  std::uint16_t type = 0;
  get_num(key_mode);
  key_mode = static_cast<std::uint16_t>(key_mode - 1);
  if (key_mode > 1) {
    invalid_choice();
    EOO(menu);
    return;
  }
  x(15);
  say("Select encryption type :", "Pilih jenis enkripsi :");
  x(7);
  say("\n1) XOR Encryption\n2) One-time-pad Encryption\nChoice : ",
      "\n1) Enkripsi XOR\n2) Enkripsi One-time-pad\nPilihanmu : ");
  get_num(type);
  type = static_cast<std::uint16_t>(type - 1);
  if (type > 1) {
    invalid_choice();
    EOO(menu);
    return;
  }
  say("Input path and filename for file to encrypt : ",
      "Masukkan alamat dan nama berkas untuk berkas yang akan di enkripsi : ");
  x(2);
  hand_over(key_mode, type);
  EOO(menu);
}

void decrypt_screen(Menu& menu) {
  screen_banner("DECRYPT", "DEKRIPSI", 10);
  x(15);
  say("Select decrypt Mode :", "Pilih mode dekripsi :");
  x(7);
  say("\n1) Decrypt a file with plain text Key\n2) Decrypt a file with another file as a key\nChoice : ",
      "\n1) Mendekripsi sebuah berkas dengan teks biasa sebagai kuncinya\n"
      "2) Mendekripsi sebuah berkas dengan berkas lainnya sebagai kuncinya\nPilihamu : ");
  std::uint16_t key_mode = 0;
  std::uint16_t type = 0;
  get_num(key_mode);
  key_mode = static_cast<std::uint16_t>(key_mode - 1);
  if (key_mode > 1) {
    invalid_choice();
    EOO(menu);
    return;
  }
  x(15);
  say("Select decryption type :", "Pilih jenis dekripsi :");
  x(7);
  say("\n1) XOR Decryption\n2) One-time-pad Decryption\nChoice : ",
      "\n1) Dekripsi XOR\n2) Dekripsi One-time-pad\nPilihanmu : ");
  get_num(type);
  // Doubled in 16 bits, so 32,769 and 32,770 land on 0 and 2 as well.
  type = static_cast<std::uint16_t>(static_cast<std::uint16_t>(type - 1) * 2);
  if (type > 2) {
    invalid_choice();
    EOO(menu);
    return;
  }
  say("Input path and filename for file to decrypt : ",
      "Masukkan alamat dan nama berkas untuk berkas yang akan di dekripsi : ");
  x(2);
  hand_over(key_mode, type);
  EOO(menu);
}

}  // namespace varnelo

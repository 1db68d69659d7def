// Encrypt and decrypt sessions: both questions, both key kinds, the failures the ciphers
// report, and the bytes written.
#include <string>
#include <vector>

#include "acceptance.hpp"

namespace varnelo::acceptance {
namespace {

using testing::pattern_bytes;
using testing::TempDir;

enum Screen { encrypt, decrypt };

std::string head(Language language, Screen screen) {
  if (screen == encrypt)
    return banner(language == english ? "ENCRYPT" : "ENKRIPSI") +
           pick(language,
                "Select encrypt mode :\n1) Encrypt a file with plain text Key\n"
                "2) Encrypt a file with another file as a key\nChoice : ",
                "Pilih mode enkripsi :\n1) Meng-enkripsi sebuah berkas dengan teks biasa sebagai kuncinya\n"
                "2) Meng-enkripsi sebuah berkas dengan berkas lainnya sebagai kuncinya\nPilihamu : ");
  return banner(language == english ? "DECRYPT" : "DEKRIPSI") +
         pick(language,
              "Select decrypt Mode :\n1) Decrypt a file with plain text Key\n"
              "2) Decrypt a file with another file as a key\nChoice : ",
              "Pilih mode dekripsi :\n1) Mendekripsi sebuah berkas dengan teks biasa sebagai kuncinya\n"
              "2) Mendekripsi sebuah berkas dengan berkas lainnya sebagai kuncinya\nPilihamu : ");
}

std::string type_question(Language language, Screen screen) {
  if (screen == encrypt)
    return pick(language,
                "Select encryption type :\n1) XOR Encryption\n2) One-time-pad Encryption\nChoice : ",
                "Pilih jenis enkripsi :\n1) Enkripsi XOR\n2) Enkripsi One-time-pad\nPilihanmu : ");
  return pick(language, "Select decryption type :\n1) XOR Decryption\n2) One-time-pad Decryption\nChoice : ",
              "Pilih jenis dekripsi :\n1) Dekripsi XOR\n2) Dekripsi One-time-pad\nPilihanmu : ");
}

std::string input_prompt(Language language, Screen screen) {
  if (screen == encrypt)
    return pick(language, "Input path and filename for file to encrypt : ",
                "Masukkan alamat dan nama berkas untuk berkas yang akan di enkripsi : ");
  return pick(language, "Input path and filename for file to decrypt : ",
              "Masukkan alamat dan nama berkas untuk berkas yang akan di dekripsi : ");
}

std::string key_prompt(Language language) {
  return pick(language, "Input text key : ", "Masukkan kunci teks : ");
}

std::string key_file_prompt(Language language) {
  return pick(language, "Input path and filename for file key : ",
              "Masukkan alamat dan nama berkas untuk berkas yang berperan sebagai kunci : ");
}

std::string output_prompt(Language language) {
  return pick(language, "Input path and filename for file output : ",
              "Masukkan alamat dan nama berkas untuk berkas keluaran : ");
}

std::string processed(Language language) {
  return progress_start(language, pick(language, "Processing, please wait...\n",
                                       "Sedang diproses, silahkan tunggu...\n")) +
         completion(language) + running_time(language);
}

// The byte rule with the key repeating from the start of the file: 0 XOR, 1 add, 2 subtract.
std::string keyed(const std::string& data, const std::string& key, int operation) {
  std::string out = data;
  for (std::size_t p = 0; p < data.size(); ++p) {
    auto d = static_cast<unsigned char>(data[p]);
    auto k = static_cast<unsigned char>(key[p % key.size()]);
    out[p] = static_cast<char>(operation == 0 ? d ^ k : operation == 1 ? d + k : d - k);
  }
  return out;
}

std::string session(Language language, Screen screen, const std::string& answers) {
  return std::string(language == english ? "1\n" : "2\n") + "0\n" + (screen == encrypt ? "1\n" : "2\n") +
         answers + "\n6\n";
}

std::string shown(Language language, Screen screen, const std::string& screen_text) {
  return start(language) + extra_menu(language) + head(language, screen) + screen_text + pause(language) +
         extra_menu(language);
}

TEST(CryptSessions, TextKeyAndKeyFileInBothDirections) {
  const std::string data = pattern_bytes(5000);
  const std::string key_file = pattern_bytes(3, 7);
  for (Language language : {english, indonesian}) {
    TempDir dir;
    dir.write("data", data);
    dir.write("key", key_file);
    // A text key with a blank in it: the blank is a key byte.
    Outcome outcome = run(session(language, encrypt, "1\n2\ndata\nab c\nsealed\n"), dir);
    EXPECT_EQ(outcome.output,
              shown(language, encrypt,
                    type_question(language, encrypt) + input_prompt(language, encrypt) +
                        key_prompt(language) + output_prompt(language) + processed(language)));
    EXPECT_EQ(dir.read("sealed"), keyed(data, "ab c", 1));

    outcome = run(session(language, decrypt, "1\n2\nsealed\nab c\nopened\n"), dir);
    EXPECT_EQ(outcome.output,
              shown(language, decrypt,
                    type_question(language, decrypt) + input_prompt(language, decrypt) +
                        key_prompt(language) + output_prompt(language) + processed(language)));
    EXPECT_EQ(dir.read("opened"), data);

    outcome = run(session(language, encrypt, "2\n1\ndata\nkey\nxored\n"), dir);
    EXPECT_EQ(outcome.output,
              shown(language, encrypt,
                    type_question(language, encrypt) + input_prompt(language, encrypt) +
                        key_file_prompt(language) + output_prompt(language) + processed(language)));
    EXPECT_EQ(dir.read("xored"), keyed(data, key_file, 0));

    // 32,770 doubles to the one-time-pad decryption in 16 bits.
    outcome = run(session(language, decrypt, "2\n32770\ndata\nkey\nsubtracted\n"), dir);
    EXPECT_EQ(outcome.output,
              shown(language, decrypt,
                    type_question(language, decrypt) + input_prompt(language, decrypt) +
                        key_file_prompt(language) + output_prompt(language) + processed(language)));
    EXPECT_EQ(dir.read("subtracted"), keyed(data, key_file, 2));
  }
}

TEST(CryptSessions, RefusalsAndFailures) {
  struct Case {
    const char* name;
    Screen screen;
    std::string answers;
    std::string shown_english;
    std::string shown_indonesian;
  };
  auto flow = [](Language language, Screen screen, bool key_file) {
    return type_question(language, screen) + input_prompt(language, screen) +
           (key_file ? key_file_prompt(language) : key_prompt(language));
  };
  std::vector<Case> cases;
  for (Screen screen : {encrypt, decrypt}) {
    for (const char* mode : {"0\n", "3\n", " \n"})
      cases.push_back({"key mode", screen, mode, "Invalid Choice!\n", "Pilihan tidak tersedia!\n"});
    cases.push_back({"cipher type 3", screen, "1\n3\n", type_question(english, screen) + "Invalid Choice!\n",
                     type_question(indonesian, screen) + "Pilihan tidak tersedia!\n"});
    cases.push_back({"cipher type 0", screen, "1\n0\n", type_question(english, screen) + "Invalid Choice!\n",
                     type_question(indonesian, screen) + "Pilihan tidak tersedia!\n"});
    cases.push_back({"input missing", screen, "1\n1\nmissing\n",
                     type_question(english, screen) + input_prompt(english, screen) +
                         "Could not open file : \"missing\"\n",
                     type_question(indonesian, screen) + input_prompt(indonesian, screen) +
                         "Tidak dapat membuka berkas : \"missing\"\n"});
  }
  cases.push_back({"empty text key", encrypt, "1\n1\ndata\n\n",
                   flow(english, encrypt, false) + "Invalid text key!\n",
                   flow(indonesian, encrypt, false) + "Format kunci teks anda tidak benar!\n"});
  cases.push_back({"key file missing", decrypt, "2\n1\ndata\nnokey\n",
                   flow(english, decrypt, true) + "Could not open file : \"nokey\"\n",
                   flow(indonesian, decrypt, true) + "Tidak dapat membuka berkas : \"nokey\"\n"});
  cases.push_back({"key file empty", encrypt, "2\n1\ndata\nempty\n",
                   flow(english, encrypt, true) + "Key file is empty!\n",
                   flow(indonesian, encrypt, true) + "Berkas kunci kosong!\n"});
  cases.push_back({"overwrite refused", encrypt, "1\n1\ndata\nk\nkept\nN\n",
                   flow(english, encrypt, false) + output_prompt(english) +
                       "File \"kept\" already exist\nOverwrite file (Y/N)? ",
                   flow(indonesian, encrypt, false) + output_prompt(indonesian) +
                       "Berkas \"kept\" telah ada\nTimpa berkas (Y/T)? "});
  cases.push_back(
      {"output is the input", decrypt, "1\n1\ndata\nk\n./data\n",
       flow(english, decrypt, false) + output_prompt(english) + "Output file is the same as an input file!\n",
       flow(indonesian, decrypt, false) + output_prompt(indonesian) +
           "Berkas keluaran sama dengan berkas masukan!\n"});
  cases.push_back(
      {"output is the key file", encrypt, "2\n1\ndata\nkey\nkey\n",
       flow(english, encrypt, true) + output_prompt(english) + "Output file is the same as an input file!\n",
       flow(indonesian, encrypt, true) + output_prompt(indonesian) +
           "Berkas keluaran sama dengan berkas masukan!\n"});
  for (Language language : {english, indonesian}) {
    for (const Case& c : cases) {
      TempDir dir;
      dir.write("data", "plain");
      dir.write("key", "k");
      dir.write("empty", "");
      dir.write("kept", "old");
      Outcome outcome = run(session(language, c.screen, c.answers), dir);
      EXPECT_EQ(outcome.exit_code, 0) << c.name;
      EXPECT_EQ(outcome.output,
                shown(language, c.screen, language == english ? c.shown_english : c.shown_indonesian))
          << c.name;
      EXPECT_EQ(dir.read("data"), "plain") << c.name;
      EXPECT_EQ(dir.read("key"), "k") << c.name;
      EXPECT_EQ(dir.read("kept"), "old") << c.name;
    }
  }
}

}  // namespace
}  // namespace varnelo::acceptance

#include <filesystem>
#include <string>
#include <vector>

#include "crypt/cipher.hpp"
#include "crypt/screens.hpp"
#include "shell/banner.hpp"
#include "shell/progress.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::Dialogue;
using testing::run_dialogue;
using testing::TempDir;

enum class Screen { encrypt, decrypt };

Dialogue run_screen(Screen screen, const std::string& typed, std::uint16_t language = 0) {
  Menu menu{2, 5};
  Dialogue dialogue = run_dialogue(typed, language, [&] {
    if (screen == Screen::encrypt)
      encrypt_screen(menu);
    else
      decrypt_screen(menu);
  });
  EXPECT_FALSE(dialogue.ended_by_end_of_input) << dialogue.text();
  EXPECT_EQ(menu.choice, 0);
  EXPECT_EQ(menu.invalid_count, 0);
  return dialogue;
}

// The whole typed session of one screen: key mode, type, input, key (text or path), output.
std::string session(int key_mode, int type, const std::string& input, const std::string& key,
                    const std::string& output) {
  return std::to_string(key_mode) + "\n" + std::to_string(type) + "\n" + input + "\n" + key + "\n" + output +
         "\n\n";
}

// The rule written out byte by byte, for the expected files.
std::string reference(unsigned operation, const std::string& data, const std::string& key) {
  std::string out = data;
  for (std::size_t p = 0; p < data.size(); ++p) {
    auto d = static_cast<std::uint8_t>(data[p]), k = static_cast<std::uint8_t>(key[p % key.size()]);
    out[p] = static_cast<char>(operation == 0 ? d ^ k : operation == 1 ? d + k : d - k);
  }
  return out;
}

std::string banner(const char* word, std::uint16_t colour) {
  return run_dialogue("", 0, [&] { print_banner(word, colour); }).transcript();
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(EncryptScreen, TextKeyDialogueInEnglish) {
  TempDir dir;
  std::string in = dir.write("in.bin", "hello");
  std::string out = dir.path("out.bin");
  auto dialogue = run_screen(Screen::encrypt, session(1, 1, in, "abc", out));
  EXPECT_EQ(dialogue.transcript(),
            banner("ENCRYPT", 12) +
                "{c15}Select encrypt mode :{c7}\n1) Encrypt a file with plain text Key\n"
                "2) Encrypt a file with another file as a key\nChoice : "
                "{c15}Select encryption type :{c7}\n1) XOR Encryption\n2) One-time-pad Encryption\nChoice : "
                "Input path and filename for file to encrypt : {c2}{c7}Input text key : {c2}"
                "{c7}Input path and filename for file output : {c2}{c7}"
                "{cls}{c10}Processing, please wait...\n{c7}Progress : <{c15}" +
                std::string(50, ' ') +
                "{c7}>(0%)\n"
                "{cls}{c10}{c7}Progress : <{c15}" +
                std::string(50, '=') +
                "{c7}>(100%)\nAverage process speed : {c11}4.88{c7} KB per second.\n{c10}Completed!\n"
                "{c7}Running time : {c14}0.00 seconds.\n{c7}press enter to continue...");
  EXPECT_EQ(dir.read("out.bin"), reference(0, "hello", "abc"));
}

TEST(DecryptScreen, KeyFileDialogueInIndonesianWithRefusedOverwrite) {
  TempDir dir;
  std::string in = dir.write("in.bin", "data");
  std::string key = dir.write("key.bin", "k");
  std::string out = dir.write("out.bin", "keep me");
  auto dialogue = run_screen(Screen::decrypt, "2\n2\n" + in + "\n" + key + "\n" + out + "\nt\n\n", 1);
  EXPECT_EQ(
      dialogue.transcript(),
      run_dialogue("", 0, [] { print_banner("DEKRIPSI", 10); }).transcript() +
          "{c15}Pilih mode dekripsi :{c7}\n1) Mendekripsi sebuah berkas dengan teks biasa sebagai kuncinya\n"
          "2) Mendekripsi sebuah berkas dengan berkas lainnya sebagai kuncinya\nPilihamu : "
          "{c15}Pilih jenis dekripsi :{c7}\n1) Dekripsi XOR\n2) Dekripsi One-time-pad\nPilihanmu : "
          "Masukkan alamat dan nama berkas untuk berkas yang akan di dekripsi : {c2}"
          "{c7}Masukkan alamat dan nama berkas untuk berkas yang berperan sebagai kunci : {c2}"
          "{c7}Masukkan alamat dan nama berkas untuk berkas keluaran : {c2}{c4}Berkas \"{c12}" +
          out + "{c4}\" telah ada\n{c7}Timpa berkas (Y/T)? tekan enter untuk melanjutkan...");
  EXPECT_EQ(dir.read("out.bin"), "keep me");
}

TEST(CipherScreens, InvalidAnswersEndTheScreenBeforeAnyPathIsAsked) {
  struct Case {
    Screen screen;
    std::string typed;
    bool type_asked;
  };
  const std::vector<Case> cases = {
      {Screen::encrypt, "0\n", false},       {Screen::encrypt, "3\n", false},
      {Screen::encrypt, "\n\n", false},      {Screen::encrypt, "none\n", false},
      {Screen::decrypt, "65536\n", false},   {Screen::encrypt, "1\n0\n", true},
      {Screen::encrypt, "2\n3\n", true},     {Screen::encrypt, "1\n\n\n", true},
      {Screen::decrypt, "1\n0\n", true},     {Screen::decrypt, "2\n3\n", true},
      {Screen::decrypt, "1\n32771\n", true}, {Screen::decrypt, "1\n\n\n", true},
  };
  for (const auto& c : cases) {
    for (std::uint16_t language : {0, 1}) {
      auto dialogue = run_screen(c.screen, c.typed + "\n", language);
      const std::string& t = dialogue.transcript();
      std::string ending = language == 0
                               ? "{c12}Invalid Choice!\n{c7}press enter to continue..."
                               : "{c12}Pilihan tidak tersedia!\n{c7}tekan enter untuk melanjutkan...";
      EXPECT_TRUE(t.ends_with(ending)) << c.typed << t;
      EXPECT_EQ(contains(t, language == 0 ? "type :" : "jenis "), c.type_asked) << c.typed;
      EXPECT_FALSE(contains(t, "{c2}")) << c.typed;
    }
  }
}

// Which operation the screens pass on, told by the file they write.
TEST(CipherScreens, TypeAnswersChooseTheOperation) {
  struct Case {
    Screen screen;
    std::string type;
    unsigned operation;
  };
  const std::vector<Case> cases = {
      {Screen::encrypt, "1", 0},     {Screen::encrypt, "2", 1},     {Screen::decrypt, "1", 0},
      {Screen::decrypt, "2", 2},     {Screen::decrypt, "32769", 0}, {Screen::decrypt, "32770", 2},
      {Screen::encrypt, "65538", 1},
  };
  TempDir dir;
  const std::string data = testing::pattern_bytes(300, 4);
  std::string in = dir.write("in.bin", data);
  for (const auto& c : cases) {
    std::string out = dir.path("out" + c.type + (c.screen == Screen::encrypt ? "e" : "d"));
    run_screen(c.screen, "1\n" + c.type + "\n" + in + "\nkey\n" + out + "\n\n");
    EXPECT_EQ(testing::read_file(out), reference(c.operation, data, "key")) << c.type;
  }
}

// The fixed file of the key vector, here and under Windows' console alike.
TEST(CipherScreens, ATextKeyIsItsUtf8Bytes) {
  const testing::TextKeyVector& vector = testing::utf8_key_vector;
  TempDir dir;
  std::string in = dir.write("in.bin", vector.data), out = dir.path("out.bin"), back = dir.path("back.bin");
  run_screen(Screen::encrypt, session(1, 1, in, vector.key, out));
  EXPECT_EQ(testing::read_file(out), vector.encrypted);
  run_screen(Screen::decrypt, session(1, 1, out, vector.key, back));
  EXPECT_EQ(testing::read_file(back), vector.data);
}

TEST(CipherScreens, EncryptThenDecryptRoundTripsForBothKeyKinds) {
  TempDir dir;
  const std::vector<std::size_t> sizes = {1, 4095, 4096, 4097, 8193};
  const std::vector<std::string> text_keys = {"abc", "k", "two words", " lead and trail ",
                                              std::string(999, 'z')};
  const std::vector<std::size_t> key_file_sizes = {1, 3, 4096, 4097, 5000, 100000};
  struct Cipher {
    int type;
    unsigned encrypt, decrypt;
  };
  for (std::size_t size : sizes) {
    const std::string data = testing::pattern_bytes(size, static_cast<unsigned>(size));
    std::string in = dir.write("in.bin", data);
    for (Cipher cipher : {Cipher{1, 0, 0}, Cipher{2, 1, 2}}) {
      auto round_trip = [&](int key_mode, const std::string& key_typed, const std::string& key_bytes) {
        std::string enc = dir.path("enc.bin"), dec = dir.path("dec.bin");
        std::filesystem::remove(enc);
        std::filesystem::remove(dec);
        run_screen(Screen::encrypt, session(key_mode, cipher.type, in, key_typed, enc));
        ASSERT_EQ(testing::read_file(enc), reference(cipher.encrypt, data, key_bytes))
            << size << " key " << key_bytes.size() << " mode " << key_mode;
        run_screen(Screen::decrypt, session(key_mode, cipher.type, enc, key_typed, dec));
        ASSERT_EQ(testing::read_file(dec), data)
            << size << " key " << key_bytes.size() << " mode " << key_mode;
      };
      for (const auto& key : text_keys)
        round_trip(1, key, key);
      for (std::size_t key_size : key_file_sizes) {
        std::string key = testing::pattern_bytes(key_size, 99);
        round_trip(2, dir.write("key.bin", key), key);
      }
    }
  }
}

TEST(CipherScreens, KeyFileOfOneBlockKeysBothBlocksAlike) {
  TempDir dir;
  std::string key = testing::pattern_bytes(4096, 5);
  std::string in = dir.write("in.bin", std::string(8192, '\0'));
  run_screen(Screen::encrypt, session(2, 1, in, dir.write("key.bin", key), dir.path("out.bin")));
  EXPECT_EQ(dir.read("out.bin"), key + key);
}

TEST(CipherScreens, AdditiveCipherUndoneWithXorGivesOtherBytes) {
  TempDir dir;
  const std::string data = testing::pattern_bytes(5000, 8);
  std::string in = dir.write("in.bin", data);
  run_screen(Screen::encrypt, session(1, 2, in, "secret", dir.path("enc.bin")));
  run_screen(Screen::decrypt, session(1, 1, dir.path("enc.bin"), "secret", dir.path("dec.bin")));
  EXPECT_NE(dir.read("dec.bin"), data);
  EXPECT_EQ(dir.read("dec.bin").size(), data.size());
}

TEST(CipherScreens, RefusedKeysEndBeforeTheOutputQuestion) {
  struct Case {
    int key_mode;
    std::string input, key;
    std::uint16_t language;
    std::string message;
  };
  const std::string long_key(1000, 'k');
  const std::vector<Case> cases = {
      {1, "data", "", 0, "{c4}Invalid text key!\n{c7}press enter to continue..."},
      {1, "data", "", 1, "{c4}Format kunci teks anda tidak benar!\n{c7}tekan enter untuk melanjutkan..."},
      {1, "data", long_key, 0, "{c4}Invalid text key!\n{c7}press enter to continue..."},
      {1, "", "", 0, "{c4}Invalid text key!\n{c7}press enter to continue..."},
      {2, "data", "EMPTY", 0, "{c2}{c12}Key file is empty!\n{c7}press enter to continue..."},
      {2, "data", "EMPTY", 1, "{c2}{c12}Berkas kunci kosong!\n{c7}tekan enter untuk melanjutkan..."},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::string in = dir.write("in.bin", c.input);
    std::string key = c.key == "EMPTY" ? dir.write("key.bin", "") : c.key;
    auto dialogue = run_screen(
        Screen::encrypt,
        c.key_mode == 1 ? "1\n1\n" + in + "\n" + key + "\n\n" : "2\n1\n" + in + "\n" + key + "\n\n",
        c.language);
    EXPECT_TRUE(dialogue.transcript().ends_with(c.message)) << dialogue.transcript();
    EXPECT_FALSE(contains(dialogue.text(), c.language == 0 ? "file output" : "berkas keluaran"));
    EXPECT_TRUE(dialogue.console.unread_input().empty());
  }
}

TEST(CipherScreens, EmptyInputMakesAnEmptyOutputAndGoesStraightToCompletion) {
  TempDir dir;
  std::string in = dir.write("in.bin", "");
  std::string empty_key = dir.write("key.bin", "");
  for (const auto& typed :
       {session(1, 1, in, "abc", dir.path("a.bin")), session(2, 2, in, empty_key, dir.path("b.bin"))}) {
    auto dialogue = run_screen(Screen::encrypt, typed);
    EXPECT_FALSE(contains(dialogue.text(), "(0%)"));
    EXPECT_TRUE(contains(dialogue.text(), "(100%)\n"));
    EXPECT_TRUE(contains(dialogue.text(), "Completed!\nRunning time : "));
  }
  EXPECT_TRUE(dir.exists("a.bin") && dir.read("a.bin").empty());
  EXPECT_TRUE(dir.exists("b.bin") && dir.read("b.bin").empty());
}

TEST(CipherScreens, OutputThatIsAnInputIsRefusedBeforeAnythingIsWritten) {
  TempDir dir;
  std::string data = testing::pattern_bytes(5000, 2), key_bytes = testing::pattern_bytes(700, 3);
  std::string in = dir.write("in.bin", data);
  std::string key = dir.write("key.bin", key_bytes);
  std::filesystem::create_directory(dir.path("sub"));
  std::string in_other_spelling = dir.path("sub/../in.bin");
  struct Case {
    int key_mode;
    std::string key, output;
    std::uint16_t language;
  };
  const std::vector<Case> cases = {
      {1, "abc", in, 0}, {1, "abc", in_other_spelling, 1},        {2, key, in, 0},
      {2, key, key, 0},  {2, key, dir.path("sub/../key.bin"), 1},
  };
  for (const auto& c : cases) {
    auto dialogue = run_screen(Screen::encrypt, session(c.key_mode, 1, in, c.key, c.output), c.language);
    std::string ending =
        c.language == 0
            ? "{c2}{c12}Output file is the same as an input file!\n{c7}press enter to continue..."
            : "{c2}{c12}Berkas keluaran sama dengan berkas masukan!\n{c7}tekan enter untuk melanjutkan...";
    EXPECT_TRUE(dialogue.transcript().ends_with(ending)) << dialogue.transcript();
    EXPECT_EQ(dir.read("in.bin"), data);
    EXPECT_EQ(dir.read("key.bin"), key_bytes);
  }
}

TEST(CipherScreens, FilesThatCannotBeOpenedAreNamed) {
  TempDir dir;
  std::string in = dir.write("in.bin", "data");
  std::string missing = dir.path("missing.bin");
  std::string unwritable = dir.path("no/such/folder/out.bin");
  struct Case {
    std::string typed, ending;
  };
  const std::vector<Case> cases = {
      {session(1, 1, missing, "", ""),
       "{c4}Could not open file : {c12}\"" + missing + "\"\n{c7}press enter to continue..."},
      {session(2, 1, missing, "", ""),
       "{c4}Could not open file : {c12}\"" + missing + "\"\n{c7}press enter to continue..."},
      {session(2, 1, in, missing, ""),
       "{c4}Could not open file : {c12}\"" + missing + "\"\n{c7}press enter to continue..."},
      {session(1, 1, in, "abc", unwritable),
       "{c4}Could write to file : {c12}\"" + unwritable + "\"\n{c7}press enter to continue..."},
      {session(2, 1, in, in, unwritable),
       "{c4}Could write to file : {c12}\"" + unwritable + "\"\n{c7}press enter to continue..."},
  };
  for (const auto& c : cases) {
    // Whatever the dialogue did not ask for is left unread; EOO takes the first line break of it.
    Menu menu;
    auto dialogue = run_dialogue(c.typed, 0, [&] { encrypt_screen(menu); });
    EXPECT_TRUE(dialogue.transcript().ends_with(c.ending)) << dialogue.transcript();
    EXPECT_FALSE(contains(dialogue.text(), "Completed!"));
  }
}

TEST(CipherScreens, ReadAndWriteFailuresAreReportedWithoutCompletion) {
  TempDir dir;
  const std::string data = testing::pattern_bytes(3 << 20, 6);
  std::string in = dir.write("in.bin", data);
  std::string key = dir.write("key.bin", testing::pattern_bytes(200000, 7));
  std::string out = dir.path("out.bin");
  struct Case {
    std::string path;
    std::int64_t readable, writable;
    int key_mode;
    std::string ending;
  };
  const std::vector<Case> cases = {
      {in, 10000, -1, 1, "{c4}Read error on file : {c12}\"" + in + "\"\n{c7}"},
      {in, (1 << 20) + 5000, -1, 2, "{c4}Read error on file : {c12}\"" + in + "\"\n{c7}"},
      {key, 150000, -1, 2, "{c4}Read error on file : {c12}\"" + key + "\"\n{c7}"},
      {key, (1 << 20) + 500000, -1, 2, "{c4}Read error on file : {c12}\"" + key + "\"\n{c7}"},
      {out, -1, 5000, 1, "{c4}Write error on file : {c12}\"" + out + "\"\n{c7}"},
  };
  for (const auto& c : cases) {
    set_fault_plan({c.path, c.readable, c.writable});
    auto dialogue =
        run_screen(Screen::encrypt, session(c.key_mode, 1, in, c.key_mode == 1 ? "abc" : key, out));
    set_fault_plan({});
    EXPECT_TRUE(dialogue.transcript().ends_with(c.ending + "press enter to continue...")) << dialogue.text();
    EXPECT_FALSE(contains(dialogue.text(), "Completed!"));
    EXPECT_FALSE(contains(dialogue.text(), "Running time"));
    // No output appears, not even the part keyed before the failure.
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.bin", "key.bin"})) << c.path;
  }
}

TEST(CipherScreens, ProgressRisesOnePercentPerBlockAsInABlockByBlockLoop) {
  TempDir dir;
  // 150 blocks: the shown percentage rises by one per block until it catches up.
  const std::int64_t size = 150 * 4096 + 100;
  std::string in = dir.write("in.bin", std::string(static_cast<std::size_t>(size), 'a'));
  Menu menu;
  auto dialogue = run_dialogue(session(1, 1, in, "k", dir.path("out.bin")), 0, [&] {
    auto& port = static_cast<ScriptedConsole&>(console());
    port.clock_step_ = 1000;  // every reading of the clock is a second later, so every rise is drawn
    encrypt_screen(menu);
  });
  std::vector<int> drawn;
  const std::string& text = dialogue.text();
  for (std::size_t at = text.find(">("); at != std::string::npos; at = text.find(">(", at + 1))
    drawn.push_back(std::stoi(text.substr(at + 2)));
  std::vector<int> expected;
  int shown = 0;
  for (std::int64_t done = 0; done < size; done += 4096) {
    bool rose = done * 100 / size > shown;
    if (rose) ++shown;
    if (rose || done == 0) expected.push_back(shown);
  }
  expected.push_back(100);
  EXPECT_EQ(drawn, expected);
}

}  // namespace
}  // namespace varnelo

// Encode and decode sessions: the questions in order, the layouts written, the ".txt" rules
// and the refusals.
#include <string>
#include <vector>

#include "acceptance.hpp"

namespace varnelo::acceptance {
namespace {

using testing::TempDir;

enum Screen { encode, decode };

std::string head(Language language, Screen screen) {
  std::string title = screen == encode
                          ? banner(language == english ? "ENCODE" : "ENKODE") +
                                pick(language, "Select encode mode :", "Pilih mode penyandian (enkode) :")
                          : banner(language == english ? "DECODE" : "DEKODE") +
                                pick(language, "Select decode mode :", "Pilih mode pemecah sandi (dekode) :");
  return title + pick(language,
                      "\n1) Binary(base2) Mode\n2) Hexadecimal(base16) Mode\n3) MIME(base64) Mode\nChoice : ",
                      "\n1) Mode Biner (basis2)\n2) Mode Heksadesimal (basis16)\n3) Mode MIME "
                      "(basis64)\nPilihanmu : ");
}

std::string input_prompt(Language language) {
  return pick(language, "Input path and filename for input file : ",
              "Masukkan alamat dan nama berkas untuk berkas masukan : ");
}

std::string output_prompt(Language language) {
  return pick(language, "Input path and filename for output file : ",
              "Masukkan alamat dan nama berkas untuk berkas keluaran : ");
}

std::string line_prompt(Language language) {
  return pick(language, "Bytes per line : ", "Banyak Byte dalam satu baris : ");
}

const char* const mode_words[2][3] = {{"binary", "hexadecimal", "MIME (base 64)"},
                                      {"biner", "heksadesimal", "MIME (basis 64)"}};

std::string encode_label(Language language, int mode) {
  return pick(language, "Encoding data to text in ", "Menyandikan data menjadi text dalam mode ") +
         mode_words[language][mode] + pick(language, " mode, please wait...\n", ", silahkan tunggu...\n");
}

std::string decode_label(Language language, int mode) {
  return pick(language, "Decoding text to data in ", "Mengubah teks sandi menjadi data dalam mode ") +
         mode_words[language][mode] + pick(language, " mode, please wait...\n", ", silahkan tunggu...\n");
}

std::string session(Language language, Screen screen, const std::string& answers) {
  return std::string(language == english ? "1\n" : "2\n") + "0\n" + (screen == encode ? "3\n" : "4\n") +
         answers + "\n6\n";
}

std::string shown(Language language, Screen screen, const std::string& screen_text) {
  return start(language) + extra_menu(language) + head(language, screen) + screen_text + pause(language) +
         extra_menu(language);
}

TEST(EncodingSessions, EncodedLayouts) {
  struct Case {
    int mode;  // 0 binary, 1 hexadecimal, 2 MIME
    std::string data;
    std::string per_line;
    std::string text;
  };
  const std::vector<Case> cases = {
      {0, "abc", "2", "01100001 01100010\n01100011"},
      {1, "abc", "2", "61 62\n63"},
      {1, std::string("\xaf\x00\x10", 3), "65535", "af 00 10"},
      {2, "abc", "77", "YWJj"},
      {2, "abc", "5", "YWJj\n"},
      {2, "abcdefgh", "5", "YWJj\nZGVm\nZ2g="},
      {2, "a", "5", "YQ=="},
      {2, "a", "4", "YQ=\n="},
  };
  for (Language language : {english, indonesian}) {
    for (const Case& c : cases) {
      TempDir dir;
      dir.write("data", c.data);
      Outcome outcome = run(
          session(language, encode, std::to_string(c.mode + 1) + "\ndata\nout\n" + c.per_line + "\n"), dir);
      // Fewer than three bytes in base 64 leave no whole group: only the completion display.
      std::string progress =
          c.mode == 2 && c.data.size() < 3 ? "" : progress_start(language, encode_label(language, c.mode));
      EXPECT_EQ(outcome.output,
                shown(language, encode,
                      input_prompt(language) + output_prompt(language) + line_prompt(language) + progress +
                          completion(language) + running_time(language)))
          << c.text;
      EXPECT_EQ(dir.read("out.txt"), c.text);
    }
  }
}

TEST(EncodingSessions, OutputNamesEndInTxtAndAnEmptyInputGivesAnEmptyText) {
  for (Language language : {english, indonesian}) {
    TempDir dir;
    dir.write("empty", "");
    for (const std::string typed : {"out.txt", "out.TXT"}) {
      Outcome outcome = run(session(language, encode, "2\nempty\n" + typed + "\n16\n"), dir);
      EXPECT_EQ(outcome.output,
                shown(language, encode,
                      input_prompt(language) + output_prompt(language) + line_prompt(language) +
                          completion(language) + running_time(language)));
    }
    EXPECT_TRUE(dir.exists("out.txt"));
    EXPECT_TRUE(dir.exists("out.TXT.txt"));
    EXPECT_FALSE(dir.exists("out.txt.txt"));
    EXPECT_EQ(dir.read("out.TXT.txt"), "");
  }
}

TEST(EncodingSessions, DecodedData) {
  struct Case {
    int mode;
    std::string text;
    std::string typed_name;  // "data" finds data.txt when there is no file named data
    std::string data;
  };
  const std::vector<Case> cases = {
      {0, "01100001 0110\r\n0010 1100011", "data.txt", "ab"},
      {1, "4a 4B\n6", "data", "JK"},
      {2, "YWJj=ZGVm", "data.txt", "abc"},
      {2, "YQ=\n=", "data", "a"},
      {2, "YWI", "data", "ab"},
  };
  for (Language language : {english, indonesian}) {
    for (const Case& c : cases) {
      TempDir dir;
      dir.write("data.txt", c.text);
      Outcome outcome =
          run(session(language, decode, std::to_string(c.mode + 1) + "\n" + c.typed_name + "\nback\n"), dir);
      std::string progress = progress_start(language, decode_label(language, c.mode));
      EXPECT_EQ(outcome.output, shown(language, decode,
                                      input_prompt(language) + output_prompt(language) + progress +
                                          completion(language) + running_time(language)))
          << c.text;
      EXPECT_EQ(dir.read("back"), c.data) << c.text;
    }
  }
}

TEST(EncodingSessions, Refusals) {
  struct Case {
    const char* name;
    Screen screen;
    std::string answers;
    std::string shown_english;
    std::string shown_indonesian;
  };
  std::vector<Case> cases;
  for (Screen screen : {encode, decode}) {
    for (const char* mode : {"0\n", "4\n", " \n"})
      cases.push_back({"mode", screen, mode, "Invalid Choice!", "Pilihan tidak tersedia!"});
    cases.push_back({"output refused", screen, "1\ndata\nkept.txt\nn\n",
                     input_prompt(english) + output_prompt(english) +
                         "File \"kept.txt\" already exist\nOverwrite file (Y/N)? ",
                     input_prompt(indonesian) + output_prompt(indonesian) +
                         "Berkas \"kept.txt\" telah ada\nTimpa berkas (Y/T)? "});
    cases.push_back(
        {"output is the input", screen, "3\ndata.txt\n./data.txt\n",
         input_prompt(english) + output_prompt(english) + "Output file is the same as an input file!\n",
         input_prompt(indonesian) + output_prompt(indonesian) +
             "Berkas keluaran sama dengan berkas masukan!\n"});
  }
  // The error names the path as typed, not with ".txt" added.
  cases.push_back({"input missing", encode, "1\nmissing\n",
                   input_prompt(english) + "Could not open file : \"missing\"\n",
                   input_prompt(indonesian) + "Tidak dapat membuka berkas : \"missing\"\n"});
  cases.push_back({"input missing", decode, "1\nmissing\n",
                   input_prompt(english) + "Could not open file : \"missing\"\n",
                   input_prompt(indonesian) + "Tidak dapat membuka berkas : \"missing\"\n"});
  // An output that cannot be written ends the dialogue before the bytes per line are asked.
  cases.push_back(
      {"output unwritable", encode, "1\ndata\nno/such/out\n",
       input_prompt(english) + output_prompt(english) + "Could write to file : \"no/such/out.txt\"\n",
       input_prompt(indonesian) + output_prompt(indonesian) +
           "Tidak menulis ke berkas : \"no/such/out.txt\"\n"});
  // An existing file confirmed for overwriting stays as it was after 0 bytes per line.
  cases.push_back({"no bytes per line", encode, "2\ndata\nkept\ny\n0\n",
                   input_prompt(english) + output_prompt(english) +
                       "File \"kept.txt\" already exist\nOverwrite file (Y/N)? " + line_prompt(english) +
                       "No file output!",
                   input_prompt(indonesian) + output_prompt(indonesian) +
                       "Berkas \"kept.txt\" telah ada\nTimpa berkas (Y/T)? " + line_prompt(indonesian) +
                       "Tidak ada berkas keluaren!"});
  for (Language language : {english, indonesian}) {
    for (const Case& c : cases) {
      TempDir dir;
      dir.write("data", "abc");
      dir.write("data.txt", "YWJj");
      dir.write("kept.txt", "old");
      Outcome outcome = run(session(language, c.screen, c.answers), dir);
      EXPECT_EQ(outcome.exit_code, 0) << c.name;
      EXPECT_EQ(outcome.output,
                shown(language, c.screen, language == english ? c.shown_english : c.shown_indonesian))
          << c.name;
      EXPECT_EQ(dir.read("kept.txt"), "old") << c.name;
      EXPECT_EQ(dir.read("data.txt"), "YWJj") << c.name;
    }
  }
}

}  // namespace
}  // namespace varnelo::acceptance

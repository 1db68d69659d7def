// Compare sessions: the equality verdicts and the containment report, both languages.
#include <string>
#include <vector>

#include "acceptance.hpp"

namespace varnelo::acceptance {
namespace {

using testing::pattern_bytes;
using testing::TempDir;

std::string head(Language language) {
  return start(language) + banner(language == english ? "COMPARE" : "BANDINGKAN") +
         pick(language,
              "Compare Options :\n1) Checks is both of this file are exactly same (equal)\n"
              "2) Checks is this file is a part of another file (partition)\nChoice : ",
              "Opsi Bandingkan :\n1) Cek apakah kedua berkas ini benar-benar sama\n"
              "2) Cek apakah berkas ini adalah bagian dari berkas yang lain\nPilihanmu : ");
}

std::string first_prompt(Language language) {
  return pick(language,
              "input path and filename for file 1 : ", "masukkan alamat dan nama berkas pertama : ");
}

std::string second_prompt(Language language) {
  return pick(language, "input path and filename for file 2 : ", "masukkan alamat dan nama berkas kedua : ");
}

std::string label(Language language) {
  return pick(language, "Comparing file, please wait...\n", "Membandingkan berkas, silahkan tunggu...\n");
}

struct Case {
  const char* name;
  std::string option;
  std::string first;
  std::string second;
  // What follows the two path prompts, up to the press-enter pause.
  std::string shown_english;
  std::string shown_indonesian;
};

void check(const std::vector<Case>& cases) {
  for (Language language : {english, indonesian}) {
    for (const Case& c : cases) {
      TempDir dir;
      dir.write("one", c.first);
      dir.write("two", c.second);
      Outcome outcome =
          run(std::string(language == english ? "1\n" : "2\n") + "3\n" + c.option + "\none\ntwo\n\n6\n", dir);
      EXPECT_EQ(outcome.exit_code, 0) << c.name;
      EXPECT_EQ(outcome.output, head(language) + first_prompt(language) + second_prompt(language) +
                                    (language == english ? c.shown_english : c.shown_indonesian) +
                                    pause(language) + main_menu(language))
          << c.name;
    }
  }
}

std::string verdict(Language language, const std::string& text) {
  return progress_start(language, label(language)) + completion(language) + text + running_time(language);
}

TEST(CompareSessions, EqualityVerdicts) {
  const std::string data = pattern_bytes(10000);
  std::string differs_at_5000 = data;
  differs_at_5000[5000] ^= 1;
  check({
      {"equal files", "1", data, data, verdict(english, "Files are equal\n"),
       verdict(indonesian, "Isi kedua berkas sama persis\n")},
      {"first byte differs", "1", "abc", "xbc", verdict(english, "Files are not equal at position 0\n"),
       verdict(indonesian, "Isi berkas tidak sama pada posisi ke 0\n")},
      {"differs at 5000 of 10,000", "1", data, differs_at_5000,
       verdict(english, "Files are not equal at position 5000\n"),
       verdict(indonesian, "Isi berkas tidak sama pada posisi ke 5000\n")},
      // No block to read: the completion display follows at once.
      {"two empty files", "1", "", "", completion(english) + "Files are equal\n" + running_time(english),
       completion(indonesian) + "Isi kedua berkas sama persis\n" + running_time(indonesian)},
      {"sizes differ", "1", "0123456789", "0123456789a",
       "Filesize is different (unequal file length)\nSize of file 1 \"one\" : 10 Bytes\n"
       "Size of file 2 \"two\" : 11 Bytes\n" +
           running_time(english),
       "Ukuran berkas berbeda\nUkuran berkas 1 \"one\" : 10 Bytes\nUkuran berkas 2 \"two\" : 11 Bytes\n" +
           running_time(indonesian)},
  });
}

TEST(CompareSessions, ContainmentReports) {
  std::string listed_en, listed_id;
  for (int i = 0; i < 4096; ++i) {
    listed_en += "--> From " + std::to_string(i) + " to " + std::to_string(i + 1) + "\n";
    listed_id += "--> Dari " + std::to_string(i) + " hingga " + std::to_string(i + 1) + "\n";
  }
  check({
      {"file 2 found in file 1", "2", "aab", "ab",
       verdict(
           english,
           "File 2 \"two\" is part of file 1 \"one\" in position : \n--> From 1 to 3\nFound 1 position.\n"),
       verdict(indonesian,
               "Berkas kedua \"two\" adalah bagian dari berkas pertama \"one\" pada posisi : \n"
               "--> Dari 1 hingga 3\nDitemukan 1 posisi.\n")},
      {"file 1 found twice in file 2", "2", "abc", "abcabc",
       verdict(english,
               "File 1 \"one\" is part of file 2 \"two\" in position : \n--> From 0 to 3\n--> From 3 to 6\n"
               "Found 2 position.\n"),
       verdict(indonesian,
               "Berkas pertama \"one\" adalah bagian dari berkas kedua \"two\" pada posisi : \n"
               "--> Dari 0 hingga 3\n--> Dari 3 hingga 6\nDitemukan 2 posisi.\n")},
      {"equal sizes, different content", "2", "abc", "abd",
       verdict(english, "File 1 \"one\" is not a part of file 2 \"two\"\n"),
       verdict(indonesian, "Berkas pertama \"one\" bukan bagian dari berkas kedua \"two\"\n")},
      {"file 2 not in file 1", "2", "xxa", "ab",
       verdict(english, "File 2 \"two\" is not a part of file 1 \"one\"\n"),
       verdict(indonesian, "Berkas kedua \"two\" bukan bagian dari berkas pertama \"one\"\n")},
      // The list holds 4096 places; the line after the count says the rest was not searched.
      {"the list fills", "2", "a", std::string(10000, 'a'),
       verdict(english,
               "File 1 \"one\" is part of file 2 \"two\" in position : \n" + listed_en +
                   "Found 4096 position.\nOnly the first 4096 positions are listed; the rest of the file was "
                   "not searched.\n"),
       verdict(indonesian,
               "Berkas pertama \"one\" adalah bagian dari berkas kedua \"two\" pada posisi : \n" + listed_id +
                   "Ditemukan 4096 posisi.\nHanya 4096 posisi pertama yang ditampilkan; sisa berkas tidak "
                   "dicari.\n")},
      // No elapsed time after this message.
      {"an empty file", "2", "", "abc", "Could not process empty file!\n",
       "Tidak dapat memproses berkas kosong!\n"},
  });
}

TEST(CompareSessions, RefusalsBeforeTheComparison) {
  for (Language language : {english, indonesian}) {
    std::string typed = language == english ? "1\n3\n" : "2\n3\n";
    std::string could_not_open =
        pick(language, "Could not open file : \"", "Tidak dapat membuka berkas : \"");
    std::string invalid = pick(language, "Invalid Choice!\n", "Pilihan tidak tersedia!\n");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0\n", invalid},
        {"3\n", invalid},
        {" \n", invalid},
        {"1\nmissing\n", first_prompt(language) + could_not_open + "missing\"\n"},
        {"2\none\n\n", first_prompt(language) + second_prompt(language) + could_not_open + "\"\n"},
        // 999 characters fit the path buffer with its terminator; 1000 do not.
        {"1\n" + std::string(1000, 'x') + "\n",
         first_prompt(language) + pick(language, "Path is too long!\n", "Alamat berkas terlalu panjang!\n")},
        {"1\n" + std::string(999, 'x') + "\n",
         first_prompt(language) + could_not_open + std::string(999, 'x') + "\"\n"},
    };
    for (const auto& [answers, shown] : cases) {
      TempDir dir;
      dir.write("one", "abc");
      Outcome outcome = run(typed + answers + "\n6\n", dir);
      EXPECT_EQ(outcome.output, head(language) + shown + pause(language) + main_menu(language)) << answers;
    }
  }
}

}  // namespace
}  // namespace varnelo::acceptance

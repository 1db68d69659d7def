#include <sys/stat.h>

#include <string>
#include <vector>

#include "app/program.hpp"
#include "shell/banner.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_dialogue;
using testing::TempDir;

int count(const std::string& text, const std::string& part) {
  int found = 0;
  for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
    ++found;
  return found;
}

struct NumberCase {
  std::string typed;
  std::uint16_t before;
  std::uint16_t expected;
};

TEST(GetNum, TakesEveryDigitAndWrapsInSixteenBits) {
  const std::vector<NumberCase> cases = {
      {"12\n", 7, 12},
      {"1 2\n", 7, 12},
      {"-5\n", 7, 5},
      {"3a4\n", 7, 34},
      {"70000\n", 7, 4464},
      {"abc\n", 7, 7},
      {"65537\n", 7, 1},
      {"0\n", 7, 0},
      {"\n12\n", 7, 12},
      {"\n\n", 9, 9},
      {"\n", 3, 3},
      {" 0 0 1\n", 5, 1},
      // The input may end without a line feed after the last answer.
      {"12", 7, 12},
      {"\n5", 7, 5},
  };
  for (const auto& c : cases) {
    std::uint16_t value = c.before;
    auto dialogue = run_dialogue(c.typed, 0, [&] { get_num(value); });
    EXPECT_EQ(value, c.expected) << "typed: " << c.typed;
    EXPECT_TRUE(dialogue.console.unread_input().empty()) << "typed: " << c.typed;
  }
}

TEST(GetNum, SixtyFourBitsWrapModuloTwoToTheSixtyFour) {
  const std::vector<std::pair<std::string, std::int64_t>> cases = {
      {"18446744073709551617\n", 1},
      {"9223372036854775807\n", INT64_MAX},
      {"4294967296\n", 4294967296LL},
      {"none\n", 42},
  };
  for (const auto& [typed, expected] : cases) {
    std::int64_t value = 42;
    run_dialogue(typed, 0, [&] { get_num64(value); });
    EXPECT_EQ(value, expected) << typed;
  }
}

TEST(GetNum, ConsumesOnlyItsOwnLine) {
  std::uint16_t first = 0, second = 0;
  auto dialogue = run_dialogue("4\n5\nrest", 0, [&] {
    get_num(first);
    get_num(second);
  });
  EXPECT_EQ(first, 4);
  EXPECT_EQ(second, 5);
  EXPECT_EQ(dialogue.console.unread_input(), "rest");
}

TEST(ReadLine, KeepsTheLineAsTypedAndRefusesOverlongOnes) {
  std::string line;
  bool fits = false;
  run_dialogue("  two words\t\r\n", 0, [&] { fits = read_line(line, 1000); });
  EXPECT_TRUE(fits);
  EXPECT_EQ(line, "  two words\t\r");

  std::string exact(999, 'p');
  run_dialogue(exact + "\n", 0, [&] { fits = read_line(line, 1000); });
  EXPECT_TRUE(fits);
  EXPECT_EQ(line, exact);

  auto dialogue = run_dialogue(std::string(1000, 'p') + "\nnext", 0, [&] { fits = read_line(line, 1000); });
  EXPECT_FALSE(fits);
  EXPECT_EQ(dialogue.console.unread_input(), "next");

  run_dialogue("last words", 0, [&] { fits = read_line(line, 1000); });
  EXPECT_TRUE(fits);
  EXPECT_EQ(line, "last words");
}

TEST(ReadPath, QuestionMarkFirstTakesTheClipboardWhole) {
  const std::vector<testing::PathCase> cases = {
      {"?", "/tmp/a b.bin", "/tmp/a b.bin"},
      {"?ignored", "C:\\x\\film.avi", "C:\\x\\film.avi"},
      {"a?b", "clip", "a?b"},
      {"?", "", ""},
      {"?", " padded \n", " padded \n"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(testing::path_as_read(c), c.expected) << c.typed;
}

TEST(ReadPath, PathsTooLongAreRefusedInBothLanguages) {
  std::optional<std::string> path;
  auto english = run_dialogue(std::string(1200, 'a') + "\n", 0, [&] { path = read_path(); });
  EXPECT_FALSE(path);
  EXPECT_EQ(english.transcript(), "{c12}Path is too long!\n{c7}");

  ScriptedConsole* clipboard_console = nullptr;
  auto indonesian = run_dialogue("?\n", 1, [&] {
    clipboard_console = &static_cast<ScriptedConsole&>(console());
    clipboard_console->clipboard_ = std::string(5000, 'c');
    path = read_path();
  });
  EXPECT_FALSE(path);
  EXPECT_EQ(indonesian.text(), "Alamat berkas terlalu panjang!\n");
}

TEST(OpenInput, ReportsWhatCannotBeOpened) {
  TempDir dir;
  struct Case {
    std::string typed;
    std::uint16_t language;
    std::string transcript;
  };
  const std::vector<Case> cases = {
      {"\n", 0, "{c4}Could not open file : {c12}\"\"\n{c7}"},
      {dir.path("missing") + "\n", 1,
       "{c4}Tidak dapat membuka berkas : {c12}\"" + dir.path("missing") + "\"\n{c7}"},
      {dir.root() + "\n", 0, "{c4}Could not open file : {c12}\"" + dir.root() + "\"\n{c7}"},
  };
  for (const auto& c : cases) {
    std::optional<File> file;
    auto dialogue = run_dialogue(c.typed, c.language, [&] { file = open_input(); });
    EXPECT_FALSE(file);
    EXPECT_EQ(dialogue.transcript(), c.transcript);
  }
  std::string existing = dir.write("with blanks .bin", "abc");
  auto dialogue = run_dialogue(existing + "\n", 0, [&] {
    std::optional<File> file = open_input();
    ASSERT_TRUE(file);
    EXPECT_EQ(file->path(), existing);
    EXPECT_EQ(file->measure_size(), 3);
  });
  EXPECT_EQ(dialogue.transcript(), "");
}

TEST(OverwriteQuestion, OnlyCapitalOrSmallYProceeds) {
  TempDir dir;
  std::string existing = dir.write("old", "keep");
  const std::vector<std::pair<std::string, bool>> answers = {{"Y\n", true},  {"y\n", true},  {"n\n", false},
                                                             {"N\n", false}, {"T\n", false}, {"\n\n", false},
                                                             {"y", true},    {"n", false}};
  for (const auto& [typed, expected] : answers) {
    bool answer = !expected;
    auto dialogue = run_dialogue(typed, 0, [&] { answer = !screen_door({}).admit(existing); });
    EXPECT_EQ(answer, expected) << typed;
    EXPECT_TRUE(dialogue.console.unread_input().empty()) << typed;
  }
  bool answer = false;
  auto english = run_dialogue("y\n", 0, [&] { answer = !screen_door({}).admit(existing); });
  EXPECT_EQ(english.transcript(),
            "{c4}File \"{c12}" + existing + "{c4}\" already exist\n{c7}Overwrite file (Y/N)? ");
  auto indonesian = run_dialogue("T\n", 1, [&] { answer = !screen_door({}).admit(existing); });
  EXPECT_FALSE(answer);
  EXPECT_EQ(indonesian.text(), "Berkas \"" + existing + "\" telah ada\nTimpa berkas (Y/T)? ");

  auto absent = run_dialogue("", 0, [&] { answer = !screen_door({}).admit(dir.path("new")); });
  EXPECT_TRUE(answer);
  EXPECT_EQ(absent.transcript(), "");
}

TEST(OverwriteQuestion, AsksAboutAnExistingFileEvenWhenItCannotBeRead) {
  TempDir dir;
  std::string locked = dir.write("locked", "secret");
  chmod(locked.c_str(), 0);
  bool answer = true;
  auto dialogue = run_dialogue("n\n", 0, [&] { answer = !screen_door({}).admit(locked); });
  EXPECT_FALSE(answer);
  EXPECT_NE(dialogue.text().find("already exist"), std::string::npos);
  chmod(locked.c_str(), 0600);
  EXPECT_EQ(testing::read_file(locked), "secret");
}

TEST(Clip, CopiesOnEveryAnswerButTheLanguagesNo) {
  struct Case {
    std::uint16_t language;
    std::string typed;
    int expected;
  };
  const std::vector<Case> cases = {
      {0, "n\n", 1}, {0, "N\n", 1}, {0, "T\n", 0},  {0, "Y\n", 0}, {0, "\n\n", 0}, {1, "t\n", 1},
      {1, "T\n", 1}, {1, "N\n", 0}, {1, "\n\n", 0}, {0, "n", 1},   {1, "y", 0},
  };
  for (const auto& c : cases) {
    int result = -1;
    auto dialogue = run_dialogue(c.typed, c.language, [&] { result = clip("the text"); });
    EXPECT_EQ(result, c.expected) << c.language << " " << c.typed;
    EXPECT_EQ(dialogue.console.clipboard_text(), c.expected == 0 ? "the text" : "") << c.typed;
    EXPECT_EQ(dialogue.text(), c.language == 0 ? "Copy data output to clipbard (Y/N) ? "
                                               : "Salin keluaran data ke papanklip (Y/T) ? ");
  }
}

TEST(Kit, ModeSkipsZeroDimensionsAndEooResetsTheMenu) {
  Menu menu{7, 5};
  auto dialogue = run_dialogue("\n", 1, [&] {
    mode(0, 24);
    mode(64, 0);
    mode(95, 40);
    EOO(menu);
  });
  EXPECT_EQ(dialogue.transcript(), "{mode 95,40}tekan enter untuk melanjutkan...");
  EXPECT_EQ(menu.choice, 0);
  EXPECT_EQ(menu.invalid_count, 0);
}

TEST(Kit, MessagesFollowTheLanguageAndNothingIsPrintedForOtherValues) {
  auto english = run_dialogue("", 0, [] { say("yes", "ya"); });
  auto indonesian = run_dialogue("", 1, [] { sayf("%d yes", "%d ya", 3); });
  auto neither = run_dialogue("", 2, [] { say("yes", "ya"); });
  EXPECT_EQ(english.text(), "yes");
  EXPECT_EQ(indonesian.text(), "3 ya");
  EXPECT_EQ(neither.text(), "");
}

TEST(Logo, TwentyLinesOfSixtyThreeColumnsWithTheVersionLineByLanguage) {
  const std::vector<std::pair<std::uint16_t, std::string>> versions = {
      {0, " Build date : Sunday, 12 February 2012 "},
      {1, "Tanggal dibuat: Minggu,12 Februari 2012"},
      {2, "     Version 0.1 (12 February 2012)    "},
  };
  for (const auto& [language, version] : versions) {
    auto dialogue = run_dialogue("", language, [] { print_logo(); });
    std::vector<std::string> lines;
    std::string text = dialogue.text();
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      lines.push_back(text.substr(start, end - start));
    ASSERT_EQ(lines.size(), 20u);
    for (const auto& line : lines)
      EXPECT_EQ(line.size(), 63u) << line;
    EXPECT_EQ(lines.front(), lines.back());
    EXPECT_EQ(lines[18].substr(2, 39), version);
    EXPECT_EQ(dialogue.transcript().substr(0, 4), "{c13");
    EXPECT_EQ(dialogue.transcript().substr(dialogue.transcript().size() - 4), "{c7}");
  }
}

TEST(Banner, SmallLettersAreDrawnAsCapitals) {
  auto small = run_dialogue("", 0, [] { print_banner("Split", 11); });
  auto capitals = run_dialogue("", 0, [] { print_banner("SPLIT", 11); });
  EXPECT_EQ(small.transcript(), capitals.transcript());
}

TEST(Banner, EveryScreenWordIsDrawnWithTheHouseCharacters) {
  for (const char* word :
       {"SPLIT", "POTONG", "JOIN", "GABUNG", "COMPARE", "BANDINGKAN", "CHECKSUM", "CEKSUM", "ENCRYPT",
        "ENKRIPSI", "DECRYPT", "DEKRIPSI", "ENCODE", "ENKODE", "DECODE", "DEKODE", "LANGUAGE", "(BAHASA)"}) {
    auto dialogue = run_dialogue("", 0, [&] { print_banner(word, 11); });
    EXPECT_EQ(dialogue.transcript().substr(0, 5), "{c11}");
    for (char c : dialogue.text())
      EXPECT_NE(std::string("$/\\_| \n").find(c), std::string::npos) << word;
    std::size_t widest = 0;
    std::string text = dialogue.text();
    for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      widest = std::max(widest, end - start);
    EXPECT_LE(widest, 95u) << word;
    EXPECT_GT(widest, 0u) << word;
  }
}

// Whole sessions through the shell.
using testing::Dialogue;
struct Session {
  int exit_code;
  Dialogue dialogue;
};

Session run_session(const std::string& typed) {
  int exit_code = -1;
  Dialogue dialogue = run_dialogue(typed, 0, [&] { exit_code = run_program(); });
  return {exit_code, std::move(dialogue)};
}

TEST(StartUp, LanguageAnswerDecidesTheLanguageOrEndsWithErrorOne) {
  struct Case {
    std::string answer;
    int exit_code;
    std::string menu_title;
  };
  const std::vector<Case> cases = {
      {"1\n", 0, "Main Menu :"},
      {"2\n", 0, "Menu utama :"},
      {"abc\n", 0, "Menu utama :"},
      {"65538\n", 0, "Menu utama :"},
      {"0\n", 1, ""},
      {"3\n", 1, ""},
      {"99\n", 1, ""},
  };
  for (const auto& c : cases) {
    Session session = run_session(c.answer + "6\n\n");
    EXPECT_EQ(session.exit_code, c.exit_code) << c.answer;
    const std::string& transcript = session.dialogue.transcript();
    EXPECT_EQ(transcript.rfind("{mode 64,24}", 0), 0u);
    EXPECT_NE(transcript.find(
                  "{c15}Choose your language (Pilih bahasamu) :{c7}\n1) English (Ingris)\n2) Indonesian "
                  "(Indonesia)\nChoice (Pilihanmu) : "),
              std::string::npos);
    EXPECT_NE(transcript.find("     Version 0.1 (12 February 2012)    "), std::string::npos);
    if (c.exit_code == 1) {
      EXPECT_NE(
          transcript.find("{mode 69,2}{c206}error(1) (galat(1)) : {c12}Language not installed (Bahasa tidak "
                          "tersedia){c7}\npress enter to exit (tekan enter untuk keluar)..."),
          std::string::npos);
    } else {
      EXPECT_NE(transcript.find(c.menu_title), std::string::npos) << c.answer;
    }
  }
}

TEST(MainMenu, ShowsTheWelcomeOnceAndTheMenuInBothLanguages) {
  Session english = run_session("1\n5\n\n6\n");
  const std::string& text = english.dialogue.transcript();
  EXPECT_EQ(count(text, "Welcome to Varnelo_v0.1"), 1);
  EXPECT_NE(text.find("{mode 64,31}"), std::string::npos);
  EXPECT_NE(text.find("{mode 64,29}"), std::string::npos);
  EXPECT_NE(
      text.find("{c15}Welcome to Varnelo_v0.1{c7}\n-----------------\n{c15}Main Menu :\n{c9}0) Extra "
                "feature{c7}\n1) Split\n2) Join\n3) Compare\n4) Checksum\n5) About\n6) Exit\nChoice : {c2}"),
      std::string::npos);
  EXPECT_NE(text.find("{mode 90,24}"), std::string::npos);
  EXPECT_NE(text.find("{c15}Varnelo{c7} \nFor more information, please visit {c9}"), std::string::npos);

  Session indonesian = run_session("2\n5\n\n6\n");
  const std::string& teks = indonesian.dialogue.transcript();
  EXPECT_NE(
      teks.find("{c15}Selamat datang di Varnelo_v0.1{c7}\n-----------------\n{c15}Menu utama :\n{c9}0) Fitur "
                "tambahan{c7}\n1) Potong data menjadi beberapa bagian\n2) Gabung data yang terpotong\n3) "
                "Bandingkan dua data\n4) Ceksum (sidik jari data)\n5) Tentang program ini\n6) Keluar dari "
                "program ini\nPilihanmu : {c2}"),
      std::string::npos);
  EXPECT_NE(teks.find("Untuk informasi lebih lanjut, kunjungi : {c9}"), std::string::npos);
  EXPECT_NE(teks.find("Jika anda mengalami masalah dalam program ini, kirim email ke : {c9}"),
            std::string::npos);
}

TEST(MainMenu, NinthInvalidChoiceEndsWithErrorTwo) {
  std::string typed = "1\n";
  for (int i = 0; i < 9; ++i)
    typed += "7\n";
  Session session = run_session(typed + "\n");
  EXPECT_EQ(session.exit_code, 2);
  const std::string& text = session.dialogue.transcript();
  EXPECT_EQ(count(text, "{c12}Invalid choice! please try again\n{c7}"), 8);
  EXPECT_EQ(count(text, "{mode 64,30}"), 9);
  EXPECT_NE(text.find("{cls}{c15}error(2) : {c12}Too many invalid choice{c7}\npress enter to exit..."),
            std::string::npos);
  // While invalid choices accumulate the window is not resized back to 64 x 29.
  EXPECT_EQ(count(text, "{mode 64,29}"), 0);

  std::string indonesian_typed = "2\n";
  for (int i = 0; i < 9; ++i)
    indonesian_typed += "9\n";
  Session indonesian = run_session(indonesian_typed + "\n");
  EXPECT_EQ(indonesian.exit_code, 2);
  EXPECT_EQ(count(indonesian.dialogue.transcript(), "{mode 66,30}"), 9);
  EXPECT_NE(indonesian.dialogue.transcript().find(
                "{cls}{c15}galat(2) : {c12}Pilihan anda salah berkali-kali hingga "
                "melebihi batas{c7}\ntekan enter untuk keluar..."),
            std::string::npos);
}

TEST(MainMenu, ALineWithoutDigitsRepeatsThePreviousChoice) {
  // After an invalid 8, an empty answer is 8 again; eight of those and one more end the program.
  std::string typed = "1\n8\n";
  for (int i = 0; i < 8; ++i)
    typed += "\n\n";
  Session session = run_session(typed + "\n");
  EXPECT_EQ(session.exit_code, 2);

  // After a completed screen the choice is 0, so an empty answer opens the extra-feature menu.
  Session after_screen = run_session("1\n5\n\nnothing\n6\n");
  EXPECT_EQ(after_screen.exit_code, 0);
  EXPECT_NE(after_screen.dialogue.transcript().find("Extra Feature :"), std::string::npos);
}

TEST(MainMenu, ACompletedScreenStartsTheCountAgain) {
  std::string typed = "1\n";
  for (int i = 0; i < 8; ++i)
    typed += "7\n";
  typed += "5\n\n";
  for (int i = 0; i < 8; ++i)
    typed += "7\n";
  Session session = run_session(typed + "6\n");
  EXPECT_EQ(session.exit_code, 0);
  EXPECT_EQ(count(session.dialogue.transcript(), "Invalid choice! please try again"), 16);
}

TEST(ExtraMenu, ChangesTheLanguageAtOnceAndReportsBackToTheMainMenu) {
  Session session = run_session("1\n0\n0\n2\n5\n6\n");
  EXPECT_EQ(session.exit_code, 0);
  const std::string& text = session.dialogue.transcript();
  std::size_t english_menu = text.find(
      "{c15}Extra Feature :{c7}\n0) Change Langguange\n1) Encrypt file\n2) Decrypt "
      "file\n3) Encode\n4) Decode\n5) Main Menu\n6) Exit\nChoice : {c2}");
  std::size_t indonesian_menu = text.find("{mode 81,29}");
  ASSERT_NE(english_menu, std::string::npos);
  ASSERT_NE(indonesian_menu, std::string::npos);
  EXPECT_LT(english_menu, indonesian_menu);
  EXPECT_NE(
      text.find(
          "{c15}Fitur Tambahan :{c7}\n0) Ubah Bahasa\n1) Enkripsi data (lindungi suatu data dengan "
          "kunci berupa berkas/teks)\n2) Dekripsi data (buka suatu data yang terkunci dengan kunci berupa "
          "berkas/teks)\n3) Enkode data (Sandikan suatu data menjadi sandi teks)\n4) Dekode sandi "
          "(Kembalikan suatu sandi kembali menjadi data sebenarnya)\n5) Kembali ke menu utama\n6) "
          "Keluar dari program ini\nPilihanmu : {c2}"),
      std::string::npos);
  EXPECT_NE(text.find("Menu utama :"), std::string::npos);
  EXPECT_NE(text.find("{c14}"), std::string::npos);
}

TEST(ExtraMenu, EndingsAndExitCodes) {
  struct Case {
    std::string typed;
    int exit_code;
  };
  std::string nine_invalid;
  for (int i = 0; i < 9; ++i)
    nine_invalid += "12\n";
  const std::vector<Case> cases = {
      {"1\n0\n6\n", 0},
      {"1\n0\n0\n3\n\n", 1},
      {"1\n0\n0\nnone\n\n", 1},   // English 0 minus one is 65,535: not installed
      {"2\n0\n0\nnone\n6\n", 0},  // Indonesian 1 minus one is English
      {"1\n0\n" + nine_invalid + "\n", 2},
  };
  for (const auto& c : cases) {
    Session session = run_session(c.typed);
    EXPECT_EQ(session.exit_code, c.exit_code) << c.typed;
  }
  Session invalid = run_session("1\n0\n" + nine_invalid + "\n");
  EXPECT_EQ(count(invalid.dialogue.transcript(), "{c4}Invalid choice! please try again\n{c7}"), 8);
  EXPECT_NE(invalid.dialogue.transcript().find("error(2) : "), std::string::npos);
}

TEST(ExtraMenu, MainMenuEntryResetsTheMainInvalidCount) {
  std::string typed = "1\n";
  for (int i = 0; i < 8; ++i)
    typed += "7\n";
  typed += "0\n5\n";
  for (int i = 0; i < 8; ++i)
    typed += "7\n";
  Session session = run_session(typed + "6\n");
  EXPECT_EQ(session.exit_code, 0);
}

// Every window size the two menus set, in the order they set it.
std::vector<std::string> window_sizes(const std::string& transcript) {
  std::vector<std::string> sizes;
  for (std::size_t at = transcript.find("{mode "); at != std::string::npos;
       at = transcript.find("{mode ", at + 1))
    sizes.push_back(transcript.substr(at + 6, transcript.find('}', at) - at - 6));
  return sizes;
}

TEST(Menus, WindowSizesFollowTheMenuTheLanguageAndTheInvalidCount) {
  struct Case {
    const char* name;
    std::string typed;
    std::vector<std::string> sizes;
  };
  const std::vector<Case> cases = {
      {"English: invalid at both menus, back, About",
       "1\n7\n0\n7\n5\n5\n\n6\n",
       {"64,24", "64,31", "64,30", "64,29", "64,30", "64,29", "90,24", "64,29"}},
      {"Indonesian: wider invalid windows, language screen",
       "2\n7\n0\n7\n0\n2\n6\n",
       {"64,24", "64,31", "66,30", "81,29", "81,30", "95,40", "81,29"}},
      {"a second invalid choice leaves the window alone until the last resize",
       "1\n9\n9\n6\n",
       {"64,24", "64,31", "64,30", "64,30"}},
      {"language error from the extra menu", "1\n0\n0\n4\n\n", {"64,24", "64,31", "64,29", "95,40", "69,2"}},
  };
  for (const auto& c : cases) {
    Session session = run_session(c.typed);
    EXPECT_EQ(window_sizes(session.dialogue.transcript()), c.sizes) << c.name;
  }
}

TEST(Menus, ScreensGetTheirWindowRightAfterTheChoice) {
  struct Case {
    std::string typed;
    std::string after_choice;
  };
  const std::vector<Case> cases = {
      {"1\n1\n", "{mode 95,40}"},    {"1\n2\n", "{mode 95,40}"},    {"1\n3\n", "{mode 95,40}"},
      {"1\n4\n", "{mode 95,40}"},    {"1\n5\n", "{mode 90,24}"},    {"1\n0\n0\n", "{mode 95,40}"},
      {"1\n0\n1\n", "{mode 95,40}"}, {"1\n0\n2\n", "{mode 95,40}"}, {"1\n0\n3\n", "{mode 95,40}"},
      {"1\n0\n4\n", "{mode 95,40}"},
  };
  for (const auto& c : cases) {
    Session session = run_session(c.typed);
    const std::string& text = session.dialogue.transcript();
    std::size_t choice = text.rfind("Choice : {c2}{c7}");
    ASSERT_NE(choice, std::string::npos) << c.typed;
    EXPECT_EQ(text.substr(choice + 17, c.after_choice.size()), c.after_choice) << c.typed;
  }
}

TEST(Menus, AboutScreenWholeInBothLanguages) {
  const std::vector<std::pair<std::uint16_t, std::string>> cases = {
      {0,
       "{c15}Varnelo{c7} \nFor more information, please visit {c9}www.varnelo.example\n{c7}If you have "
       "problems in this program, please send email to me at {c9}halbrecht@varnelo.example\n{c7}press enter "
       "to continue..."},
      {1,
       "{c15}Varnelo{c7} \nUntuk informasi lebih lanjut, kunjungi : {c9}www.varnelo.example\n{c7}Jika anda "
       "mengalami masalah dalam program ini, kirim email ke : {c9}halbrecht@varnelo.example\n{c7}tekan enter "
       "untuk melanjutkan..."},
  };
  for (const auto& [language, body] : cases) {
    std::string logo = run_dialogue("", language, [] { print_logo(); }).transcript();
    Session session = run_session(language == 0 ? "1\n5\n\n6\n" : "2\n5\n\n6\n");
    std::string prompt = language == 0 ? "Choice : " : "Pilihanmu : ";
    EXPECT_NE(
        session.dialogue.transcript().find(prompt + "{c2}{c7}{mode 90,24}" + logo + body + "{mode 64,29}"),
        std::string::npos)
        << language;
  }
}

TEST(ExtraMenu, LanguageScreenAndItsErrorInColour) {
  std::string banner = run_dialogue("", 0, [] {
                         print_banner("LANGUAGE", 14);
                         print_banner("(BAHASA)", 14);
                       }).transcript();
  Session session = run_session("2\n0\n0\n0\n\n");
  EXPECT_EQ(session.exit_code, 1);
  const std::string& text = session.dialogue.transcript();
  std::string expected =
      "{mode 95,40}" + banner +
      "{c15}Choose your language (Pilih bahasamu) :{c7}\n1) English (Ingris)\n2) Indonesian "
      "(Indonesia)\nChoice (Pilihanmu) : {mode 69,2}{c206}error(1) (galat(1)) : {c12}Language not installed "
      "(Bahasa tidak tersedia){c7}\npress enter to exit (tekan enter untuk keluar)...";
  ASSERT_GE(text.size(), expected.size());
  EXPECT_EQ(text.substr(text.size() - expected.size()), expected);
}

TEST(ExtraMenu, NinthInvalidChoiceClearsTheWindowWithoutResizing) {
  std::string typed = "2\n0\n";
  for (int i = 0; i < 9; ++i)
    typed += "70000\n";
  Session session = run_session(typed + "\n");
  EXPECT_EQ(session.exit_code, 2);
  const std::string& text = session.dialogue.transcript();
  EXPECT_EQ(count(text, "{c4}Fitur yang anda pilih tidak tersedia! coba lagi pilihan yang lain\n{c7}"), 8);
  const std::string ending =
      "Pilihanmu : {c2}{c7}{mode 81,30}{cls}{c15}galat(2) : {c12}Pilihan anda salah berkali-kali hingga "
      "melebihi batas{c7}\ntekan enter untuk keluar...";
  ASSERT_GE(text.size(), ending.size());
  EXPECT_EQ(text.substr(text.size() - ending.size()), ending);
}

TEST(Shell, EndOfInputAnywhereEndsWithCodeZero) {
  for (const std::string typed : {"", "1", "1\n", "1\n0\n", "1\n7\n", "2\n5\n"}) {
    Session session = run_session(typed);
    EXPECT_EQ(session.exit_code, 0) << typed;
  }
  Session ending = run_session("5\n");
  EXPECT_EQ(ending.exit_code, 1);
}

}  // namespace
}  // namespace varnelo

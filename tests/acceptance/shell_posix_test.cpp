// Start-up, both menus, the About screen and the endings, as a user at a pipe sees them.
#include <string>
#include <vector>

#include "acceptance.hpp"

namespace varnelo::acceptance {
namespace {

using testing::TempDir;

std::string invalid_choice(Language language) {
  return pick(language, "Invalid choice! please try again\n",
              "Fitur yang anda pilih tidak tersedia! coba lagi pilihan yang lain\n");
}

std::string error2(Language language) {
  return pick(
      language, "error(2) : Too many invalid choice\npress enter to exit...",
      "galat(2) : Pilihan anda salah berkali-kali hingga melebihi batas\ntekan enter untuk keluar...");
}

const std::string language_question =
    "Choose your language (Pilih bahasamu) :\n1) English (Ingris)\n2) Indonesian (Indonesia)\n"
    "Choice (Pilihanmu) : ";
const std::string error1 =
    "error(1) (galat(1)) : Language not installed (Bahasa tidak tersedia)\n"
    "press enter to exit (tekan enter untuk keluar)...";

std::string repeated(const std::string& text, int times) {
  std::string all;
  for (int i = 0; i < times; ++i)
    all += text;
  return all;
}

struct Session {
  const char* name;
  std::string typed;
  int exit_code;
  std::string output;
};

void check(const std::vector<Session>& sessions) {
  for (const Session& session : sessions) {
    TempDir dir;
    Outcome outcome = run(session.typed, dir);
    EXPECT_EQ(outcome.exit_code, session.exit_code) << session.name;
    EXPECT_EQ(outcome.output, session.output) << session.name;
  }
}

TEST(ShellSessions, StartUpAndLanguageAnswers) {
  check({
      {"English, then exit", "1\n6\n", 0, start(english)},
      {"Indonesian, then exit", "2\n6\n", 0, start(indonesian)},
      {"a line without digits keeps the start-up value", "\n\n6\n", 0, start(indonesian)},
      {"65,538 wraps to Indonesian", "65538\n6\n", 0, start(indonesian)},
      {"language 3", "3\n\n", 1, logo(2) + language_question + error1},
      {"language 0", "0\n\n", 1, logo(2) + language_question + error1},
      {"input ends at the language question", "", 0, logo(2) + language_question},
      {"input ends at the main menu", "1\n", 0, start(english)},
  });
}

TEST(ShellSessions, AboutScreenInBothLanguages) {
  check({
      {"English", "1\n5\n\n6\n", 0,
       start(english) + logo(english) +
           "Varnelo \nFor more information, please visit www.varnelo.example\n"
           "If you have problems in this program, please send email to me at halbrecht@varnelo.example\n" +
           pause(english) + main_menu(english)},
      {"Indonesian", "2\n5\n\n6\n", 0,
       start(indonesian) + logo(indonesian) +
           "Varnelo \nUntuk informasi lebih lanjut, kunjungi : www.varnelo.example\n"
           "Jika anda mengalami masalah dalam program ini, kirim email ke : halbrecht@varnelo.example\n" +
           pause(indonesian) + main_menu(indonesian)},
  });
}

TEST(ShellSessions, InvalidChoicesAtTheMainMenu) {
  std::vector<Session> sessions;
  for (Language language : {english, indonesian}) {
    std::string answer = language == english ? "1\n" : "2\n";
    std::string again = invalid_choice(language) + main_menu(language);
    sessions.push_back({"an invalid choice, then a line without digits repeats it", answer + "7\n \n6\n", 0,
                        start(language) + again + again});
    sessions.push_back({"the ninth invalid choice ends the program", answer + repeated("9\n", 9) + "\n", 2,
                        start(language) + repeated(again, 8) + error2(language)});
    sessions.push_back(
        {"a completed screen starts the count again",
         answer + repeated("8\n", 8) + "5\n\n" + repeated("8\n", 8) + "6\n", 0,
         start(language) + repeated(again, 8) + logo(language) +
             (language == english ? "Varnelo \nFor more information, please visit "
                                    "www.varnelo.example\nIf you have problems in this program, "
                                    "please send email to me at halbrecht@varnelo.example\n"
                                  : "Varnelo \nUntuk informasi lebih lanjut, kunjungi : "
                                    "www.varnelo.example\nJika anda mengalami masalah dalam "
                                    "program ini, kirim email ke : halbrecht@varnelo.example\n") +
             pause(language) + main_menu(language) + repeated(again, 8)});
  }
  check(sessions);
}

TEST(ShellSessions, ExtraFeatureMenu) {
  std::vector<Session> sessions;
  for (Language language : {english, indonesian}) {
    std::string answer = language == english ? "1\n" : "2\n";
    std::string again = invalid_choice(language) + extra_menu(language);
    sessions.push_back({"back to the main menu, invalid count reset", answer + "7\n0\n9\n5\n6\n", 0,
                        start(language) + invalid_choice(language) + main_menu(language) +
                            extra_menu(language) + again + main_menu(language)});
    sessions.push_back(
        {"exit from the extra menu", answer + "0\n6\n", 0, start(language) + extra_menu(language)});
    sessions.push_back({"the ninth invalid choice there ends the program",
                        answer + "0\n" + repeated("7\n", 9) + "\n", 2,
                        start(language) + extra_menu(language) + repeated(again, 8) + error2(language)});
    sessions.push_back(
        {"a line without digits after a screen opens the extra menu", answer + "5\n\n \n6\n", 0,
         start(language) + logo(language) +
             (language == english ? "Varnelo \nFor more information, please visit "
                                    "www.varnelo.example\nIf you have problems in this program, "
                                    "please send email to me at halbrecht@varnelo.example\n"
                                  : "Varnelo \nUntuk informasi lebih lanjut, kunjungi : "
                                    "www.varnelo.example\nJika anda mengalami masalah dalam "
                                    "program ini, kirim email ke : halbrecht@varnelo.example\n") +
             pause(language) + main_menu(language) + extra_menu(language)});
  }
  check(sessions);
}

TEST(ShellSessions, ChangeOfLanguage) {
  const std::string language_screen = banner("LANGUAGE") + banner("(BAHASA)") + language_question;
  check({
      {"English to Indonesian, every text follows", "1\n0\n0\n2\n5\n6\n", 0,
       start(english) + extra_menu(english) + language_screen + extra_menu(indonesian) +
           main_menu(indonesian)},
      {"Indonesian to English", "2\n0\n0\n1\n6\n", 0,
       start(indonesian) + extra_menu(indonesian) + language_screen + extra_menu(english)},
      {"no digits from Indonesian gives English", "2\n0\n0\n \n6\n", 0,
       start(indonesian) + extra_menu(indonesian) + language_screen + extra_menu(english)},
      {"no digits from English ends with error(1)", "1\n0\n0\n \n\n", 1,
       start(english) + extra_menu(english) + language_screen + error1},
      {"language 3 ends with error(1)", "2\n0\n0\n3\n\n", 1,
       start(indonesian) + extra_menu(indonesian) + language_screen + error1},
  });
}

}  // namespace
}  // namespace varnelo::acceptance

#include <cstdio>
#include <string>
#include <vector>

#include "checksum/checksum64_reference.hpp"
#include "checksum/screens.hpp"
#include "shell/progress.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::Dialogue;
using testing::run_dialogue;
using testing::TempDir;

Dialogue run_screen(const std::string& input, std::uint16_t language, double clock_step = 0) {
  return run_dialogue(input, language, [clock_step] {
    auto& port = static_cast<ScriptedConsole&>(console());
    port.clock_step_ = clock_step;
    timer = -1e9;
    Menu menu;
    menu.choice = 4;
    checksum_screen(menu);
    EXPECT_EQ(menu.choice, 0);
  });
}

// The transcript from the title under the banner on.
std::string after_banner(const Dialogue& dialogue) {
  const std::string& text = dialogue.transcript();
  std::size_t title = text.find("{c15}");
  return title == std::string::npos ? text : text.substr(title);
}

// The transcript from the result lines on (after the completion display).
std::string after_progress(const Dialogue& dialogue) {
  const std::string& text = dialogue.transcript();
  std::size_t end = text.rfind("{c10}Completed!\n{c7}");
  if (end != std::string::npos) return text.substr(end + 20);
  end = text.rfind("{c10}Selesai!\n{c7}");
  return end == std::string::npos ? text : text.substr(end + 18);
}

const std::string type_menu_en =
    "{c15}Checksum type :{c7}\n1) SHA-2 Checksum (224-512 bit)\n2) SHA-1 Checksum (160 bit)\n"
    "3) RIPEMD-160 Checksum (160 bit)\n4) MD5 Checksum (128 bit)\n5) Checksum64 (64 bit)\nChoice : ";
const std::string type_menu_id =
    "{c15}Jenis Ceksum :{c7}\n1) Ceksum SHA-2 (224-512 bit)\n2) Ceksum SHA-1 (160 bit)\n"
    "3) Ceksum RIPEMD-160 (160 bit)\n4) Ceksum MD5 (128 bit)\n5) Ceksum64 (64-bit)\nPilihanmu : ";

TEST(ChecksumScreen, InvalidTypeEndsBeforeThePathQuestion) {
  for (const std::string answer : {"0\n", "6\n", "\n\n", "abc\n", "65542\n"}) {
    Dialogue english = run_screen(answer + "\n", 0);
    EXPECT_EQ(after_banner(english), type_menu_en + "{c12}Invalid Choice!{c7}press enter to continue...")
        << answer;
    Dialogue indonesian = run_screen(answer + "\n", 1);
    EXPECT_EQ(after_banner(indonesian),
              type_menu_id + "{c12}Pilihan tidak tersedia!{c7}tekan enter untuk melanjutkan...")
        << answer;
  }
}

TEST(ChecksumScreen, BannerIsDrawnInColourTwelveInTheLanguageOfTheScreen) {
  Dialogue english = run_screen("0\n\n", 0);
  Dialogue indonesian = run_screen("0\n\n", 1);
  EXPECT_EQ(english.transcript().rfind("{c12}", 0), 0u);
  EXPECT_NE(english.transcript(), indonesian.transcript());
}

TEST(ChecksumScreen, FileThatCannotBeOpenedEndsTheScreen) {
  TempDir dir;
  Dialogue dialogue = run_screen("4\n" + dir.path("missing") + "\n\n", 0);
  EXPECT_EQ(after_banner(dialogue),
            type_menu_en + "input path and filename to check : {c2}{c4}Could not open file : {c12}\"" +
                dir.path("missing") + "\"\n{c7}press enter to continue...");
}

TEST(ChecksumScreen, InvalidVariantClosesTheFile) {
  TempDir dir;
  std::string path = dir.write("a.bin", "abc");
  for (const std::string answer : {"5", "0", ""}) {
    Dialogue dialogue = run_screen("1\n" + path + "\n" + answer + "\n\n\n", 0);
    EXPECT_EQ(after_banner(dialogue), type_menu_en +
                                          "input path and filename to check : {c2}{c7}"
                                          "{c15}Select SHA-2 Checksum type :{c7}\n1) 512 bit\n2) 384 bit\n"
                                          "3) 256 bit\n4) 224 bit\nChoice : {c12}Invalid Choice!{c7}"
                                          "press enter to continue...")
        << answer;
  }
  Dialogue indonesian = run_screen("1\n" + path + "\n5\n\n", 1);
  EXPECT_NE(
      indonesian.transcript().find("{c15}Pilih jenis ceksum SHA-2 :{c7}\n1) 512 bit\n2) 384 bit\n3) 256 bit\n"
                                   "4) 224 bit\nPilihanmu : {c12}Pilihan tidak tersedia!{c7}tekan enter"),
      std::string::npos);
}

TEST(ChecksumScreen, Sha2WidthsAndDigitCounts) {
  struct Case {
    std::string answer;
    std::string width;
    std::string digest;
  };
  const std::vector<Case> cases = {
      {"1", "512",
       "ddaf35a193617abacc417349ae20413112e6fa4e89a97ea20a9eeee64b55d39a2192992a274fc1a836ba3c23a3feebbd454d4"
       "423643ce80e"
       "2a9ac94fa54ca49f"},
      {"2", "384",
       "cb00753f45a35e8bb5a03d699ac65007272c32ab0eded1631a8b605a43ff5bed8086072ba1e7cc2358baeca134c825a7"},
      {"3", "256", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"4", "224", "23097d223405d8228642a477bda255b32aadbce4bda0b3f7e36c9da7"},
  };
  TempDir dir;
  std::string path = dir.write("abc.txt", "abc");
  for (const auto& c : cases) {
    Dialogue dialogue = run_screen("1\n" + path + "\n" + c.answer + "\ny\n\n", 0);
    EXPECT_NE(dialogue.transcript().find("{cls}{c10}Generating SHA-2 checksum, please wait...\n"),
              std::string::npos);
    EXPECT_EQ(after_progress(dialogue),
              "{c7}SHA-2 (" + c.width + " bit) Checksum for file {c2}" + path + "{c7} is :\n{c10}" +
                  c.digest +
                  "{c7}\nRunning time : {c14}0.00 seconds.\n{c7}"
                  "Copy data output to clipbard (Y/N) ? {c11}SHA-2 Checksum has been copied "
                  "to clipboard.{c7}press enter to continue...")
        << c.width;
    EXPECT_EQ(dialogue.console.clipboard_,
              "SHA-2 (" + c.width + " bit) Checksum for file " + path + " is :\n" + c.digest);
    Dialogue indonesian = run_screen("1\n" + path + "\n" + c.answer + "\ny\n\n", 1);
    EXPECT_EQ(after_progress(indonesian),
              "{c7}Ceksum SHA-2 (" + c.width + " bit) untuk berkas {c2}" + path + "{c7} adalah :\n{c10}" +
                  c.digest +
                  "{c7}\nWaktu proses : {c14}0.00 detik.\n{c7}"
                  "Salin keluaran data ke papanklip (Y/T) ? {c11}Ceksum SHA-2 telah disalin "
                  "ke papanklip.{c7}tekan enter untuk melanjutkan...");
    EXPECT_EQ(indonesian.console.clipboard_,
              "Ceksum SHA-2 (" + c.width + " bit) untuk berkas " + path + " adalah :\n" + c.digest);
  }
}

TEST(ChecksumScreen, ResultLinesOfTheOtherTypes) {
  struct Case {
    std::string answer;
    std::uint16_t language;
    std::string shown;  // from the lead-in to the end of the screen, with PATH for the path
    std::string clipboard;
  };
  const std::vector<Case> cases = {
      {"2", 0,
       "{c7}SHA-1 Checksum for file {c2}PATH{c7} is :\n{c10}a9993e364706816aba3e25717850c26c9cd0d89d{c7}\n"
       "Running time : {c14}0.00 seconds.\n{c7}Copy data output to clipbard (Y/N) ? {c11}SHA-1 Checksum has "
       "been "
       "copied to clipboard.{c7}press enter to continue...",
       "SHA-1 Checksum for file PATH is :\na9993e364706816aba3e25717850c26c9cd0d89d"},
      {"2", 1,
       "{c7}Ceksum SHA-1 untuk berkas {c2}PATH{c7} adalah "
       ":\n{c10}a9993e364706816aba3e25717850c26c9cd0d89d{c7}\n"
       "Waktu proses : {c14}0.00 detik.\n{c7}Salin keluaran data ke papanklip (Y/T) ? {c11}Ceksum SHA-1 "
       "telah "
       "disalin ke papanklip.{c7}tekan enter untuk melanjutkan...",
       "Ceksum SHA-1 untuk berkas PATH adalah :\na9993e364706816aba3e25717850c26c9cd0d89d"},
      {"3", 0,
       "{c7}RIPEMD-160 Checksum for file {c2}PATH{c7} is "
       ":\n{c10}8eb208f7e05d987a9b044a8e98c6b087f15a0bfc{c7}\n"
       "Running time : {c14}0.00 seconds.\n{c7}Copy data output to clipbard (Y/N) ? {c11}RIPEMD-160 Checksum "
       "has "
       "been copied to clipboard.{c7}press enter to continue...",
       "RIPEMD-160 Checksum for file PATH is :\n8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
      {"3", 1,
       "{c7}Ceksum RIPEMD-160 untuk berkas {c2}PATH{c7} adalah "
       ":\n{c10}8eb208f7e05d987a9b044a8e98c6b087f15a0bfc{c7}\n"
       "Waktu proses : {c14}0.00 detik.\n{c7}Salin keluaran data ke papanklip (Y/T) ? {c11}Ceksum RIPEMD-160 "
       "telah "
       "disalin ke papanklip.{c7}tekan enter untuk melanjutkan...",
       "Ceksum RIPEMD-160 untuk berkas PATH adalah :\n8eb208f7e05d987a9b044a8e98c6b087f15a0bfc"},
      {"4", 0,
       "{c7}MD5 Checksum for file {c2}PATH{c7} is : {c10}900150983cd24fb0d6963f7d28e17f72{c7}\n"
       "Running time : {c14}0.00 seconds.\n{c7}Copy data output to clipbard (Y/N) ? {c11}MD5 Checksum has "
       "been "
       "copied to clipboard.{c7}press enter to continue...",
       "MD5 Checksum for file PATH is : 900150983cd24fb0d6963f7d28e17f72"},
      {"4", 1,
       "{c7}Ceksum MD5 untuk berkas {c2}PATH{c7} adalah : {c10}900150983cd24fb0d6963f7d28e17f72{c7}\n"
       "Waktu proses : {c14}0.00 detik.\n{c7}Salin keluaran data ke papanklip (Y/T) ? {c11}Ceksum MD5 telah "
       "disalin ke papanklip.{c7}tekan enter untuk melanjutkan...",
       "Ceksum MD5 untuk berkas PATH adalah : 900150983cd24fb0d6963f7d28e17f72"},
      // Checksum64 offers the clipboard before the running time, and its text is English in
      // both languages.
      {"5", 0,
       "{c7}Checksum for file {c2}PATH{c7} is : {c10}4be3e85a17edffec\n{c7}Copy data output to clipbard "
       "(Y/N) ? "
       "{c11}Checksum has been copied to clipboard.{c7}Running time : {c14}0.00 seconds.\n{c7}"
       "press enter to continue...",
       "Checksum for file PATH is : 4be3e85a17edffec\n"},
      {"5", 1,
       "{c7}Ceksum (kode sidik jari) dari file {c2}PATH{c7} adalah : {c10}4be3e85a17edffec\n{c7}"
       "Salin keluaran data ke papanklip (Y/T) ? {c11}Ceksum telah disalin ke papanklip.{c7}"
       "Waktu proses : {c14}0.00 detik.\n{c7}tekan enter untuk melanjutkan...",
       "Checksum for file PATH is : 4be3e85a17edffec\n"},
  };
  TempDir dir;
  std::string path = dir.write("abc.txt", "abc");
  auto with_path = [&](std::string text) {
    for (std::size_t at; (at = text.find("PATH")) != std::string::npos;)
      text.replace(at, 4, path);
    return text;
  };
  for (const auto& c : cases) {
    Dialogue dialogue = run_screen(c.answer + "\n" + path + "\ny\n\n", c.language);
    EXPECT_EQ(after_progress(dialogue), with_path(c.shown)) << c.answer << " " << c.language;
    EXPECT_EQ(dialogue.console.clipboard_, with_path(c.clipboard)) << c.answer << " " << c.language;
  }
}

TEST(ChecksumScreen, ClipboardOfferAnswers) {
  struct Case {
    std::uint16_t language;
    std::string answer;
    bool copied;
  };
  // Only the language's own "no" letter declines; a bare Enter copies (and, read character by
  // character, the offer then takes one more character).
  const std::vector<Case> cases = {{0, "n\n", false}, {0, "N\n", false}, {0, "T\n", true}, {0, "\n\n", true},
                                   {1, "t\n", false}, {1, "T\n", false}, {1, "N\n", true}, {1, "y\n", true}};
  TempDir dir;
  std::string path = dir.write("abc.txt", "abc");
  for (const auto& c : cases) {
    for (const std::string type : {"4", "5"}) {
      Dialogue dialogue = run_screen(type + "\n" + path + "\n" + c.answer + "\n", c.language);
      EXPECT_EQ(!dialogue.console.clipboard_.empty(), c.copied) << c.answer << " " << type;
      const std::string& text = dialogue.transcript();
      bool confirmed = text.find("{c11}Checksum has been copied to clipboard.") != std::string::npos ||
                       text.find("{c11}MD5 Checksum has been copied to clipboard.") != std::string::npos ||
                       text.find("telah disalin ke papanklip.") != std::string::npos;
      EXPECT_EQ(confirmed, c.copied) << c.answer << " " << type;
      EXPECT_FALSE(dialogue.ended_by_end_of_input) << c.answer;
    }
  }
}

TEST(ChecksumScreen, ReadErrorGivesNoResult) {
  TempDir dir;
  std::string path = dir.write("data.bin", testing::pattern_bytes(5000, 8));
  for (const std::string answers : {"2\nPATH\n", "5\nPATH\n", "1\nPATH\n2\n"}) {
    for (std::uint16_t language : {0, 1}) {
      std::string input = answers;
      input.replace(input.find("PATH"), 4, path);
      set_fault_plan({path, 1000, -1});
      Dialogue dialogue = run_screen(input + "y\n\n", language);
      set_fault_plan({});
      std::string message =
          language == 0
              ? "{c4}Read error on file : {c12}\"" + path + "\"\n{c7}press enter to continue..."
              : "{c4}Gagal membaca berkas : {c12}\"" + path + "\"\n{c7}tekan enter untuk melanjutkan...";
      const std::string& text = dialogue.transcript();
      ASSERT_GE(text.size(), message.size());
      EXPECT_EQ(text.substr(text.size() - message.size()), message) << answers;
      EXPECT_EQ(text.find("(100%)"), std::string::npos) << answers;
      EXPECT_EQ(text.find("clipbard"), std::string::npos) << answers;
      EXPECT_EQ(text.find("papanklip"), std::string::npos) << answers;
      EXPECT_TRUE(dialogue.console.clipboard_.empty());
    }
  }
}

// Every ">(N%)" of the transcript in order.
std::vector<int> percentages(const std::string& transcript) {
  std::vector<int> found;
  for (std::size_t at = transcript.find(">("); at != std::string::npos; at = transcript.find(">(", at + 2)) {
    std::size_t end = transcript.find("%)", at);
    if (end != std::string::npos) found.push_back(std::stoi(transcript.substr(at + 2, end - at - 2)));
  }
  return found;
}

TEST(ChecksumScreen, ProgressRisesOnePercentPerBlockAndEndsPastTheData) {
  TempDir dir;
  // 100 bytes in 64-byte blocks: 0 % before block 0, 1 % before block 1 (64 * 100 / 164 = 39),
  // then 100 % with the two whole blocks, 128 bytes.
  std::string small = dir.write("small.bin", testing::pattern_bytes(100, 1));
  Dialogue stepping = run_screen("4\n" + small + "\nn\n\n", 0, 2000);
  EXPECT_EQ(percentages(stepping.transcript()), (std::vector<int>{0, 1, 100}));
  Dialogue still = run_screen("4\n" + small + "\nn\n\n", 0);
  // The clock stands still, so the elapsed time counts as one tick: 128 bytes per tick.
  EXPECT_NE(still.transcript().find("{c11}125.00{c7} KB per second."), std::string::npos);

  // Checksum64 on 150 bytes: no call at 0 % from the loop, one more percentage per byte.
  std::string bytes = dir.write("bytes.bin", testing::pattern_bytes(150, 1));
  Dialogue checksum64 = run_screen("5\n" + bytes + "\nn\n\n", 0, 2000);
  std::vector<int> expected{0};
  for (int n = 0, shown = 0; n < 150; ++n)
    if (n * 100 / 150 > shown) expected.push_back(++shown);
  expected.push_back(100);
  EXPECT_EQ(percentages(checksum64.transcript()), expected);
}

TEST(ChecksumScreen, EmptyFileGivesTheDigestOfTheEmptyMessage) {
  TempDir dir;
  std::string path = dir.write("empty", "");
  Dialogue md5 = run_screen("4\n" + path + "\nn\n\n", 0);
  EXPECT_NE(md5.transcript().find("{c10}d41d8cd98f00b204e9800998ecf8427e{c7}"), std::string::npos);
  Dialogue checksum64 = run_screen("5\n" + path + "\nn\n\n", 0);
  EXPECT_NE(checksum64.transcript().find("{c10}204967e9132b3e81\n"), std::string::npos);
  EXPECT_EQ(percentages(checksum64.transcript()), (std::vector<int>{0, 100}));
}

TEST(ChecksumScreen, Checksum64IsShownWithoutLeadingZeros) {
  // Look for a short content whose value has a zero top digit; about one in sixteen has.
  std::string content;
  std::uint64_t value = 0;
  for (unsigned seed = 1; content.empty() || value >> 60 != 0; ++seed) {
    content = testing::pattern_bytes(1 + seed % 40, seed);
    value = testing::checksum64_reference(content);
  }
  TempDir dir;
  std::string path = dir.write("short.bin", content);
  Dialogue dialogue = run_screen("5\n" + path + "\nn\n\n", 0);
  char digits[17];
  std::snprintf(digits, sizeof digits, "%llx", static_cast<unsigned long long>(value));
  ASSERT_LT(std::string(digits).size(), 16u);
  EXPECT_NE(dialogue.transcript().find(std::string(" is : {c10}") + digits + "\n{c7}"), std::string::npos);
}

}  // namespace
}  // namespace varnelo

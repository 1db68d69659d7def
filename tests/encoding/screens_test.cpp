#include <string>
#include <vector>

#include "encoding/reference_codec.hpp"
#include "shell/banner.hpp"
#include "shell/progress.hpp"

#include "encoding/screens.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::all_notations;
using testing::Dialogue;
using testing::name_of;
using testing::pattern_bytes;
using testing::reference_encode;
using testing::run_dialogue;
using testing::TempDir;

const std::string press_enter = "press enter to continue...";
const std::string tekan_enter = "tekan enter untuk melanjutkan...";

// A path of `length` bytes in folders that do not exist, so that only its length decides the
// message; no name in it passes the 255 characters a file system takes.
std::string missing_path_of_length(const TempDir& dir, std::size_t length, const std::string& ending = "") {
  std::string path = dir.path("missing/");
  while (path.size() + ending.size() < length)
    path += (path.back() == '/' || path.size() % 200 != 0) ? 'p' : '/';
  return path + ending;
}

// Runs a screen from a menu whose state EOO must clear.
template <void (*Screen)(Menu&)>
Dialogue run_screen(const std::string& typed, std::uint16_t language = 0, double clock_step = 0) {
  return run_dialogue(typed, language, [&] {
    auto& port = static_cast<ScriptedConsole&>(console());
    port.clock_step_ = clock_step;
    timer = 0;
    Menu menu{3, 2};
    Screen(menu);
    EXPECT_EQ(menu.choice, 0);
    EXPECT_EQ(menu.invalid_count, 0);
  });
}
Dialogue encode(const std::string& typed, std::uint16_t language = 0, double clock_step = 0) {
  return run_screen<encode_screen>(typed, language, clock_step);
}
Dialogue decode(const std::string& typed, std::uint16_t language = 0, double clock_step = 0) {
  return run_screen<decode_screen>(typed, language, clock_step);
}

std::string banner(std::string_view english, std::string_view indonesian, std::uint16_t colour,
                   std::uint16_t language) {
  return run_dialogue("", language, [&] { screen_banner(english, indonesian, colour); }).transcript();
}

std::string mode_digit(Notation notation) {
  return std::to_string(static_cast<int>(notation) + 1);
}

// The percentages drawn, in order: the figure in every ">(N%)" line.
std::vector<int> drawn_percentages(const std::string& transcript) {
  std::vector<int> drawn;
  for (std::size_t at = transcript.find(">("); at != std::string::npos; at = transcript.find(">(", at + 1)) {
    std::size_t end = transcript.find("%)\n", at);
    if (end != std::string::npos) drawn.push_back(std::stoi(transcript.substr(at + 2, end - at - 2)));
  }
  return drawn;
}

// What the block-by-block loop shows when every rise is drawn: one step per block of
// `block` units out of `total`, then 100.
std::vector<int> block_model(std::int64_t total, std::int64_t block, std::int64_t blocks_run = -1) {
  std::vector<int> drawn;
  int shown = 0;
  bool redraw = true;
  std::int64_t run = 0;
  for (std::int64_t done = 0; done < total && (blocks_run < 0 || run < blocks_run); done += block, ++run) {
    if (done * 100 / total > shown) ++shown, redraw = true;
    if (redraw) drawn.push_back(shown), redraw = false;
  }
  drawn.push_back(100);
  return drawn;
}

TEST(EncodeScreen, WholeDialogueInEnglish) {
  TempDir dir;
  std::string in = dir.write("abc", "abc");
  auto dialogue = encode("2\n" + in + "\n" + dir.path("out") + "\n2\n\n");
  const std::string expected =
      banner("ENCODE", "ENKODE", 13, 0) +
      "{c15}Select encode mode :{c7}\n1) Binary(base2) Mode\n2) Hexadecimal(base16) Mode\n3) MIME(base64) "
      "Mode\n"
      "Choice : Input path and filename for input file : {c2}{c7}{c7}Input path and filename for output file "
      ": "
      "{c2}{c7}Bytes per line : "
      "{cls}{c10}Encoding data to text in hexadecimal mode, please wait...\n{c7}Progress : <{c15}" +
      std::string(50, ' ') + "{c7}>(0%)\n{cls}{c10}{c7}Progress : <{c15}" + std::string(50, '=') +
      "{c7}>(100%)\nAverage process speed : {c11}2.93{c7} KB per second.\n{c10}Completed!\n{c7}"
      "Running time : {c14}0.00 seconds.\n{c7}" +
      press_enter;
  EXPECT_EQ(dialogue.transcript(), expected);
  EXPECT_EQ(dir.read("out.txt"), "61 62\n63");
  EXPECT_TRUE(dialogue.console.unread_input().empty());
}

TEST(EncodeScreen, WholeDialogueInIndonesian) {
  TempDir dir;
  std::string in = dir.write("a", "a");
  auto dialogue = encode("3\n" + in + "\n" + dir.path("keluar.txt") + "\n4\n\n", 1);
  const std::string expected =
      banner("ENCODE", "ENKODE", 13, 1) +
      "{c15}Pilih mode penyandian (enkode) :{c7}\n1) Mode Biner (basis2)\n2) Mode Heksadesimal (basis16)\n"
      "3) Mode MIME (basis64)\nPilihanmu : Masukkan alamat dan nama berkas untuk berkas masukan : "
      "{c2}{c7}{c7}"
      "Masukkan alamat dan nama berkas untuk berkas keluaran : {c2}{c7}Banyak Byte dalam satu baris : "
      "{cls}{c10}{c7}Kemajuan : <{c15}" +
      std::string(50, '=') +
      "{c7}>(100%)\nKecepatan proses rata-rata : {c11}1000{c7} Byte per detik.\n{c10}Selesai!\n{c7}"
      "Waktu proses : {c14}0.00 detik.\n{c7}" +
      tekan_enter;
  EXPECT_EQ(dialogue.transcript(), expected);
  EXPECT_EQ(dir.read("keluar.txt"), "YQ=\n=");
}

struct FileCase {
  Notation notation;
  std::string data;
  std::string bytes_per_line;
  std::string text;
};

TEST(EncodeScreen, WritesTheLayoutOfEachMode) {
  const std::vector<FileCase> cases = {
      {Notation::binary, "abc", "2", "01100001 01100010\n01100011"},
      {Notation::hexadecimal, "abc", "2", "61 62\n63"},
      {Notation::mime, "abc", "77", "YWJj"},
      {Notation::mime, "abc", "5", "YWJj\n"},
      {Notation::mime, "abcdefgh", "5", "YWJj\nZGVm\nZ2g="},
      {Notation::mime, "a", "5", "YQ=="},
      {Notation::mime, "a", "4", "YQ=\n="},
      {Notation::mime, "ab", "x7 7", "YWI="},
      {Notation::binary, "a", "1", "01100001"},
      {Notation::binary, "ab", "1", "01100001\n01100010"},
      {Notation::hexadecimal, "\xaf", "65535", "af"},
      {Notation::binary, "", "3", ""},
      {Notation::hexadecimal, "", "3", ""},
      {Notation::mime, "", "3", ""},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::string in = dir.write("in", c.data);
    auto dialogue = encode(mode_digit(c.notation) + "\n" + in + "\n" + dir.path("out") + "\n" +
                           c.bytes_per_line + "\n\n");
    EXPECT_EQ(dir.read("out.txt"), c.text)
        << name_of(c.notation) << " of " << c.data << " with " << c.bytes_per_line;
    EXPECT_NE(dialogue.text().find("Completed!\n"), std::string::npos);
  }
}

TEST(EncodeScreen, ReservedSpaceNeverShowsInTheFileSize) {
  TempDir dir;
  {
    std::optional<File> file = File::open_write(dir.path("reserved"));
    ASSERT_TRUE(file);
    file->reserve(1 << 20);
    ASSERT_TRUE(file->write("abc", 3));
  }
  EXPECT_EQ(dir.read("reserved"), "abc");
}

TEST(EncodeScreen, EmptyInputShowsOnlyTheCompletedDisplay) {
  for (Notation notation : all_notations) {
    TempDir dir;
    std::string in = dir.write("empty", "");
    auto dialogue = encode(mode_digit(notation) + "\n" + in + "\n" + dir.path("out") + "\n10\n\n", 0, 1000);
    EXPECT_EQ(drawn_percentages(dialogue.transcript()), std::vector<int>{100}) << name_of(notation);
    EXPECT_TRUE(dir.exists("out.txt"));
    EXPECT_EQ(dir.read("out.txt"), "");
  }
}

TEST(EncodeScreen, AppendsTxtUnlessThePathEndsInLowerCaseTxt) {
  const std::vector<std::pair<std::string, std::string>> cases = {{"out", "out.txt"},
                                                                  {"out.TXT", "out.TXT.txt"},
                                                                  {"out.txt", "out.txt"},
                                                                  {"txt", "txt.txt"},
                                                                  {"a.tx", "a.tx.txt"}};
  for (const auto& [typed, written] : cases) {
    TempDir dir;
    std::string in = dir.write("in", "x");
    encode("2\n" + in + "\n" + dir.path(typed) + "\n8\n\n");
    EXPECT_TRUE(dir.exists(written)) << typed;
    EXPECT_EQ(dir.read(written), "78") << typed;
  }
}

TEST(EncodeScreen, InvalidModeTouchesNothing) {
  for (std::string answer : {"0", "4", "", "none", "65536"}) {
    for (std::uint16_t language : {0, 1}) {
      auto dialogue = encode(answer + "\n\n\n", language);
      std::string message = language == 0 ? "Choice : {c12}Invalid Choice!{c7}" + press_enter
                                          : "Pilihanmu : {c12}Pilihan tidak tersedia!{c7}" + tekan_enter;
      std::string transcript = dialogue.transcript();
      ASSERT_GE(transcript.size(), message.size());
      EXPECT_EQ(transcript.substr(transcript.size() - message.size()), message) << answer;
    }
  }
}

// The output is opened before the line length is asked, so 0 leaves it there, empty.
TEST(EncodeScreen, NoBytesPerLineLeavesTheOldFileAndCreatesNone) {
  for (std::string answer : {"0", "", "none", "65536"}) {
    TempDir dir;
    std::string in = dir.write("in", "data");
    dir.write("old.txt", "kept");
    auto declined = encode("1\n" + in + "\n" + dir.path("old") + "\ny\n" + answer + "\n\n\n");
    EXPECT_NE(declined.transcript().find("Bytes per line : {c12}No file output!{c7}" + press_enter),
              std::string::npos);
    EXPECT_EQ(dir.read("old.txt"), "kept") << answer;

    auto created = encode("1\n" + in + "\n" + dir.path("new") + "\n" + answer + "\n\n\n", 1);
    EXPECT_NE(created.transcript().find("{c12}Tidak ada berkas keluaren!{c7}" + tekan_enter),
              std::string::npos);
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in", "old.txt"})) << answer;
  }
}

TEST(EncodeScreen, DeclinedOverwriteEndsWithoutMessage) {
  TempDir dir;
  std::string in = dir.write("in", "data");
  dir.write("old.txt", "precious");
  auto dialogue = encode("1\n" + in + "\n" + dir.path("old") + "\nn\n\n");
  EXPECT_EQ(dir.read("old.txt"), "precious");
  std::string tail = "Overwrite file (Y/N)? " + press_enter;
  EXPECT_EQ(dialogue.text().substr(dialogue.text().size() - tail.size()), tail);
}

TEST(EncodeScreen, RefusesToWriteOverItsInput) {
  TempDir dir;
  std::string in = dir.write("same.txt", "keep me");
  auto dialogue = encode("2\n" + in + "\n" + dir.path("same") + "\n5\n\n");
  EXPECT_NE(dialogue.transcript().find("{c12}Output file is the same as an input file!\n{c7}" + press_enter),
            std::string::npos);
  EXPECT_EQ(dir.read("same.txt"), "keep me");
  EXPECT_EQ(dialogue.text().find("Overwrite"), std::string::npos);
}

TEST(EncodeScreen, MissingInputAndUnwritableOutput) {
  TempDir dir;
  auto missing = encode("1\n" + dir.path("nothing") + "\n\n");
  EXPECT_NE(missing.transcript().find("{c4}Could not open file : {c12}\"" + dir.path("nothing") + "\"\n{c7}" +
                                      press_enter),
            std::string::npos);

  std::string in = dir.write("in", "data");
  std::string bad = dir.path("no/such/folder/out");
  auto unwritable = encode("1\n" + in + "\n" + bad + "\n\n");
  // The bytes per line are not asked for an output that cannot be written.
  EXPECT_NE(unwritable.transcript().find("{c2}{c7}{c4}Could write to file : {c12}\"" + bad + ".txt\"\n{c7}" +
                                         press_enter),
            std::string::npos);
  EXPECT_EQ(unwritable.text().find("Bytes per line"), std::string::npos);
  EXPECT_TRUE(unwritable.console.unread_input().empty());
}

TEST(EncodeScreen, RefusesAnOutputPathWithoutRoomForTxt) {
  TempDir dir;
  std::string in = dir.write("in", "data");
  struct Case {
    std::string path;
    bool too_long;
  };
  const std::vector<Case> cases = {{missing_path_of_length(dir, 995), false},
                                   {missing_path_of_length(dir, 996), true},
                                   {missing_path_of_length(dir, 999, ".txt"), false}};
  for (const auto& c : cases) {
    auto dialogue = encode("1\n" + in + "\n" + c.path + "\n4\n\n");
    bool refused = dialogue.text().find("Path is too long!\n" + press_enter) != std::string::npos;
    EXPECT_EQ(refused, c.too_long) << c.path.size();
    EXPECT_EQ(dialogue.text().find("Could write to file") != std::string::npos, !c.too_long) << c.path.size();
  }
}

TEST(EncodeScreen, ProgressFollowsTheBlocksAcrossChunks) {
  struct Case {
    Notation notation;
    std::size_t size;
  };
  // Several of the screen's read chunks, ending in a partial block (and a partial group).
  const std::vector<Case> cases = {
      {Notation::binary, 600001}, {Notation::hexadecimal, 1300001}, {Notation::mime, 2500000}};
  for (const auto& c : cases) {
    TempDir dir;
    std::string data = pattern_bytes(c.size, 3);
    std::string in = dir.write("in", data);
    auto dialogue = encode(mode_digit(c.notation) + "\n" + in + "\n" + dir.path("out") + "\n77\n\n", 0, 1000);
    auto total = static_cast<std::int64_t>(c.notation == Notation::mime ? c.size / 3 : c.size);
    EXPECT_EQ(drawn_percentages(dialogue.transcript()),
              block_model(total, c.notation == Notation::mime ? 1365 : 4096))
        << name_of(c.notation);
    EXPECT_TRUE(dir.read("out.txt") == reference_encode(c.notation, data, 77)) << name_of(c.notation);
  }
}

TEST(EncodeScreen, ReadAndWriteFailuresAreReported) {
  for (Notation notation : all_notations) {
    TempDir dir;
    std::string data = pattern_bytes(300000, 5);
    std::string in = dir.write("in", data);
    std::string typed = mode_digit(notation) + "\n" + in + "\n" + dir.path("out") + "\n76\n\n";

    set_fault_plan({in, 100000, -1});
    auto short_read = encode(typed);
    set_fault_plan({});
    EXPECT_NE(
        short_read.transcript().find("{c4}Read error on file : {c12}\"" + in + "\"\n{c7}" + press_enter),
        std::string::npos)
        << name_of(notation);
    EXPECT_EQ(short_read.text().find("Completed!"), std::string::npos);
    // Nothing of the text appears, not even what was converted before the failure.
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"in"})) << name_of(notation);

    set_fault_plan({dir.path("out.txt"), -1, 5000});
    auto short_write = encode(mode_digit(notation) + "\n" + in + "\n" + dir.path("out") + "\n76\n\n");
    set_fault_plan({});
    EXPECT_NE(short_write.transcript().find("{c4}Write error on file : {c12}\"" + dir.path("out.txt") +
                                            "\"\n{c7}" + press_enter),
              std::string::npos)
        << name_of(notation);
    EXPECT_EQ(short_write.text().find("Completed!"), std::string::npos);
  }
}

TEST(DecodeScreen, WholeDialogueInEnglish) {
  TempDir dir;
  std::string in = dir.write("text.txt", "YWJj=ZGVm");
  auto dialogue = decode("3\n" + in + "\n" + dir.path("data") + "\n\n");
  const std::string expected =
      banner("DECODE", "DEKODE", 11, 0) +
      "{c15}Select decode mode :{c7}\n1) Binary(base2) Mode\n2) Hexadecimal(base16) Mode\n3) MIME(base64) "
      "Mode\n"
      "Choice : Input path and filename for input file : {c2}{c7}{c7}Input path and filename for output file "
      ": "
      "{c2}{c7}"
      "{cls}{c10}Decoding text to data in MIME (base 64) mode, please wait...\n{c7}Progress : <{c15}" +
      std::string(50, ' ') + "{c7}>(0%)\n{cls}{c10}{c7}Progress : <{c15}" + std::string(50, '=') +
      "{c7}>(100%)\nAverage process speed : {c11}8.79{c7} KB per second.\n{c10}Completed!\n{c7}"
      "Running time : {c14}0.00 seconds.\n{c7}" +
      press_enter;
  EXPECT_EQ(dialogue.transcript(), expected);
  EXPECT_EQ(dir.read("data"), "abc");
}

TEST(DecodeScreen, IndonesianLabelsAndMessages) {
  const std::vector<std::pair<Notation, std::string>> labels = {
      {Notation::binary, "Mengubah teks sandi menjadi data dalam mode biner, silahkan tunggu...\n"},
      {Notation::hexadecimal,
       "Mengubah teks sandi menjadi data dalam mode heksadesimal, silahkan tunggu...\n"},
      {Notation::mime, "Mengubah teks sandi menjadi data dalam mode MIME (basis 64), silahkan tunggu...\n"}};
  for (const auto& [notation, label] : labels) {
    TempDir dir;
    std::string in = dir.write("t", "0110000101100010");
    auto dialogue = decode(mode_digit(notation) + "\n" + in + "\n" + dir.path("d") + "\n\n", 1);
    EXPECT_NE(
        dialogue.transcript().find("{c15}Pilih mode pemecah sandi (dekode) :{c7}\n1) Mode Biner (basis2)\n"),
        std::string::npos);
    EXPECT_NE(dialogue.transcript().find("{c10}" + label), std::string::npos) << name_of(notation);
    EXPECT_NE(dialogue.text().find("Selesai!\n"), std::string::npos);
  }
}

TEST(EncodeScreen, LabelsInBothLanguages) {
  const std::vector<std::pair<Notation, std::string>> labels = {
      {Notation::binary, "Encoding data to text in binary mode, please wait...\n"},
      {Notation::hexadecimal, "Encoding data to text in hexadecimal mode, please wait...\n"},
      {Notation::mime, "Encoding data to text in MIME (base 64) mode, please wait...\n"},
      {Notation::binary, "Menyandikan data menjadi text dalam mode biner, silahkan tunggu...\n"},
      {Notation::hexadecimal, "Menyandikan data menjadi text dalam mode heksadesimal, silahkan tunggu...\n"},
      {Notation::mime, "Menyandikan data menjadi text dalam mode MIME (basis 64), silahkan tunggu...\n"}};
  for (std::size_t i = 0; i < labels.size(); ++i) {
    TempDir dir;
    std::string in = dir.write("in", "abcdef");
    auto dialogue =
        encode(mode_digit(labels[i].first) + "\n" + in + "\n" + dir.path("o") + "\n9\n\n", i < 3 ? 0 : 1);
    EXPECT_NE(dialogue.transcript().find("{c10}" + labels[i].second), std::string::npos) << labels[i].second;
  }
}

TEST(DecodeScreen, ReadsEachNotation) {
  const std::vector<FileCase> cases = {
      {Notation::binary, "a", "", "011000010110001"},
      {Notation::binary, "ab", "", "0110 0001\r\n0110x0010 1"},
      {Notation::hexadecimal, "\x4a\x4b", "", "4A4b"},
      {Notation::hexadecimal, "\x4a\x4b", "", "4a 4B"},
      {Notation::hexadecimal, "\x4a", "", "4a4"},
      {Notation::mime, "a", "", "YQ=="},
      {Notation::mime, "ab", "", "YWI"},
      {Notation::mime, "abc", "", "YWJj=ZGVm"},
      {Notation::mime, "a", "", "YQ=\n="},
      {Notation::mime, "", "", "?!@#$%^&*()-_ \r\n.,;:"},
      {Notation::binary, "", "", ""},
      {Notation::mime, "", "", ""},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::string in = dir.write("in", c.text);
    auto dialogue = decode(mode_digit(c.notation) + "\n" + in + "\n" + dir.path("out") + "\n\n");
    EXPECT_EQ(dir.read("out"), c.data) << name_of(c.notation) << " of " << c.text;
    EXPECT_NE(dialogue.text().find("Completed!\n"), std::string::npos);
  }
}

TEST(DecodeScreen, FindsTheTxtFileWhenTheNameIsTypedWithout) {
  TempDir dir;
  dir.write("data.txt", "6869");
  auto found = decode("2\n" + dir.path("data") + "\n" + dir.path("out") + "\n\n");
  EXPECT_EQ(dir.read("out"), "hi");

  // ".txt" is always appended for the second try, even after ".txt".
  dir.write("twice.txt.txt", "6f6b");
  decode("2\n" + dir.path("twice.txt") + "\n" + dir.path("out2") + "\n\n");
  EXPECT_EQ(dir.read("out2"), "ok");

  // The message names the path as typed.
  for (std::uint16_t language : {0, 1}) {
    auto missing = decode("2\n" + dir.path("nothing") + "\n\n", language);
    std::string words = language == 0 ? "Could not open file : " : "Tidak dapat membuka berkas : ";
    EXPECT_NE(missing.transcript().find("{c4}" + words + "{c12}\"" + dir.path("nothing") + "\"\n{c7}"),
              std::string::npos);
  }
  auto empty = decode("2\n\n\n");
  EXPECT_NE(empty.transcript().find("Could not open file : {c12}\"\"\n"), std::string::npos);
}

TEST(DecodeScreen, AnInputPathWithoutRoomForTheFallbackIsTriedAsTyped) {
  TempDir dir;
  for (std::size_t length : {995, 996, 999}) {
    std::string missing = missing_path_of_length(dir, length);
    auto refused = decode("1\n" + missing + "\n\n");
    EXPECT_NE(refused.text().find("Could not open file : \"" + missing + "\"\n" + press_enter),
              std::string::npos)
        << length;
    EXPECT_EQ(refused.text().find("Path is too long!"), std::string::npos) << length;
  }
}

TEST(DecodeScreen, RefusesToWriteOverItsInput) {
  TempDir dir;
  dir.write("data.txt", "6869");
  // The input was found through the fallback; the output names the same file.
  auto dialogue = decode("2\n" + dir.path("data") + "\n" + dir.path("data.txt") + "\n\n");
  EXPECT_NE(dialogue.transcript().find("{c12}Output file is the same as an input file!\n{c7}" + press_enter),
            std::string::npos);
  EXPECT_EQ(dir.read("data.txt"), "6869");
}

TEST(DecodeScreen, DeclinedOverwriteAndUnwritableOutput) {
  TempDir dir;
  std::string in = dir.write("in", "6869");
  dir.write("old", "precious");
  decode("2\n" + in + "\n" + dir.path("old") + "\nN\n\n");
  EXPECT_EQ(dir.read("old"), "precious");
  std::string bad = dir.path("no/folder");
  auto unwritable = decode("2\n" + in + "\n" + bad + "\n\n", 1);
  EXPECT_NE(
      unwritable.transcript().find("{c4}Tidak menulis ke berkas : {c12}\"" + bad + "\"\n{c7}" + tekan_enter),
      std::string::npos);
}

TEST(DecodeScreen, ProgressStopsAfterTheBlockWithTheEqualsSign) {
  TempDir dir;
  // About 2.7 MB of text, more than two of the screen's read chunks, with "=" in block 500.
  std::string data = pattern_bytes(2000000, 8);
  std::string text = reference_encode(Notation::mime, data, 77);
  std::int64_t stop = 500 * 4096 + 123;
  text[static_cast<std::size_t>(stop)] = '=';
  std::string in = dir.write("in", text);
  auto dialogue = decode("3\n" + in + "\n" + dir.path("out") + "\n\n", 0, 1000);
  auto size = static_cast<std::int64_t>(text.size());
  EXPECT_EQ(drawn_percentages(dialogue.transcript()), block_model(size, 4096, 501));
  EXPECT_TRUE(dir.read("out") == testing::reference_decode(Notation::mime, text));
}

TEST(DecodeScreen, ProgressFollowsTheBlocksToTheEnd) {
  for (Notation notation : all_notations) {
    TempDir dir;
    std::string text = reference_encode(notation, pattern_bytes(400001, 2), 65535);
    std::string in = dir.write("in", text);
    auto dialogue = decode(mode_digit(notation) + "\n" + in + "\n" + dir.path("out") + "\n\n", 0, 1000);
    EXPECT_EQ(drawn_percentages(dialogue.transcript()),
              block_model(static_cast<std::int64_t>(text.size()), 4096))
        << name_of(notation);
  }
}

TEST(DecodeScreen, ReadAndWriteFailuresAreReported) {
  TempDir dir;
  std::string text = reference_encode(Notation::hexadecimal, pattern_bytes(1000000, 4), 30);
  std::string in = dir.write("in", text);
  std::string typed = "2\n" + in + "\n" + dir.path("out") + "\n\n";

  set_fault_plan({in, 1500000, -1});
  auto short_read = decode(typed);
  set_fault_plan({});
  EXPECT_NE(short_read.transcript().find("{c4}Read error on file : {c12}\"" + in + "\"\n{c7}" + press_enter),
            std::string::npos);
  EXPECT_EQ(short_read.text().find("Completed!"), std::string::npos);
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"in"}));

  set_fault_plan({dir.path("out"), -1, 1000});
  auto short_write = decode("2\n" + in + "\n" + dir.path("out") + "\n\n");
  set_fault_plan({});
  EXPECT_NE(short_write.transcript().find("{c4}Write error on file : {c12}\"" + dir.path("out") + "\"\n{c7}" +
                                          press_enter),
            std::string::npos);
  EXPECT_EQ(short_write.text().find("Completed!"), std::string::npos);
}

TEST(EncodingScreens, EveryEncodingDecodesBackThroughTheScreens) {
  const std::uint16_t lengths[] = {1, 3, 77, 65535};
  std::string data = pattern_bytes(200003, 11);
  for (Notation notation : all_notations) {
    for (std::uint16_t length : lengths) {
      TempDir dir;
      std::string in = dir.write("in", data);
      encode(mode_digit(notation) + "\n" + in + "\n" + dir.path("text") + "\n" + std::to_string(length) +
             "\n\n");
      decode(mode_digit(notation) + "\n" + dir.path("text") + "\n" + dir.path("back") + "\n\n");
      EXPECT_TRUE(dir.read("back") == data) << name_of(notation) << ", " << length;
    }
  }
}

}  // namespace
}  // namespace varnelo

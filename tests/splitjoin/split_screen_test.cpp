#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "screen_run.hpp"
#include "splitjoin/pieces.hpp"

namespace varnelo {
namespace {

using splitjoin_test::run_split;
using testing::TempDir;

const std::string eoo_en = "press enter to continue...";
const std::string eoo_id = "tekan enter untuk melanjutkan...";

std::string head(std::uint16_t language) {
  return language == 0
             ? "{c15}Select split mode :{c7}\n1) Automatic Mode\n2) Manual Mode\nChoice : "
               "Input path and filename to split : {c2}"
             : "{c15}Pilihan mode untuk pemotongan :{c7}\n1) Mode Otomatis\n2) Mode Manual\nPilihanmu : "
               "Masukkan alamat dan nama berkas untuk dipotong : {c2}";
}

std::string count_question(std::uint16_t language) {
  return language == 0 ? "{c7}Number of file output : " : "{c7}Jumlah berkas keluaran : ";
}

std::string name(const std::string& input, int number) {
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, ".%03d", number);
  return input + suffix;
}

TEST(SplitScreen, EveryRefusalBeforeTheCopyInBothLanguages) {
  TempDir dir;
  std::string ten = dir.write("ten.bin", "0123456789");
  std::string empty = dir.write("empty.bin", "");
  std::string missing = dir.path("missing.bin");
  struct Case {
    std::uint16_t language;
    std::string typed;
    std::string screen;
  };
  const std::vector<Case> cases = {
      {0, "0\n\n",
       "{c15}Select split mode :{c7}\n1) Automatic Mode\n2) Manual Mode\nChoice : {c12}Invalid Choice!{c7}" +
           eoo_en},
      {1, "3\n\n",
       "{c15}Pilihan mode untuk pemotongan :{c7}\n1) Mode Otomatis\n2) Mode Manual\nPilihanmu : {c12}Pilihan "
       "tidak "
       "tersedia!{c7}" +
           eoo_id},
      {0, "1\n" + missing + "\n\n",
       head(0) + "{c4}Could not open file : {c12}\"" + missing + "\"\n{c7}" + eoo_en},
      {1, "2\n" + missing + "\n\n",
       head(1) + "{c4}Tidak dapat membuka berkas : {c12}\"" + missing + "\"\n{c7}" + eoo_id},
      {0, "1\n" + ten + "\n1000\n\n",
       head(0) + count_question(0) + "{c12}Total file limit is 999! but you input 1000.\n{c7}" + eoo_en},
      {1, "1\n" + ten + "\n1000\n\n",
       head(1) + count_question(1) +
           "{c12}Jumlah berkas maksimum yang dapat diproses adalah 999! sedangkan anda menginput "
           "1000.\n{c7}" +
           eoo_id},
      {0, "1\n" + ten + "\nnone\n\n", head(0) + count_question(0) + "{c12}No file output!{c7}" + eoo_en},
      {1, "1\n" + ten + "\nx\n\n",
       head(1) + count_question(1) + "{c12}Tidak ada berkas keluaren!{c7}" + eoo_id},
      {0, "1\n" + empty + "\n1\n\n",
       head(0) + count_question(0) + "{c12}Memory management fail!{c7}" + eoo_en},
      {1, "1\n" + ten + "\n11\n\n",
       head(1) + count_question(1) + "{c12}Menejemen memori gagal!{c7}" + eoo_id},
      {0, "1\n" + ten + "\n2\n3\n\n",
       head(0) + count_question(0) +
           "{c15}Memory management :{c7}\n1) Automatic Mode\n2) Manual Mode\nChoice : {c12}Invalid "
           "Choice!{c7}" +
           eoo_en},
      {1, "1\n" + ten + "\n2\n0\n\n",
       head(1) + count_question(1) +
           "{c15}Menejemen memori :{c7}\n1) Mode Otomatis\n2) Mode Manual\nPilihanmu : {c12}Pilihan tidak "
           "tersedia!{c7}" +
           eoo_id},
  };
  for (const auto& c : cases) {
    auto run = run_split(c.typed, c.language);
    EXPECT_EQ(run.screen, c.screen) << c.typed;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.root()), {}), 2)
      << "nothing may be written";
}

TEST(SplitScreen, EqualPiecesNamedFromTheInputPath) {
  struct Case {
    std::size_t input;
    int count;
    std::vector<std::size_t> pieces;
  };
  const std::vector<Case> cases = {
      {10, 4, {3, 3, 3, 1}},         {9, 4, {3, 3, 3}}, {12, 5, {3, 3, 3, 3}},   {12, 4, {3, 3, 3, 3}},
      {7, 7, {1, 1, 1, 1, 1, 1, 1}}, {5000, 1, {5000}}, {8193, 2, {4097, 4096}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::string bytes = testing::pattern_bytes(c.input, static_cast<unsigned>(c.count));
    std::string input = dir.write("report.pdf", bytes);
    auto run = run_split("1\n" + input + "\n" + std::to_string(c.count) + "\n1\n\n");
    std::size_t offset = 0;
    for (std::size_t k = 0; k < c.pieces.size(); ++k) {
      EXPECT_EQ(testing::read_file(name(input, static_cast<int>(k + 1))), bytes.substr(offset, c.pieces[k]))
          << c.input << "/" << c.count << " piece " << k + 1;
      offset += c.pieces[k];
    }
    EXPECT_FALSE(std::filesystem::exists(name(input, static_cast<int>(c.pieces.size() + 1))));
    EXPECT_TRUE(
        run.shows("{cls}{c10}Info : file output location is in the same folder with file input.\nsplitting "
                  "file, please wait...\n{c7}Progress : <"));
    EXPECT_TRUE(run.shows("{c10}Completed!\n{c7}Running time : {c14}"));
    EXPECT_EQ(run.percents.front(), 0);
    EXPECT_EQ(run.percents.back(), 100);
  }
}

TEST(SplitScreen, APieceLeftPastTheLastIsPointedOutAndKept) {
  for (std::uint16_t language : {0, 1}) {
    TempDir dir;
    std::string input = dir.write("in.bin", testing::pattern_bytes(12));
    testing::write_file(name(input, 4), "left from before");
    auto run = run_split("1\n" + input + "\n3\n1\n\n", language);
    const std::string notice =
        language == 0
            ? "{c12}Note : file \"" + name(input, 4) +
                  "\" was already there; an automatic join would take it in with these pieces.\n{c7}"
            : "{c12}Catatan : berkas \"" + name(input, 4) +
                  "\" sudah ada sebelumnya; penggabungan otomatis akan ikut menggabungkannya dengan "
                  "potongan-potongan ini.\n{c7}";
    EXPECT_TRUE(run.screen.ends_with(notice + (language ? eoo_id : eoo_en))) << run.screen;
    EXPECT_EQ(testing::read_file(name(input, 4)), "left from before");
  }
}

TEST(SplitScreen, ProgressRisesByOnePerBlockAndLagsOnSmallFiles) {
  TempDir dir;
  std::string input = dir.write("hundred", testing::pattern_bytes(100 * 1024));
  auto one = run_split("1\n" + input + "\n1\n1\n\n", 1);
  std::vector<int> expected;
  for (int percent = 0; percent <= 24; ++percent)
    expected.push_back(percent);
  expected.push_back(100);
  EXPECT_EQ(one.percents, expected);
  EXPECT_TRUE(
      one.shows("{cls}{c10}Informasi : berkas keluaran terletak pada folder yang sama dengan folder berkas "
                "masukan.\nMemotong berkas, silahkan tunggu...\n{c7}Kemajuan : <"));
  EXPECT_TRUE(one.shows("{c10}Selesai!\n{c7}Waktu proses : {c14}"));
  EXPECT_TRUE(one.screen.ends_with(".\n" + eoo_id));

  // Ten pieces of one byte each: one block per piece, so the display rises by one per piece.
  std::string ten = dir.write("ten", "0123456789");
  auto pieces = run_split("1\n" + ten + "\n10\n1\n\n");
  EXPECT_EQ(pieces.percents, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 100}));
}

TEST(SplitScreen, RefusedOverwriteLeavesEveryPieceAsItWas) {
  TempDir dir;
  std::string bytes = testing::pattern_bytes(12);
  std::string input = dir.write("in.bin", bytes);
  testing::write_file(name(input, 3), "old piece");
  auto refused = run_split("1\n" + input + "\n4\n1\nN\n\n");
  EXPECT_TRUE(refused.screen.ends_with("{c4}File \"{c12}" + name(input, 3) +
                                       "{c4}\" already exist\n{c7}Overwrite file "
                                       "(Y/N)? " +
                                       eoo_en));
  // The pieces written before the question were never given their names.
  EXPECT_EQ(dir.names(), (std::vector<std::string>{"in.bin", "in.bin.003"}));
  EXPECT_EQ(testing::read_file(name(input, 3)), "old piece");
  EXPECT_FALSE(refused.shows("Completed!"));

  auto accepted = run_split("1\n" + input + "\n4\n1\nY\n\n", 1);
  EXPECT_TRUE(
      accepted.shows("{c4}Berkas \"{c12}" + name(input, 3) + "{c4}\" telah ada\n{c7}Timpa berkas (Y/T)? "));
  EXPECT_EQ(testing::read_file(name(input, 3)), bytes.substr(6, 3));
  EXPECT_EQ(testing::read_file(name(input, 4)), bytes.substr(9, 3));
}

TEST(SplitScreen, FailuresDuringTheCopyNameTheFileAndLeaveNoPiece) {
  enum Fault { short_read, failed_write, piece_is_a_folder };
  struct Case {
    std::uint16_t language;
    Fault fault;
    std::string words;
    int named_piece;  // 0: the input
  };
  const std::vector<Case> cases = {
      {0, short_read, "Read error on file : ", 0},
      {1, short_read, "Gagal membaca berkas : ", 0},
      {0, failed_write, "Write error on file : ", 2},
      {1, failed_write, "Gagal menulis ke berkas : ", 2},
      {0, piece_is_a_folder, "Could write to file : ", 3},
      {1, piece_is_a_folder, "Tidak menulis ke berkas : ", 3},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::string bytes = testing::pattern_bytes(3 * 4096);
    std::string input = dir.write("in.bin", bytes);
    std::string answers;
    if (c.fault == short_read) set_fault_plan({input, 5000, -1});
    if (c.fault == failed_write) set_fault_plan({name(input, 2), -1, 100});
    if (c.fault == piece_is_a_folder) {
      std::filesystem::create_directory(name(input, 3));
      answers = "Y\n";
    }
    auto run = run_split("1\n" + input + "\n3\n1\n" + answers + "\n", c.language);
    set_fault_plan({});
    std::string named = c.named_piece == 0 ? input : name(input, c.named_piece);
    EXPECT_TRUE(run.screen.ends_with("{c4}" + c.words + "{c12}\"" + named + "\"\n{c7}" +
                                     (c.language ? eoo_id : eoo_en)))
        << run.screen;
    EXPECT_FALSE(run.shows(">(100%)")) << c.words;
    EXPECT_FALSE(run.shows("Running time") || run.shows("Waktu proses")) << c.words;
    EXPECT_EQ(testing::read_file(input), bytes);
    std::vector<std::string> left = {"in.bin"};
    if (c.fault == piece_is_a_folder) left.push_back("in.bin.003");
    EXPECT_EQ(dir.names(), left) << c.words;
  }
}

TEST(SplitScreen, TypedSizesWithRangesWorkedExample) {
  TempDir dir;
  std::string bytes = testing::pattern_bytes(10485765);
  std::string input = dir.write("film.avi", bytes);
  auto run = run_split("1\n" + input + "\n3\n2\n3\n4\n2\n\n");
  EXPECT_TRUE(
      run.shows(count_question(0) +
                "{c15}Memory management :{c7}\n1) Automatic Mode\n2) Manual Mode\nChoice : "
                "{cls}{c3}2{c7} file output remaining (to be configured)\n"
                "{c15}Filesize in :{c7}\n1) Bytes (B)\t2) KiloBytes (KB)\t3) MegaBytes (MB)\nChoice : "
                "{c15}Available : {c11}10 MB\n{c7}Input filesize for file 1 in MegaByte (MB) : "
                "{c7}Apply this filesize for file 1 to file : {cls}{c10}Info : file output location"));
  EXPECT_EQ(testing::read_file(name(input, 1)), bytes.substr(0, 4194304));
  EXPECT_EQ(testing::read_file(name(input, 2)), bytes.substr(4194304, 4194304));
  EXPECT_EQ(testing::read_file(name(input, 3)), bytes.substr(8388608));
  EXPECT_TRUE(run.shows("{c10}Completed!"));
}

TEST(SplitScreen, TypedSizeDialogueRules) {
  struct Case {
    const char* what;
    std::size_t input;
    int count;
    std::string answers;  // after the memory management answer
    std::vector<std::size_t> pieces;
    std::string shown;
  };
  const std::string fail = "{c12}Memory management fail!{c7}" + eoo_en;
  const std::vector<Case> cases = {
      {"range 0 repeats, an empty size reuses the last",
       5000,
       5,
       "1\n100\n0\n1\nx\n999\n",
       {100, 100, 100, 100, 4600},
       "{cls}{c3}4{c7} file output remaining (to be configured)\n"},
      {"range 2 of 5",
       5000,
       5,
       "1\n10\n2\n2\n1\n4\n",
       {10, 10, 1024, 1024, 2932},
       "{cls}{c3}2{c7} file output"},
      {"MB lowered to bytes",
       500,
       2,
       "3\n100\n1\n",
       {100, 400},
       "{c15}Available : {c11}500 Bytes\n{c7}Input filesize for file 1 in Byte (B) : "},
      {"KB kept at exactly 1024, size equal to the rest",
       1024,
       2,
       "2\n1\n1\n",
       {},
       "{c15}Available : {c11}1 KB\n{c7}Input filesize for file 1 in KiloByte (KB) : {c7}Apply this filesize "
       "for "
       "file 1 to file : " +
           fail},
      {"first size without digits", 5000, 2, "1\nnone\n1\n", {}, fail},
      {"size of 0", 5000, 2, "1\n0\n1\n", {}, fail},
      {"kilobytes past 64 bits", 5000, 2, "2\n18014398509481985\n1\n", {}, fail},
      {"unit without digits", 5000, 2, "x\n", {}, "Choice : {c12}Invalid Choice!{c7}" + eoo_en},
      {"unit 4", 5000, 2, "4\n", {}, "Choice : {c12}Invalid Choice!{c7}" + eoo_en},
      {"one piece asks nothing", 5000, 1, "", {5000}, "Choice : {cls}{c10}Info"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::string bytes = testing::pattern_bytes(c.input);
    std::string input = dir.write("in", bytes);
    auto run = run_split("1\n" + input + "\n" + std::to_string(c.count) + "\n2\n" + c.answers + "\n");
    EXPECT_TRUE(run.shows(c.shown)) << c.what << "\n" << run.screen;
    std::size_t offset = 0;
    for (std::size_t k = 0; k < c.pieces.size(); ++k) {
      EXPECT_EQ(testing::read_file(name(input, static_cast<int>(k + 1))), bytes.substr(offset, c.pieces[k]))
          << c.what;
      offset += c.pieces[k];
    }
    if (c.pieces.empty()) {
      EXPECT_FALSE(std::filesystem::exists(name(input, 1))) << c.what;
    }
  }
}

TEST(SplitScreen, TypedSizeDialogueInIndonesian) {
  TempDir dir;
  std::string input = dir.write("in", testing::pattern_bytes(3000));
  auto run = run_split("1\n" + input + "\n2\n2\n2\n1\n1\n\n", 1);
  EXPECT_TRUE(run.shows(
      "{cls}{c3}1{c7} berkas keluaran belum diatur untuk ukuran berkasnya\n"
      "{c15}Ukuran berkas dalam satuan :{c7}\n1) Byte (B)\t2) KiloByte (KB)\t3) MegaByte (MB)\n"
      "Pilihanmu : {c15}Tersedia : {c11}2 KB\n{c7}Masukkan uhuran berkas untuk berkas ke 1 dalam "
      "satuan KiloByte (KB) : {c7}Gunakan ukuran berkas ini untuk berkas ke 1 hingga berkas ke : "));
  EXPECT_EQ(testing::read_file(input + ".001").size(), 1024u);
  EXPECT_EQ(testing::read_file(input + ".002").size(), 1976u);

  auto named = run_split("2\n" + input + "\n1\n2\n" + dir.path("one") + "\n\n", 1);
  EXPECT_TRUE(
      named.shows("{cls}{c7}Masukan alamat dan nama berkas untuk berkas keluaran ke 1 : {c2}{c7}{cls}{c10}"
                  "Memotong berkas, silahkan tunggu...\n"));
}

TEST(SplitScreen, TypedNamesWithEqualSizesStopWhereTheInputEnds) {
  TempDir dir;
  std::string bytes = "abcdefghi";
  std::string input = dir.write("nine", bytes);
  std::string kept = dir.write("d", "keep");
  auto run = run_split("2\n" + input + "\n4\n1\n" + dir.path("a") + "\n" + dir.path("b") + "\n" +
                       dir.path("c") + "\n" + kept + "\nY\n\n");
  EXPECT_TRUE(
      run.shows("Choice : {c7}Input path and filename for file 1 : {c2}{c7}Input path and filename for file "
                "2 : {c2}"));
  EXPECT_TRUE(run.shows("{c7}{cls}{c10}splitting file, please wait...\n{c7}Progress"));
  EXPECT_EQ(dir.read("a"), "abc");
  EXPECT_EQ(dir.read("b"), "def");
  EXPECT_EQ(dir.read("c"), "ghi");
  EXPECT_EQ(dir.read("d"), "keep");
  EXPECT_TRUE(run.shows("Completed!"));
}

TEST(SplitScreen, TypedNamesAskAgainAfterARefusal) {
  TempDir dir;
  std::string bytes = testing::pattern_bytes(100);
  std::string input = dir.write("in", bytes);
  std::string existing = dir.write("old", "old");
  // The input under another spelling is refused by identity; an overwrite refused asks again.
  std::string same = dir.root() + "/./in";
  auto listed = run_split("2\n" + input + "\n2\n1\n" + same + "\n" + existing + "\nn\n" + dir.path("a") +
                              "\n" + dir.path("b") + "\n\n",
                          1);
  EXPECT_TRUE(listed.shows(
      "Masukan alamat dan nama berkas untuk berkas ke 1 : {c2}{c12}Berkas keluaran sama dengan "
      "berkas masukan!\n{c7}{c7}Masukan alamat dan nama berkas untuk berkas ke 1 : {c2}{c4}Berkas"));
  EXPECT_TRUE(
      listed.shows("Timpa berkas (Y/T)? {c7}Masukan alamat dan nama berkas untuk berkas ke 1 : {c2}{c7}"
                   "Masukan alamat dan nama berkas untuk berkas ke 2 : "));
  EXPECT_EQ(testing::read_file(input), bytes);
  EXPECT_EQ(dir.read("old"), "old");
  EXPECT_EQ(dir.read("a") + dir.read("b"), bytes);

  // Names and sizes typed: the window is cleared before every name question, also after a refusal.
  auto typed = run_split("2\n" + input + "\n3\n2\n" + dir.path("p") + "\n1\n10\n" + existing + "\nN\n" +
                         dir.path("q") + "\n1\n20\n" + dir.path("r") + "\n\n");
  EXPECT_TRUE(
      typed.shows("Choice : {cls}{c7}Input path and filename for output file 1 : {c2}{c15}Filesize in :"));
  EXPECT_TRUE(typed.shows("{c15}Available : {c13}100 Bytes\n{c7}Input filesize for file 1 in Byte (B) : "));
  EXPECT_TRUE(typed.shows("(Y/N)? {cls}{c7}Input path and filename for output file 2 : {c2}{c15}"));
  EXPECT_TRUE(typed.shows("{c15}Available : {c13}90 Bytes\n"));
  EXPECT_TRUE(
      typed.shows("{cls}{c7}Input path and filename for output file 3 : {c2}{c7}{cls}{c10}splitting file"));
  EXPECT_EQ(dir.read("p"), bytes.substr(0, 10));
  EXPECT_EQ(dir.read("q"), bytes.substr(10, 20));
  EXPECT_EQ(dir.read("r"), bytes.substr(30));
  EXPECT_EQ(dir.read("old"), "old");

  auto single = run_split("2\n" + input + "\n1\n2\n" + dir.path("whole") + "\n\n");
  EXPECT_EQ(dir.read("whole"), bytes);
  EXPECT_FALSE(single.shows("Filesize in :"));
}

}  // namespace
}  // namespace varnelo

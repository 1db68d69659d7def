#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "screen_run.hpp"

namespace varnelo {
namespace {

using splitjoin_test::run_join;
using splitjoin_test::run_split;
using testing::TempDir;

const std::string eoo_en = "press enter to continue...";
const std::string eoo_id = "tekan enter untuk melanjutkan...";

std::string head(std::uint16_t language) {
  return language == 0
             ? "{c15}Select join mode :{c7}\n1) Automatic Mode\n2) Manual Mode\nChoice : "
             : "{c15}Pilihan mode untuk penggabungan :{c7}\n1) Mode Otomatis\n2) Mode Manual\nPilihanmu : ";
}

std::string automatic(std::uint16_t language) {
  return head(language) + (language == 0 ? "Input path and filename which have extension .001 : {c2}"
                                         : "Masukkan alamat dan nama berkas yang berekstensi .001 : {c2}");
}

std::string piece_name(const std::string& whole, int number) {
  char suffix[8];
  std::snprintf(suffix, sizeof suffix, ".%03d", number);
  return whole + suffix;
}

// Writes the pieces of `whole` under its piece names and returns what they add up to.
std::string write_pieces(const std::string& whole, const std::vector<std::string>& pieces) {
  std::string joined;
  for (std::size_t k = 0; k < pieces.size(); ++k) {
    testing::write_file(piece_name(whole, static_cast<int>(k + 1)), pieces[k]);
    joined += pieces[k];
  }
  return joined;
}

TEST(JoinScreen, EveryRefusalBeforeTheCopyInBothLanguages) {
  TempDir dir;
  std::string whole = dir.path("film.avi");
  write_pieces(whole, {"abc", "de"});
  std::string kept = dir.write("kept", "keep");
  std::string folder = dir.path("folder");
  std::filesystem::create_directory(folder);
  testing::write_file(piece_name(folder, 1), "x");
  std::string missing = dir.path("missing");
  std::string manual_en = head(0) + "total file to join : ";
  std::string manual_id = head(1) + "Jumah berkas untuk digabung : ";
  std::string first_en = "Input path and filename for file 1 : {c2}{c7}";
  std::string output_en = "Input path and filename for file output : {c2}{c7}";
  struct Case {
    std::uint16_t language;
    std::string typed;
    std::string screen;
  };
  const std::vector<Case> cases = {
      {0, "0\n\n", head(0) + "{c12}Invalid Choice!{c7}" + eoo_en},
      {1, "3\n\n", head(1) + "{c12}Pilihan tidak tersedia!{c7}" + eoo_id},
      {0, "1\n" + missing + "\n\n",
       automatic(0) + "{c7}{c4}Could not open file : {c12}\"" + missing + ".001\"\n{c7}" + eoo_en},
      {1, "1\n" + missing + ".001\n\n",
       automatic(1) + "{c7}{c4}Tidak dapat membuka berkas : {c12}\"" + missing + ".001\"\n{c7}" + eoo_id},
      {0, "1\n" + kept + "\n\n",
       automatic(0) + "{c7}{c4}Could not open file : {c12}\"" + kept + ".001\"\n{c7}" + eoo_en},
      {0, "1\n" + folder + "\nY\n\n",
       automatic(0) + "{c7}{c4}File \"{c12}" + folder +
           "{c4}\" already exist\n{c7}Overwrite file (Y/N)? {c4}Could "
           "write to file : {c12}\"" +
           folder + "\"\n{c7}" + eoo_en},
      {0, "2\n1000\n\n", manual_en + "{c12}Total file limit is 999! but you input 1000.\n{c7}" + eoo_en},
      {1, "2\n1000\n\n",
       manual_id +
           "{c12}Jumlah berkas maksimum yang dapat diproses adalah 999! sedangkan anda menginput "
           "1000.\n{c7}" +
           eoo_id},
      {0, "2\nnone\n\n", manual_en + "{c12}No file input!{c7}" + eoo_en},
      {1, "2\nx\n\n", manual_id + "{c12}Tidak ada berkas masukan!{c7}" + eoo_id},
      {0, "2\n2\n" + kept + "\n" + missing + "\n\n",
       manual_en + first_en + "Input path and filename for file 2 : {c2}{c4}Could not open file : {c12}\"" +
           missing + "\"\n{c7}" + eoo_en},
      {0, "2\n1\n" + piece_name(whole, 1) + "\n" + kept + "\nn\n\n",
       manual_en + first_en + output_en + "{c4}File \"{c12}" + kept +
           "{c4}\" already exist\n{c7}Overwrite file (Y/N)? " + eoo_en},
      {1, "2\n1\n" + piece_name(whole, 1) + "\n" + folder + "\ny\n\n",
       manual_id +
           "Masukan alamat dan nama berkas untuk berkas ke 1 : {c2}{c7}Masukkan alamat dan nama berkas untuk "
           "berkas keluaran : {c2}{c7}{c4}Berkas \"{c12}" +
           folder +
           "{c4}\" telah ada\n{c7}Timpa berkas (Y/T)? "
           "{c4}Tidak menulis ke berkas : {c12}\"" +
           folder + "\"\n{c7}" + eoo_id},
      {0, "2\n2\n" + piece_name(whole, 1) + "\n" + kept + "\n" + dir.root() + "/./kept\n\n",
       manual_en + first_en + "Input path and filename for file 2 : {c2}{c7}" + output_en +
           "{c12}Output file is the same as an input file!\n{c7}" + eoo_en},
  };
  for (const auto& c : cases) {
    auto run = run_join(c.typed, c.language);
    EXPECT_EQ(run.screen, c.screen) << c.typed;
  }
  EXPECT_FALSE(std::filesystem::exists(whole));
  EXPECT_EQ(dir.read("kept"), "keep");
}

TEST(JoinScreen, AutomaticFromTheFirstPieceOrTheWholeName) {
  TempDir dir;
  std::string whole = dir.path("film.avi");
  std::string joined =
      write_pieces(whole, {testing::pattern_bytes(5000, 1), "", testing::pattern_bytes(9000, 3)});
  for (const std::string& typed : {whole, piece_name(whole, 1)}) {
    std::filesystem::remove(whole);
    auto run = run_join("1\n" + typed + "\n\n");
    EXPECT_EQ(testing::read_file(whole), joined) << typed;
    EXPECT_TRUE(
        run.shows("{cls}{c10}Info : detected 3 files\nTotal filesize : 14000 Bytes.\nJoining file, please "
                  "wait...\n{c7}Progress : <"));
    // A join ends with the elapsed time only, without the completion display.
    EXPECT_FALSE(run.shows(">(100%)"));
    EXPECT_TRUE(run.shows("{c7}Running time : {c14}"));
    EXPECT_TRUE(run.screen.ends_with(eoo_en));
  }
  auto refused = run_join("1\n" + whole + "\nN\n\n", 1);
  EXPECT_TRUE(refused.screen.ends_with("{c7}Timpa berkas (Y/T)? " + eoo_id));
  EXPECT_TRUE(
      run_join("1\n" + whole + "\nY\n\n", 1)
          .shows(
              "{c10}Informasi : terdeteksi 3 berkas\nJumlah ukuran berkas : 14000 Bytes.\nMenggabung berkas, "
              "silahkan tunggu...\n{c7}Kemajuan : <"));
  EXPECT_EQ(testing::read_file(whole), joined);
}

TEST(JoinScreen, TheSetEndsAtTheFirstMissingNumber) {
  TempDir dir;
  std::string whole = dir.path("set");
  write_pieces(whole, {"one", "two", "three", "four"});
  std::filesystem::remove(piece_name(whole, 3));
  auto gap = run_join("1\n" + whole + "\n\n");
  EXPECT_TRUE(gap.shows("Info : detected 2 files\nTotal filesize : 6 Bytes.\n"));
  EXPECT_EQ(testing::read_file(whole), "onetwo");
  // The pieces left out past the gap are named after the result, in both languages.
  EXPECT_TRUE(gap.shows("{c12}Note : file \"" + piece_name(whole, 3) + "\" is missing; \"" +
                        piece_name(whole, 4) + "\" and the pieces past it were not joined.\n{c7}" + eoo_en))
      << gap.screen;
  auto gap_id = run_join("1\n" + whole + "\nY\n\n", 1);
  EXPECT_TRUE(gap_id.shows("{c12}Catatan : berkas \"" + piece_name(whole, 3) + "\" tidak ada; \"" +
                           piece_name(whole, 4) + "\" dan potongan sesudahnya tidak ikut digabung.\n{c7}" +
                           eoo_id))
      << gap_id.screen;
  EXPECT_EQ(testing::read_file(whole), "onetwo");

  std::filesystem::remove(piece_name(whole, 2));
  std::filesystem::remove(whole);
  auto single = run_join("1\n" + whole + "\n\n");
  EXPECT_TRUE(single.shows("Info : detected 1 files\nTotal filesize : 3 Bytes.\n"));
  EXPECT_TRUE(single.shows("{c12}Note : file \"" + piece_name(whole, 2) + "\" is missing; \"" +
                           piece_name(whole, 4) + "\""));
  EXPECT_EQ(testing::read_file(whole), "one");

  std::string empty = dir.path("empty");
  write_pieces(empty, {"", "", ""});
  auto nothing = run_join("1\n" + empty + "\n\n");
  EXPECT_TRUE(nothing.percents.empty()) << "an empty set draws no progress";
  EXPECT_TRUE(nothing.shows("Running time : "));
  EXPECT_TRUE(std::filesystem::exists(empty));
  EXPECT_EQ(testing::read_file(empty), "");
}

// A list of sums beside the pieces that names the first is checked; a vendor's list of the
// whole file alone is not. Published SHA-256 of "abc" and of nothing.
TEST(JoinScreen, AListBesideThePiecesChecksThem) {
  const std::string abc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
  const std::string empty = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
  struct Case {
    std::uint16_t language;
    std::vector<std::string> pieces;
    std::string list;  // {p} for the pieces' bare name
    std::string note;  // {n} for the path of the piece named
    int piece_named;
  };
  const std::vector<Case> cases = {
      {0, {"abc", "", "abc"}, abc + "  {p}.001\n" + empty + "  {p}.002\n" + abc + "  {p}.003\n", "", 0},
      {0,
       {"abc", "abX", "abc"},
       abc + "  {p}.001\n" + abc + "  {p}.002\n" + abc + "  {p}.003\n",
       "{c12}File \"{n}\" does not match its checksum in the list; no file was written.\n{c7}" + eoo_en,
       2},
      {1,
       {"abc", "abX", "abc"},
       abc + "  {p}.001\n" + abc + "  {p}.002\n" + abc + "  {p}.003\n",
       "{c12}Berkas \"{n}\" tidak cocok dengan ceksumnya di daftar; tidak ada berkas yang ditulis.\n{c7}" +
           eoo_id,
       2},
      {0,
       {"abc"},
       abc + "  {p}.001\n" + abc + "  {p}.002\n",
       "{c12}File \"{n}\" is in the list of checksums but missing; no file was written.\n{c7}" + eoo_en,
       2},
      {1,
       {"abc"},
       abc + "  {p}.001\n" + abc + "  {p}.002\n",
       "{c12}Berkas \"{n}\" ada di daftar ceksum tetapi tidak ada; tidak ada berkas yang ditulis.\n{c7}" +
           eoo_id,
       2},
      {0, {"abc", "abX"}, abc + "  {p}\n", "", 0},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string whole = dir.path("set");
    const std::string joined = write_pieces(whole, c.pieces);
    std::string list = c.list;
    for (std::size_t at; (at = list.find("{p}")) != std::string::npos;)
      list.replace(at, 3, "set");
    dir.write("set.sha256", list);
    auto run = run_join("1\n" + whole + "\n\n", c.language);
    if (c.note.empty()) {
      EXPECT_EQ(testing::read_file(whole), joined) << list;
      EXPECT_FALSE(run.shows("{c12}")) << run.screen;
      continue;
    }
    std::string note = c.note;
    note.replace(note.find("{n}"), 3, piece_name(whole, c.piece_named));
    EXPECT_TRUE(run.shows(note)) << run.screen;
    EXPECT_FALSE(std::filesystem::exists(whole)) << list;
  }
}

TEST(JoinScreen, ManualJoinInTheOrderGiven) {
  TempDir dir;
  std::string a = dir.write("a", testing::pattern_bytes(4097, 1));
  std::string b = dir.write("b", testing::pattern_bytes(10, 2));
  auto run = run_join("2\n3\n" + b + "\n" + a + "\n" + b + "\n" + dir.path("out") + "\n\n", 1);
  EXPECT_EQ(dir.read("out"), dir.read("b") + dir.read("a") + dir.read("b"));
  EXPECT_TRUE(
      run.shows("{cls}{c10}Jumlah ukuran berkas : 4117 Bytes.\nMenggabung berkas, silahkan tunggu...\n{c7}"));
  EXPECT_TRUE(run.shows("{c7}Waktu proses : {c14}"));
  EXPECT_FALSE(run.shows(">(100%)"));
  EXPECT_EQ(run.percents, (std::vector<int>{0, 1, 2}));

  auto one = run_join("2\n1\n" + a + "\n" + dir.path("copy") + "\n\n");
  EXPECT_TRUE(
      one.shows("{cls}{c10}Total filesize : 4097 Bytes.\nJoining file, please wait...\n{c7}Progress : <"));
  EXPECT_EQ(dir.read("copy"), dir.read("a"));
}

// Makes the named file impossible to open once the copy phase has drawn its first progress.
std::string vanishing_path;
bool vanish_during_copy(const std::string& path) {
  return path != vanishing_path || timer == 0;
}

TEST(JoinScreen, FailuresDuringTheCopyStopTheJoin) {
  enum Fault { short_read, failed_write, vanished };
  struct Case {
    bool manual;
    std::uint16_t language;
    Fault fault;
    std::string words;
    bool names_output;
  };
  const std::vector<Case> cases = {
      {false, 0, short_read, "Read error on file : ", false},
      {true, 1, short_read, "Gagal membaca berkas : ", false},
      {false, 1, failed_write, "Gagal menulis ke berkas : ", true},
      {true, 0, failed_write, "Write error on file : ", true},
      {false, 0, vanished, "Could not open file : ", false},
      {true, 1, vanished, "Tidak dapat membuka berkas : ", false},
  };
  for (const auto& c : cases) {
    TempDir dir;
    std::string whole = dir.path("whole");
    std::string joined =
        write_pieces(whole, {testing::pattern_bytes(6000, 1), testing::pattern_bytes(7000, 2)});
    std::string second = piece_name(whole, 2);
    if (c.fault == short_read) set_fault_plan({second, 100, -1});
    if (c.fault == failed_write) set_fault_plan({whole, -1, 6500});
    if (c.fault == vanished) {
      vanishing_path = second;
      set_path_guard(vanish_during_copy);
    }
    std::string typed = c.manual ? "2\n2\n" + piece_name(whole, 1) + "\n" + second + "\n" + whole + "\n\n"
                                 : "1\n" + whole + "\n\n";
    auto run = run_join(typed, c.language);
    set_fault_plan({});
    set_path_guard(nullptr);
    std::string named = c.names_output ? whole : second;
    EXPECT_TRUE(run.screen.ends_with("{c4}" + c.words + "{c12}\"" + named + "\"\n{c7}" +
                                     (c.language ? eoo_id : eoo_en)))
        << run.screen;
    EXPECT_FALSE(run.shows("Running time") || run.shows("Waktu proses")) << c.words;
    // Nothing of the joined file appears, not even what was written before the failure.
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"whole.001", "whole.002"})) << c.words;
  }
}

TEST(SplitThenJoin, PathsFromTheClipboardAreUsedWhole) {
  TempDir dir;
  std::string bytes = testing::pattern_bytes(9000);
  std::string input = dir.write("with blank.bin", bytes);
  run_split("1\n?\n3\n1\n\n", 0, input);
  EXPECT_EQ(testing::read_file(input + ".003"), bytes.substr(6000));
  std::filesystem::remove(input);
  run_join("1\n?ignored\n\n", 0, input + ".001");
  EXPECT_EQ(testing::read_file(input), bytes);
}

TEST(SplitThenJoin, GivesBackTheFileForAnyCountAndSizesAroundTheBlock) {
  struct Case {
    std::size_t size;
    int count;
  };
  std::vector<Case> cases;
  for (std::size_t size : {1, 4095, 4096, 4097, 8191, 8192, 8193, 40961})
    for (int count : {1, 2, 7})
      if (size >= static_cast<std::size_t>(count)) cases.push_back({size, count});
  cases.push_back({999 * 4096 + 5, 999});
  cases.push_back({999, 999});
  for (const auto& c : cases) {
    TempDir dir;
    std::string bytes = testing::pattern_bytes(c.size, static_cast<unsigned>(c.size));
    std::string input = dir.write("data.bin", bytes);
    run_split("1\n" + input + "\n" + std::to_string(c.count) + "\n1\n\n");
    std::filesystem::remove(input);
    auto run = run_join("1\n" + input + ".001\n\n");
    EXPECT_TRUE(run.shows("Info : detected " + std::to_string(c.count) + " files\n"))
        << c.size << "/" << c.count;
    EXPECT_EQ(testing::read_file(input), bytes) << c.size << "/" << c.count;
    if (c.count == 999) {
      // The counter carries: .009 is followed by .010, .099 by .100, and the last is .999.
      std::int64_t piece = static_cast<std::int64_t>(c.size / 999 + (c.size % 999 != 0));
      for (int number : {9, 10, 99, 100, 999}) {
        std::string content = testing::read_file(piece_name(input, number));
        EXPECT_EQ(content, bytes.substr(static_cast<std::size_t>((number - 1) * piece), content.size()));
        EXPECT_FALSE(content.empty());
      }
      EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.root()), {}), 1000)
          << "999 pieces and the join";
    }
  }
}

}  // namespace
}  // namespace varnelo

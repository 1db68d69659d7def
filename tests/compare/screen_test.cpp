#include <string>
#include <vector>

#include "compare/screens.hpp"
#include "shell/banner.hpp"
#include "shell/progress.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_dialogue;
using testing::TempDir;

// Runs the compare screen from the main menu's state; the clock stands still, so only the 0 %
// and 100 % displays are drawn and every speed is worked out over one tick.
testing::Dialogue compare(const std::string& typed, std::uint16_t language, double clock_step = 0) {
  return run_dialogue(typed, language, [&] {
    auto& port = static_cast<ScriptedConsole&>(console());
    port.clock_ = 0;
    port.clock_step_ = clock_step;
    timer = 0;
    Menu menu{3, 4};
    compare_screen(menu);
    EXPECT_EQ(menu.choice, 0);
    EXPECT_EQ(menu.invalid_count, 0);
  });
}

struct Texts {
  std::string banner;
  std::string menu;
  std::string paths;
  std::string zero;
  std::string completed_prefix;
  std::string completed_suffix;
  std::string ending;
  std::string pause;
};

Texts texts(std::uint16_t language) {
  Texts t;
  t.banner = run_dialogue("", language, [] { screen_banner("COMPARE", "BANDINGKAN", 10); }).transcript();
  const std::string empty_bar(50, ' '), full_bar(50, '=');
  if (language == 0) {
    t.menu =
        "{c15}Compare Options :{c7}\n1) Checks is both of this file are exactly same (equal)\n2) Checks is "
        "this file "
        "is a part of another file (partition)\nChoice : ";
    t.paths = "input path and filename for file 1 : {c2}{c7}input path and filename for file 2 : {c2}{c7}";
    t.zero = "{cls}{c10}Comparing file, please wait...\n{c7}Progress : <{c15}" + empty_bar + "{c7}>(0%)\n";
    t.completed_prefix =
        "{cls}{c10}{c7}Progress : <{c15}" + full_bar + "{c7}>(100%)\nAverage process speed : ";
    t.completed_suffix = "{c10}Completed!\n{c7}";
    t.ending = "Running time : {c14}0.00 seconds.\n{c7}";
    t.pause = "press enter to continue...";
  } else {
    t.menu =
        "{c15}Opsi Bandingkan :{c7}\n1) Cek apakah kedua berkas ini benar-benar sama\n2) Cek apakah berkas "
        "ini adalah "
        "bagian dari berkas yang lain\nPilihanmu : ";
    t.paths =
        "masukkan alamat dan nama berkas pertama : {c2}{c7}masukkan alamat dan nama berkas kedua : {c2}{c7}";
    t.zero = "{cls}{c10}Membandingkan berkas, silahkan tunggu...\n{c7}Kemajuan : <{c15}" + empty_bar +
             "{c7}>(0%)\n";
    t.completed_prefix =
        "{cls}{c10}{c7}Kemajuan : <{c15}" + full_bar + "{c7}>(100%)\nKecepatan proses rata-rata : ";
    t.completed_suffix = "{c10}Selesai!\n{c7}";
    t.ending = "Waktu proses : {c14}0.00 detik.\n{c7}";
    t.pause = "tekan enter untuk melanjutkan...";
  }
  return t;
}

// The speed shown for `bytes` processed in one tick (always above 1 MB per second here).
std::string speed(std::int64_t bytes, std::uint16_t language) {
  return "{c11}" + format("%.2lf", static_cast<double>(bytes) * 1000 / 1048576) + "{c7}" +
         (language == 0 ? " MB per second.\n" : " MB per detik.\n");
}

std::string answers(const std::string& option, const std::string& first, const std::string& second) {
  return option + "\n" + first + "\n" + second + "\n\n";
}

TEST(CompareScreen, RefusesAnOptionOutsideTheMenuBeforeAskingForFiles) {
  for (std::uint16_t language : {0, 1}) {
    Texts t = texts(language);
    std::string refusal = language == 0 ? "{c12}Invalid Choice!\n{c7}" : "{c12}Pilihan tidak tersedia!\n{c7}";
    for (std::string typed : {"0\n\n", "3\n\n", "\n\n\n", "x\n\n", "65536\n\n"}) {
      auto dialogue = compare(typed, language);
      EXPECT_EQ(dialogue.transcript(), t.banner + t.menu + refusal + t.pause) << typed;
      EXPECT_FALSE(dialogue.ended_by_end_of_input) << typed;
    }
  }
}

TEST(CompareScreen, StopsAtAPathThatCannotBeOpened) {
  TempDir dir;
  std::string good = dir.write("good.bin", "abc");
  std::string missing = dir.path("missing.bin");
  for (std::uint16_t language : {0, 1}) {
    Texts t = texts(language);
    std::string failure = language == 0 ? "{c4}Could not open file : {c12}\"" + missing + "\"\n{c7}"
                                        : "{c4}Tidak dapat membuka berkas : {c12}\"" + missing + "\"\n{c7}";
    std::string first_prompt = t.paths.substr(0, t.paths.find("{c2}") + 4);
    auto first_fails = compare("1\n" + missing + "\n\n", language);
    EXPECT_EQ(first_fails.transcript(), t.banner + t.menu + first_prompt + failure + t.pause);
    auto second_fails = compare(answers("2", good, missing), language);
    EXPECT_EQ(second_fails.transcript(),
              t.banner + t.menu + t.paths.substr(0, t.paths.size() - 4) + failure + t.pause);
  }
}

TEST(CompareScreen, EqualityVerdicts) {
  TempDir dir;
  std::string data = testing::pattern_bytes(10000, 4);
  std::string a = dir.write("a.bin", data);
  std::string same = dir.write("same.bin", data);
  std::string changed_at_5000 = dir.write("c5000.bin", data.substr(0, 5000) + "\xff" + data.substr(5001));
  std::string changed_at_0 =
      dir.write("c0.bin", std::string(1, static_cast<char>(data[0] ^ 1)) + data.substr(1));
  std::string ten = dir.write("ten.bin", "0123456789");
  std::string eleven = dir.write("eleven.bin", "0123456789X");
  std::string empty1 = dir.write("empty1.bin", "");
  std::string empty2 = dir.write("empty2.bin", "");
  for (std::uint16_t language : {0, 1}) {
    Texts t = texts(language);
    bool en = language == 0;
    struct Case {
      std::string name;
      std::string first, second;
      std::string after_paths;
    };
    const std::vector<Case> cases = {
        {"identical", a, same,
         t.zero + t.completed_prefix + speed(10000, language) + t.completed_suffix + "{c10}" +
             (en ? "Files are equal\n" : "Isi kedua berkas sama persis\n") + "{c7}"},
        {"the same path twice", a, a,
         t.zero + t.completed_prefix + speed(10000, language) + t.completed_suffix + "{c10}" +
             (en ? "Files are equal\n" : "Isi kedua berkas sama persis\n") + "{c7}"},
        {"first difference at 5000 shows the second step", a, changed_at_5000,
         t.zero + t.completed_prefix + speed(4096, language) + t.completed_suffix + "{c13}" +
             (en ? "Files are not equal at position 5000\n" : "Isi berkas tidak sama pada posisi ke 5000\n") +
             "{c7}"},
        {"first byte differs", changed_at_0, a,
         t.zero + t.completed_prefix + "{c11}0{c7}" + (en ? " Bytes per second.\n" : " Byte per detik.\n") +
             t.completed_suffix + "{c13}" +
             (en ? "Files are not equal at position 0\n" : "Isi berkas tidak sama pada posisi ke 0\n") +
             "{c7}"},
        {"two empty files", empty1, empty2,
         t.completed_prefix + "{c11}0{c7}" + (en ? " Bytes per second.\n" : " Byte per detik.\n") +
             t.completed_suffix + "{c10}" + (en ? "Files are equal\n" : "Isi kedua berkas sama persis\n") +
             "{c7}"},
        {"sizes differ", ten, eleven,
         "{c13}" +
             std::string(en ? "Filesize is different (unequal file length)\n" : "Ukuran berkas berbeda\n") +
             "{c7}" + (en ? "Size of file 1 \"" : "Ukuran berkas 1 \"") + ten + "\" : 10 Bytes\n" +
             (en ? "Size of file 2 \"" : "Ukuran berkas 2 \"") + eleven + "\" : 11 Bytes\n"},
    };
    for (const auto& c : cases) {
      auto dialogue = compare(answers("1", c.first, c.second), language);
      EXPECT_EQ(dialogue.transcript(), t.banner + t.menu + t.paths + c.after_paths + t.ending + t.pause)
          << c.name << ", language " << language;
      EXPECT_TRUE(dialogue.console.unread_input().empty()) << c.name;
    }
  }
}

TEST(CompareScreen, ContainmentReports) {
  TempDir dir;
  std::string aab = dir.write("aab.bin", "aab");
  std::string ab = dir.write("ab.bin", "ab");
  std::string abc = dir.write("abc.bin", "abc");
  std::string abcabc = dir.write("abcabc.bin", "abcabc");
  std::string abcd = dir.write("abcd.bin", "abcd");
  std::string abce = dir.write("abce.bin", "abce");
  std::string xxa = dir.write("xxa.bin", "xxa");
  for (std::uint16_t language : {0, 1}) {
    Texts t = texts(language);
    bool en = language == 0;
    auto found = [&](int part_file, const std::string& part, const std::string& host) {
      if (part_file == 2)
        return "{c14}" + std::string(en ? "File 2 \"" : "Berkas kedua \"") + part +
               (en ? "\" is part of file 1 \"" : "\" adalah bagian dari berkas pertama \"") + host +
               (en ? "\" in position : \n" : "\" pada posisi : \n");
      return "{c14}" + std::string(en ? "File 1 \"" : "Berkas pertama \"") + part +
             (en ? "\" is part of file 2 \"" : "\" adalah bagian dari berkas kedua \"") + host +
             (en ? "\" in position : \n" : "\" pada posisi : \n");
    };
    auto line = [&](int from, int to) {
      return format(en ? "--> From %d to %d\n" : "--> Dari %d hingga %d\n", from, to);
    };
    auto count = [&](int found_count) {
      return "{c15}" + format(en ? "Found %d position.\n" : "Ditemukan %d posisi.\n", found_count) + "{c7}";
    };
    auto not_part = [&](int part_file, const std::string& part, const std::string& host) {
      if (part_file == 2)
        return "{c12}" + std::string(en ? "File 2 \"" : "Berkas kedua \"") + part +
               (en ? "\" is not a part of file 1 \"" : "\" bukan bagian dari berkas pertama \"") + host +
               "\"\n{c7}";
      return "{c12}" + std::string(en ? "File 1 \"" : "Berkas pertama \"") + part +
             (en ? "\" is not a part of file 2 \"" : "\" bukan bagian dari berkas kedua \"") + host +
             "\"\n{c7}";
    };
    auto bytes_per_second = [&](const std::string& figure, bool kilo) {
      return "{c11}" + figure + "{c7}" +
             (kilo ? (en ? " KB per second.\n" : " KB per detik.\n")
                   : (en ? " Bytes per second.\n" : " Byte per detik.\n"));
    };
    struct Case {
      std::string name;
      std::string first, second;
      std::string report;
    };
    const std::vector<Case> cases = {
        {"smaller second file found once", aab, ab,
         bytes_per_second("1000", false) + t.completed_suffix + found(2, ab, aab) + "{c10}" + line(1, 3) +
             count(1)},
        {"two places", abc, abcabc,
         bytes_per_second("2.93", true) + t.completed_suffix + found(1, abc, abcabc) + "{c10}" + line(0, 3) +
             line(3, 6) + count(2)},
        {"equal sizes, different bytes", abcd, abce,
         bytes_per_second("3.91", true) + t.completed_suffix + not_part(1, abcd, abce)},
        {"host ends with the first part byte", xxa, ab,
         bytes_per_second("2.93", true) + t.completed_suffix + not_part(2, ab, xxa)},
    };
    for (const auto& c : cases) {
      auto dialogue = compare(answers("2", c.first, c.second), language);
      EXPECT_EQ(dialogue.transcript(),
                t.banner + t.menu + t.paths + t.zero + t.completed_prefix + c.report + t.ending + t.pause)
          << c.name << ", language " << language;
    }
  }
}

TEST(CompareScreen, AFullListSaysTheRestWasNotSearched) {
  TempDir dir;
  std::string host = dir.write("host.bin", std::string(10000, 'z'));
  std::string part = dir.write("part.bin", "z");
  std::string exact = dir.write("exact.bin", std::string(4096, 'z'));
  for (std::uint16_t language : {0, 1}) {
    bool en = language == 0;
    std::string warning =
        "{c12}" +
        std::string(en ? "Only the first 4096 positions are listed; the rest of the file was not searched.\n"
                       : "Hanya 4096 posisi pertama yang ditampilkan; sisa berkas tidak dicari.\n") +
        "{c7}";
    std::string count =
        "{c15}" + std::string(en ? "Found 4096 position.\n" : "Ditemukan 4096 posisi.\n") + "{c7}";
    auto full = compare(answers("2", host, part), language);
    const std::string& transcript = full.transcript();
    std::size_t lines = 0;
    for (std::size_t at = transcript.find("--> "); at != std::string::npos;
         at = transcript.find("--> ", at + 1))
      ++lines;
    EXPECT_EQ(lines, 4096u);
    EXPECT_NE(transcript.find(en ? "--> From 0 to 1\n" : "--> Dari 0 hingga 1\n"), std::string::npos);
    EXPECT_NE(transcript.find(en ? "--> From 4095 to 4096\n{c15}" : "--> Dari 4095 hingga 4096\n{c15}"),
              std::string::npos);
    EXPECT_NE(transcript.find(count + warning + (en ? "Running time" : "Waktu proses")), std::string::npos);
    // The completion display counts the host up to the step that found the last place listed.
    EXPECT_NE(transcript.find(speed(4095, language)), std::string::npos);

    // Exactly as many places as the list holds, and nothing left over: no warning.
    auto exact_fit = compare(answers("2", exact, part), language);
    EXPECT_NE(exact_fit.transcript().find(count + (en ? "Running time" : "Waktu proses")), std::string::npos);
    EXPECT_EQ(exact_fit.transcript().find("{c12}"), std::string::npos);
  }
}

TEST(CompareScreen, RefusesEmptyFilesInTheContainmentSearch) {
  TempDir dir;
  std::string empty = dir.write("empty.bin", "");
  std::string some = dir.write("some.bin", "some bytes");
  for (std::uint16_t language : {0, 1}) {
    Texts t = texts(language);
    std::string refusal = language == 0 ? "{c12}Could not process empty file!\n{c7}"
                                        : "{c12}Tidak dapat memproses berkas kosong!\n{c7}";
    for (auto [first, second] : {std::pair{empty, some}, std::pair{some, empty}, std::pair{empty, empty}}) {
      auto dialogue = compare(answers("2", first, second), language);
      EXPECT_EQ(dialogue.transcript(), t.banner + t.menu + t.paths + refusal + t.pause);
    }
  }
}

TEST(CompareScreen, AShortReadIsReportedInsteadOfAVerdict) {
  TempDir dir;
  std::string data = testing::pattern_bytes(300000, 8);
  std::string first = dir.write("first.bin", data);
  std::string second = dir.write("second.bin", data);
  std::string part = dir.write("part.bin", data.substr(250000, 9000));
  struct Case {
    std::string name;
    std::string option;
    std::string first, second;
    std::string faulty;
    std::int64_t readable;
  };
  const std::vector<Case> cases = {
      {"equality, file 1", "1", first, second, first, 100000},
      {"equality, file 2", "1", first, second, second, 100000},
      {"containment, host", "2", first, part, first, 100000},
      {"containment, part", "2", part, second, part, 5000},
  };
  for (std::uint16_t language : {0, 1}) {
    Texts t = texts(language);
    for (const auto& c : cases) {
      set_fault_plan({c.faulty, c.readable, -1});
      auto dialogue = compare(answers(c.option, c.first, c.second), language);
      set_fault_plan({});
      std::string message =
          (language == 0 ? "{c4}Read error on file : {c12}\"" : "{c4}Gagal membaca berkas : {c12}\"") +
          c.faulty + "\"\n{c7}";
      EXPECT_EQ(dialogue.transcript(), t.banner + t.menu + t.paths + t.zero + message + t.pause) << c.name;
    }
  }
}

TEST(CompareScreen, ProgressFollowsTheScanPositionThroughTheHost) {
  // One tick per clock reading lets every rise of the percentage be drawn.
  TempDir dir;
  std::string data = testing::pattern_bytes(1 << 20, 5);
  std::string host = dir.write("host.bin", data);
  std::string part = dir.write("part.bin", data.substr(data.size() - 70000));
  std::string copy = dir.write("copy.bin", data);
  for (const auto& [option, second] :
       {std::pair{std::string("1"), copy}, std::pair{std::string("2"), part}}) {
    auto dialogue = compare(answers(option, host, second), 0, 1000);
    std::vector<int> drawn;
    const std::string& text = dialogue.transcript();
    for (std::size_t at = text.find(">("); at != std::string::npos; at = text.find(">(", at + 1))
      drawn.push_back(std::stoi(text.substr(at + 2)));
    std::vector<int> expected;
    for (int percent = 0; percent <= 100; ++percent)
      expected.push_back(percent);
    EXPECT_EQ(drawn, expected) << "option " << option;
  }
}

}  // namespace
}  // namespace varnelo

// Split and join sessions: every question in order, the messages of each failure, the pieces
// and joined files on disk.
#include <string>
#include <vector>

#include "acceptance.hpp"

namespace varnelo::acceptance {
namespace {

using testing::pattern_bytes;
using testing::TempDir;

std::string answer(Language language) {
  return language == english ? "1\n" : "2\n";
}

std::string split_head(Language language) {
  return banner(language == english ? "SPLIT" : "POTONG") +
         pick(language, "Select split mode :\n1) Automatic Mode\n2) Manual Mode\nChoice : ",
              "Pilihan mode untuk pemotongan :\n1) Mode Otomatis\n2) Mode Manual\nPilihanmu : ");
}

std::string split_path(Language language) {
  return pick(language,
              "Input path and filename to split : ", "Masukkan alamat dan nama berkas untuk dipotong : ");
}

std::string count_prompt(Language language) {
  return pick(language, "Number of file output : ", "Jumlah berkas keluaran : ");
}

std::string memory_question(Language language) {
  return pick(language, "Memory management :\n1) Automatic Mode\n2) Manual Mode\nChoice : ",
              "Menejemen memori :\n1) Mode Otomatis\n2) Mode Manual\nPilihanmu : ");
}

std::string named_label(Language language) {
  return pick(
      language,
      "Info : file output location is in the same folder with file input.\nsplitting file, please wait...\n",
      "Informasi : berkas keluaran terletak pada folder yang sama dengan folder berkas masukan.\n"
      "Memotong berkas, silahkan tunggu...\n");
}

std::string typed_label(Language language) {
  return pick(language, "splitting file, please wait...\n", "Memotong berkas, silahkan tunggu...\n");
}

std::string unit_question(Language language) {
  return pick(language, "Filesize in :\n1) Bytes (B)\t2) KiloBytes (KB)\t3) MegaBytes (MB)\nChoice : ",
              "Ukuran berkas dalam satuan :\n1) Byte (B)\t2) KiloByte (KB)\t3) MegaByte (MB)\nPilihanmu : ");
}

std::string invalid(Language language) {
  return pick(language, "Invalid Choice!", "Pilihan tidak tersedia!");
}

std::string memory_fail(Language language) {
  return pick(language, "Memory management fail!", "Menejemen memori gagal!");
}

std::string overwrite(Language language, const std::string& path) {
  return pick(language, "File \"", "Berkas \"") + path +
         pick(language, "\" already exist\n", "\" telah ada\n") +
         pick(language, "Overwrite file (Y/N)? ", "Timpa berkas (Y/T)? ");
}

std::string could_not_open(Language language, const std::string& path) {
  return pick(language, "Could not open file : \"", "Tidak dapat membuka berkas : \"") + path + "\"\n";
}

// A finished copy: the 0 % display, the completion display and the elapsed time.
std::string copied(Language language, const std::string& label) {
  return progress_start(language, label) + completion(language) + running_time(language);
}

std::string end_of_screen(Language language) {
  return pause(language) + main_menu(language);
}

TEST(SplitSessions, EqualPiecesNamedFromTheInput) {
  for (Language language : {english, indonesian}) {
    TempDir dir;
    const std::string data = pattern_bytes(10);
    dir.write("data.bin", data);
    Outcome outcome = run(answer(language) + "1\n1\ndata.bin\n4\n1\n\n6\n", dir);
    EXPECT_EQ(outcome.exit_code, 0);
    EXPECT_EQ(outcome.output, start(language) + split_head(language) + split_path(language) +
                                  count_prompt(language) + memory_question(language) +
                                  copied(language, named_label(language)) + end_of_screen(language));
    EXPECT_EQ(dir.read("data.bin.001"), data.substr(0, 3));
    EXPECT_EQ(dir.read("data.bin.002"), data.substr(3, 3));
    EXPECT_EQ(dir.read("data.bin.003"), data.substr(6, 3));
    EXPECT_EQ(dir.read("data.bin.004"), data.substr(9, 1));
    EXPECT_FALSE(dir.exists("data.bin.005"));
  }
}

TEST(SplitSessions, EveryRefusalBeforeTheCopy) {
  struct Case {
    const char* name;
    std::string typed;  // after the split screen was chosen
    std::string shown;  // after the screen's first question
  };
  for (Language language : {english, indonesian}) {
    const std::vector<Case> cases = {
        {"split mode 0", "0\n", invalid(language)},
        {"split mode 3", "3\n", invalid(language)},
        {"split mode without digits", "x\n", invalid(language)},
        {"input missing", "1\nmissing.bin\n", split_path(language) + could_not_open(language, "missing.bin")},
        {"more than 999 pieces", "1\ndata.bin\n1000\n",
         split_path(language) + count_prompt(language) +
             pick(language, "Total file limit is 999! but you input 1000.\n",
                  "Jumlah berkas maksimum yang dapat diproses adalah 999! sedangkan anda menginput 1000.\n")},
        {"no pieces", "1\ndata.bin\nnone\n",
         split_path(language) + count_prompt(language) +
             pick(language, "No file output!", "Tidak ada berkas keluaren!")},
        {"more pieces than bytes", "2\ndata.bin\n11\n",
         split_path(language) + count_prompt(language) + memory_fail(language)},
        {"an empty file", "1\nempty.bin\n1\n",
         split_path(language) + count_prompt(language) + memory_fail(language)},
        {"memory management 3", "1\ndata.bin\n2\n3\n",
         split_path(language) + count_prompt(language) + memory_question(language) + invalid(language)},
    };
    for (const Case& c : cases) {
      TempDir dir;
      dir.write("data.bin", pattern_bytes(10));
      dir.write("empty.bin", "");
      Outcome outcome = run(answer(language) + "1\n" + c.typed + "\n6\n", dir);
      EXPECT_EQ(outcome.exit_code, 0) << c.name;
      EXPECT_EQ(outcome.output, start(language) + split_head(language) + c.shown + end_of_screen(language))
          << c.name;
      EXPECT_FALSE(dir.exists("data.bin.001")) << c.name;
    }
  }
}

TEST(SplitSessions, RefusedOverwriteLeavesEveryPieceAsItWas) {
  for (Language language : {english, indonesian}) {
    TempDir dir;
    const std::string data = pattern_bytes(12);
    dir.write("data.bin", data);
    dir.write("data.bin.003", "old");
    Outcome outcome = run(answer(language) + "1\n1\ndata.bin\n4\n1\nn\n\n6\n", dir);
    EXPECT_EQ(outcome.output, start(language) + split_head(language) + split_path(language) +
                                  count_prompt(language) + memory_question(language) +
                                  progress_start(language, named_label(language)) +
                                  overwrite(language, "data.bin.003") + end_of_screen(language));
    EXPECT_EQ(dir.names(), (std::vector<std::string>{"data.bin", "data.bin.003"}));
    EXPECT_EQ(dir.read("data.bin.003"), "old");
  }
}

TEST(SplitSessions, TypedSizesForNamedPieces) {
  for (Language language : {english, indonesian}) {
    std::string remaining_2 = pick(language, "2 file output remaining (to be configured)\n",
                                   "2 berkas keluaran belum diatur untuk ukuran berkasnya\n");
    std::string remaining_1 = pick(language, "1 file output remaining (to be configured)\n",
                                   "1 berkas keluaran belum diatur untuk ukuran berkasnya\n");
    auto available = [&](const std::string& figure) {
      return pick(language, "Available : ", "Tersedia : ") + figure;
    };
    auto size_prompt = [&](int piece, const std::string& unit) {
      return pick(language, "Input filesize for file ", "Masukkan uhuran berkas untuk berkas ke ") +
             std::to_string(piece) + pick(language, " in ", " dalam satuan ") + unit;
    };
    auto range_prompt = [&](int piece) {
      return pick(language, "Apply this filesize for file ", "Gunakan ukuran berkas ini untuk berkas ke ") +
             std::to_string(piece) + pick(language, " to file : ", " hingga berkas ke : ");
    };
    std::string head = start(language) + split_head(language) + split_path(language) +
                       count_prompt(language) + memory_question(language);
    {
      // 2 KB and 5 bytes: one kilobyte applied to pieces 1 and 2, the rest to piece 3.
      TempDir dir;
      const std::string data = pattern_bytes(2053);
      dir.write("data.bin", data);
      Outcome outcome = run(answer(language) + "1\n1\ndata.bin\n3\n2\n2\n1\n2\n\n6\n", dir);
      EXPECT_EQ(outcome.output, head + remaining_2 + unit_question(language) + available("2 KB\n") +
                                    size_prompt(1, "KiloByte (KB) : ") + range_prompt(1) +
                                    copied(language, named_label(language)) + end_of_screen(language));
      EXPECT_EQ(dir.read("data.bin.001"), data.substr(0, 1024));
      EXPECT_EQ(dir.read("data.bin.002"), data.substr(1024, 1024));
      EXPECT_EQ(dir.read("data.bin.003"), data.substr(2048));
    }
    {
      // Megabytes are lowered to bytes for 500 bytes; a range end of 0 asks again for the same
      // piece, and a size answer without digits keeps the previous size.
      TempDir dir;
      const std::string data = pattern_bytes(500);
      dir.write("data.bin", data);
      Outcome outcome = run(answer(language) + "1\n1\ndata.bin\n3\n2\n3\n100\n0\n1\n-\n9\n\n6\n", dir);
      std::string pass = unit_question(language) + available("500 Bytes\n") + size_prompt(1, "Byte (B) : ") +
                         range_prompt(1);
      EXPECT_EQ(outcome.output, head + remaining_2 + pass + remaining_2 + pass +
                                    copied(language, named_label(language)) + end_of_screen(language));
      EXPECT_EQ(dir.read("data.bin.001"), data.substr(0, 100));
      EXPECT_EQ(dir.read("data.bin.002"), data.substr(100, 100));
      EXPECT_EQ(dir.read("data.bin.003"), data.substr(200));
    }
    {
      // A unit answer without digits takes the unit last used minus one: kilobytes become bytes,
      // and bytes an invalid choice. The size kept is the previous one in bytes: 1 KB is 1024.
      TempDir dir;
      dir.write("data.bin", pattern_bytes(5000));
      Outcome outcome = run(answer(language) + "1\n1\ndata.bin\n3\n2\n2\n1\n0\n-\n-\n1\n-\n\n6\n", dir);
      EXPECT_EQ(outcome.output, head + remaining_2 + unit_question(language) + available("4 KB\n") +
                                    size_prompt(1, "KiloByte (KB) : ") + range_prompt(1) + remaining_2 +
                                    unit_question(language) + available("5000 Bytes\n") +
                                    size_prompt(1, "Byte (B) : ") + range_prompt(1) + remaining_1 +
                                    unit_question(language) + invalid(language) + end_of_screen(language));
      EXPECT_FALSE(dir.exists("data.bin.001"));
    }
    {
      // A size that leaves nothing for the last piece.
      TempDir dir;
      dir.write("data.bin", pattern_bytes(500));
      Outcome outcome = run(answer(language) + "1\n1\ndata.bin\n2\n2\n1\n500\n1\n\n6\n", dir);
      EXPECT_EQ(outcome.output, head + remaining_1 + unit_question(language) + available("500 Bytes\n") +
                                    size_prompt(1, "Byte (B) : ") + range_prompt(1) + memory_fail(language) +
                                    end_of_screen(language));
      EXPECT_FALSE(dir.exists("data.bin.001"));
    }
    {
      // A unit answer out of range.
      TempDir dir;
      dir.write("data.bin", pattern_bytes(500));
      Outcome outcome = run(answer(language) + "1\n1\ndata.bin\n2\n2\n4\n\n6\n", dir);
      EXPECT_EQ(outcome.output,
                head + remaining_1 + unit_question(language) + invalid(language) + end_of_screen(language));
    }
  }
}

TEST(SplitSessions, TypedNames) {
  for (Language language : {english, indonesian}) {
    auto name_prompt = [&](int piece) {
      return pick(language, "Input path and filename for file ",
                  "Masukan alamat dan nama berkas untuk berkas ke ") +
             std::to_string(piece) + " : ";
    };
    auto output_name_prompt = [&](int piece) {
      return pick(language, "Input path and filename for output file ",
                  "Masukan alamat dan nama berkas untuk berkas keluaran ke ") +
             std::to_string(piece) + " : ";
    };
    std::string head = start(language) + split_head(language) + split_path(language) +
                       count_prompt(language) + memory_question(language);
    {
      // Equal sizes: 9 bytes in 4 pieces use three names; a refused overwrite asks again.
      TempDir dir;
      const std::string data = pattern_bytes(9);
      dir.write("data.bin", data);
      dir.write("kept", "old");
      Outcome outcome = run(answer(language) + "1\n2\ndata.bin\n4\n1\np1\nkept\nn\np2\np3\np4\n\n6\n", dir);
      EXPECT_EQ(outcome.output, head + name_prompt(1) + name_prompt(2) + overwrite(language, "kept") +
                                    name_prompt(2) + name_prompt(3) + name_prompt(4) +
                                    copied(language, typed_label(language)) + end_of_screen(language));
      EXPECT_EQ(dir.read("p1"), data.substr(0, 3));
      EXPECT_EQ(dir.read("p2"), data.substr(3, 3));
      EXPECT_EQ(dir.read("p3"), data.substr(6, 3));
      EXPECT_FALSE(dir.exists("p4"));
      EXPECT_EQ(dir.read("kept"), "old");
    }
    {
      // Names and sizes, one piece at a time; the last piece takes the rest.
      TempDir dir;
      const std::string data = pattern_bytes(10);
      dir.write("data.bin", data);
      Outcome outcome = run(answer(language) + "1\n2\ndata.bin\n2\n2\nq1\n1\n4\nq2\n\n6\n", dir);
      EXPECT_EQ(
          outcome.output,
          head + output_name_prompt(1) + unit_question(language) +
              pick(language, "Available : 10 Bytes\nInput filesize for file 1 in Byte (B) : ",
                   "Tersedia : 10 Bytes\nMasukkan uhuran berkas untuk berkas ke 1 dalam satuan Byte (B) : ") +
              output_name_prompt(2) + copied(language, typed_label(language)) + end_of_screen(language));
      EXPECT_EQ(dir.read("q1"), data.substr(0, 4));
      EXPECT_EQ(dir.read("q2"), data.substr(4));
    }
  }
}

std::string join_head(Language language) {
  return banner(language == english ? "JOIN" : "GABUNG") +
         pick(language, "Select join mode :\n1) Automatic Mode\n2) Manual Mode\nChoice : ",
              "Pilihan mode untuk penggabungan :\n1) Mode Otomatis\n2) Mode Manual\nPilihanmu : ");
}

std::string first_piece_prompt(Language language) {
  return pick(language, "Input path and filename which have extension .001 : ",
              "Masukkan alamat dan nama berkas yang berekstensi .001 : ");
}

std::string automatic_label(Language language, int count, int total) {
  return pick(language, "Info : detected ", "Informasi : terdeteksi ") + std::to_string(count) +
         pick(language, " files\nTotal filesize : ", " berkas\nJumlah ukuran berkas : ") +
         std::to_string(total) +
         pick(language, " Bytes.\nJoining file, please wait...\n",
              " Bytes.\nMenggabung berkas, silahkan tunggu...\n");
}

TEST(JoinSessions, AutomaticFromTheFirstPieceOrTheFileName) {
  for (Language language : {english, indonesian}) {
    for (const std::string typed_name : {"film.avi", "film.avi.001"}) {
      TempDir dir;
      dir.write("film.avi.001", "abcd");
      dir.write("film.avi.002", "efgh");
      dir.write("film.avi.003", "ij");
      dir.write("film.avi.005", "not in the set");
      Outcome outcome = run(answer(language) + "2\n1\n" + typed_name + "\n\n6\n", dir);
      // A join ends without the completion display; the piece past the gap is named after the time.
      const std::string gap = pick(
          language,
          "Note : file \"film.avi.004\" is missing; \"film.avi.005\" and the pieces past it were not "
          "joined.\n",
          "Catatan : berkas \"film.avi.004\" tidak ada; \"film.avi.005\" dan potongan sesudahnya tidak ikut "
          "digabung.\n");
      EXPECT_EQ(outcome.output, start(language) + join_head(language) + first_piece_prompt(language) +
                                    progress_start(language, automatic_label(language, 3, 10)) +
                                    running_time(language) + gap + end_of_screen(language))
          << typed_name;
      EXPECT_EQ(dir.read("film.avi"), "abcdefghij");
    }
  }
}

TEST(JoinSessions, AutomaticRefusals) {
  for (Language language : {english, indonesian}) {
    {
      TempDir dir;
      Outcome outcome = run(answer(language) + "2\n1\nnothing\n\n6\n", dir);
      EXPECT_EQ(outcome.output, start(language) + join_head(language) + first_piece_prompt(language) +
                                    could_not_open(language, "nothing.001") + end_of_screen(language));
    }
    {
      TempDir dir;
      dir.write("film.avi", "kept");
      dir.write("film.avi.001", "abcd");
      Outcome outcome = run(answer(language) + "2\n1\nfilm.avi\nT\n\n6\n", dir);
      EXPECT_EQ(outcome.output, start(language) + join_head(language) + first_piece_prompt(language) +
                                    overwrite(language, "film.avi") + end_of_screen(language));
      EXPECT_EQ(dir.read("film.avi"), "kept");
    }
    {
      TempDir dir;
      Outcome outcome = run(answer(language) + "2\n3\n\n6\n", dir);
      EXPECT_EQ(outcome.output,
                start(language) + join_head(language) + invalid(language) + end_of_screen(language));
    }
  }
}

TEST(JoinSessions, ManualJoinAndItsRefusals) {
  for (Language language : {english, indonesian}) {
    std::string count_prompt = pick(language, "total file to join : ", "Jumah berkas untuk digabung : ");
    auto input_prompt = [&](int index) {
      return pick(language, "Input path and filename for file ",
                  "Masukan alamat dan nama berkas untuk berkas ke ") +
             std::to_string(index) + " : ";
    };
    std::string output_prompt = pick(language, "Input path and filename for file output : ",
                                     "Masukkan alamat dan nama berkas untuk berkas keluaran : ");
    std::string head = start(language) + join_head(language) + count_prompt;
    {
      TempDir dir;
      dir.write("one", "first ");
      dir.write("two", "second");
      Outcome outcome = run(answer(language) + "2\n2\n2\none\ntwo\nboth\n\n6\n", dir);
      EXPECT_EQ(outcome.output,
                head + input_prompt(1) + input_prompt(2) + output_prompt +
                    progress_start(
                        language, pick(language, "Total filesize : 12 Bytes.\nJoining file, please wait...\n",
                                       "Jumlah ukuran berkas : 12 Bytes.\nMenggabung berkas, silahkan "
                                       "tunggu...\n")) +
                    running_time(language) + end_of_screen(language));
      EXPECT_EQ(dir.read("both"), "first second");
    }
    struct Case {
      const char* name;
      std::string typed;
      std::string shown;
    };
    const std::vector<Case> cases = {
        {"more than 999 inputs", "1000\n",
         pick(language, "Total file limit is 999! but you input 1000.\n",
              "Jumlah berkas maksimum yang dapat diproses adalah 999! sedangkan anda menginput 1000.\n")},
        {"no inputs", "-\n", pick(language, "No file input!", "Tidak ada berkas masukan!")},
        {"an input missing", "2\none\nmissing\n",
         input_prompt(1) + input_prompt(2) + could_not_open(language, "missing")},
        {"output exists, overwrite refused", "1\none\none.copy\nn\n",
         input_prompt(1) + output_prompt + overwrite(language, "one.copy")},
    };
    for (const Case& c : cases) {
      TempDir dir;
      dir.write("one", "first ");
      dir.write("one.copy", "kept");
      Outcome outcome = run(answer(language) + "2\n2\n" + c.typed + "\n6\n", dir);
      EXPECT_EQ(outcome.output, head + c.shown + end_of_screen(language)) << c.name;
      EXPECT_EQ(dir.read("one.copy"), "kept") << c.name;
    }
  }
}

}  // namespace
}  // namespace varnelo::acceptance

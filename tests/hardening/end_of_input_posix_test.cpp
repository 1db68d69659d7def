// End of input everywhere: complete sessions through every screen and branch, in both
// languages, are cut after every single character. Each cut runs the real program through a
// pipe (it must end promptly with exit code 0, or the code of the ending whose last read was
// cut) and the same program in-process (every file it opened must be closed again). Files that
// were there before stay as they were, unless the cut came after the answer that confirmed
// their overwrite.
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/program.hpp"
#include "support/test_support.hpp"
#include "watching_console.hpp"

namespace varnelo {
namespace {

using testing::TempDir;

// The folder every session runs in; paths are typed relative to it, so cuts inside a path
// are few and every cut still reaches the screen.
const std::map<std::string, std::string>& layout() {
  static const std::map<std::string, std::string> files = {
      {"in", testing::pattern_bytes(10000)},
      {"six", "abcdef"},
      {"six.002", "old piece"},
      {"empty", ""},
      {"key", "k3y"},
      {"p.001", "abc"},
      {"p.002", "def"},
      {"p", "old whole"},
      {"out", "old out"},
      {"hex.txt", "6b 33 79\n"},
  };
  return files;
}

void lay_out(const TempDir& dir) {
  for (const auto& [name, bytes] : layout())
    dir.write(name, bytes);
  std::filesystem::create_directory(dir.path("dir"));
}

struct Session {
  std::string group;
  std::string name;
  // What is typed after the language answer. "{Y:name}" types a "Y" that confirms the
  // overwrite of `name`; "{no}" declines the clipboard offer in the session's language.
  std::string typed;
  int exit_code;
  // A text the whole session prints in English and in Indonesian; it proves that the session
  // reaches the branch it is meant to cover.
  std::string shows_english;
  std::string shows_indonesian;
};

struct Script {
  std::string input;
  std::map<std::string, std::size_t> confirmed_at;  // file -> index of the confirming "Y"
};

Script expand(const Session& session, bool indonesian) {
  Script script;
  script.input = indonesian ? "2\n" : "1\n";
  const std::string& typed = session.typed;
  for (std::size_t at = 0; at < typed.size();) {
    if (typed.compare(at, 3, "{Y:") == 0) {
      std::size_t end = typed.find('}', at);
      script.confirmed_at[typed.substr(at + 3, end - at - 3)] = script.input.size();
      script.input += 'Y';
      at = end + 1;
    } else if (typed.compare(at, 4, "{no}") == 0) {
      script.input += indonesian ? 't' : 'n';
      at += 4;
    } else {
      script.input += typed[at++];
    }
  }
  return script;
}

std::vector<Session> sessions() {
  std::string eight_invalid;
  for (int i = 0; i < 8; ++i)
    eight_invalid += "7\n";
  return {
      // Menus, endings and the change of language.
      {"menus", "about and menus", "5\n\n0\n5\n6\n", 0, "please visit", "kunjungi"},
      {"menus", "too many invalid choices", eight_invalid + "9\n\n", 2, "Too many invalid choice",
       "Pilihan anda salah berkali-kali"},
      {"menus", "extra menu, invalid choices", "0\n" + eight_invalid + "8\n\n", 2, "Too many invalid choice",
       "Pilihan anda salah berkali-kali"},
      {"menus", "change language", "0\n0\n2\n0\n1\n6\n", 0, "Fitur Tambahan :", "Extra Feature :"},
      {"menus", "change language refused", "0\n0\n9\n\n", 1, "Language not installed",
       "Language not installed"},

      // Split.
      {"split", "split, equal pieces", "1\n1\nin\n3\n1\n\n6\n", 0, "Completed!", "Selesai!"},
      {"split", "split, existing piece kept", "1\n1\nsix\n3\n1\nN\n\n6\n", 0, "already exist", "telah ada"},
      {"split", "split, existing piece overwritten", "1\n1\nsix\n3\n1\n{Y:six.002}\n\n6\n", 0, "Completed!",
       "Selesai!"},
      {"split", "split, invalid mode", "1\n3\n\n6\n", 0, "Invalid Choice!", "Pilihan tidak tersedia!"},
      {"split", "split, missing input", "1\n1\nmissing\n\n6\n", 0, "Could not open file",
       "Tidak dapat membuka"},
      {"split", "split, folder as input", "1\n1\ndir\n\n6\n", 0, "Could not open file",
       "Tidak dapat membuka"},
      {"split", "split, too many pieces", "1\n1\nsix\n1000\n\n6\n", 0, "Total file limit is 999!",
       "maksimum"},
      {"split", "split, no pieces", "1\n1\nsix\n\n\n6\n", 0, "No file output!", "Tidak ada berkas keluaren!"},
      {"split", "split, input too small", "1\n1\nsix\n7\n\n6\n", 0, "Memory management fail!",
       "Menejemen memori gagal!"},
      {"split", "split, invalid sizing", "1\n1\nsix\n2\n3\n\n6\n", 0, "Invalid Choice!",
       "Pilihan tidak tersedia!"},
      {"split", "split, typed sizes", "1\n1\nin\n3\n2\n1\n100\n1\n2\n1\n9\n\n6\n", 0, "Completed!",
       "Selesai!"},
      {"split", "split, typed size refused", "1\n1\nin\n2\n2\n3\n0\n1\n\n6\n", 0, "Memory management fail!",
       "Menejemen memori gagal!"},
      {"split", "split, typed unit invalid", "1\n1\nin\n2\n2\n4\n\n6\n", 0, "Invalid Choice!",
       "Pilihan tidak tersedia!"},
      {"split", "split, typed names", "1\n2\nsix\n2\n1\nn1\nout\nN\nout\n{Y:out}\n\n6\n", 0, "Completed!",
       "Selesai!"},
      {"split", "split, typed names and sizes", "1\n2\nsix\n2\n2\nm1\n1\n2\nm2\n\n6\n", 0, "Completed!",
       "Selesai!"},

      // Join.
      {"join", "join, automatic", "2\n1\np.001\n{Y:p}\n\n6\n", 0, "detected 2 files", "terdeteksi 2 berkas"},
      {"join", "join, automatic, output kept", "2\n1\np\nN\n\n6\n", 0, "already exist", "telah ada"},
      {"join", "join, automatic, no first piece", "2\n1\nmissing\n\n6\n", 0, "missing.001", "missing.001"},
      {"join", "join, manual", "2\n2\n2\nsix\nkey\nj\n\n6\n", 0, "Running time", "Waktu proses"},
      {"join", "join, manual, output kept", "2\n2\n1\nsix\nout\nN\n\n6\n", 0, "already exist", "telah ada"},
      {"join", "join, manual, missing input", "2\n2\n2\nsix\nmissing\n\n6\n", 0, "Could not open file",
       "Tidak dapat membuka"},
      {"join", "join, manual, no inputs", "2\n2\n0\n\n6\n", 0, "No file input!", "Tidak ada berkas masukan!"},
      {"join", "join, manual, too many inputs", "2\n2\n1000\n\n6\n", 0, "Total file limit is 999!",
       "maksimum"},
      {"join", "join, invalid mode", "2\n0\n\n6\n", 0, "Invalid Choice!", "Pilihan tidak tersedia!"},

      // Compare.
      {"compare", "compare, equal", "3\n1\nin\nin\n\n6\n", 0, "Files are equal",
       "Isi kedua berkas sama persis"},
      {"compare", "compare, sizes differ", "3\n1\nsix\nkey\n\n6\n", 0, "Filesize is different",
       "Ukuran berkas berbeda"},
      {"compare", "compare, contents differ", "3\n1\np.001\np.002\n\n6\n", 0, "not equal at position 0",
       "tidak sama pada posisi ke 0"},
      {"compare", "compare, part found", "3\n2\np.002\nsix\n\n6\n", 0, "From 3 to 6", "Dari 3 hingga 6"},
      {"compare", "compare, not a part", "3\n2\nkey\nsix\n\n6\n", 0, "is not a part of", "bukan bagian dari"},
      {"compare", "compare, empty file", "3\n2\nempty\nsix\n\n6\n", 0, "Could not process empty file!",
       "Tidak dapat memproses berkas kosong!"},
      {"compare", "compare, invalid option", "3\n3\n\n6\n", 0, "Invalid Choice!", "Pilihan tidak tersedia!"},
      {"compare", "compare, missing second", "3\n1\nsix\nmissing\n\n6\n", 0, "Could not open file",
       "Tidak dapat membuka"},

      // Checksum.
      {"checksum", "checksum, SHA-512", "4\n1\nin\n1\n{no}\n\n6\n", 0, "SHA-2 (512 bit) Checksum",
       "Ceksum SHA-2 (512 bit)"},
      {"checksum", "checksum, SHA-224 copied", "4\n1\nsix\n4\ny\n\n6\n", 0, "has been copied",
       "telah disalin"},
      {"checksum", "checksum, SHA-1", "4\n2\nsix\n{no}\n\n6\n", 0, "SHA-1 Checksum", "Ceksum SHA-1"},
      {"checksum", "checksum, RIPEMD-160", "4\n3\nsix\n{no}\n\n6\n", 0, "RIPEMD-160 Checksum",
       "Ceksum RIPEMD-160"},
      {"checksum", "checksum, MD5", "4\n4\nempty\n{no}\n\n6\n", 0, "MD5 Checksum", "Ceksum MD5"},
      {"checksum", "checksum, Checksum64", "4\n5\nin\ny\n\n6\n", 0, "Checksum has been copied",
       "Ceksum telah disalin"},
      {"checksum", "checksum, invalid type", "4\n6\n\n6\n", 0, "Invalid Choice!", "Pilihan tidak tersedia!"},
      {"checksum", "checksum, invalid width", "4\n1\nsix\n5\n\n6\n", 0, "Invalid Choice!",
       "Pilihan tidak tersedia!"},
      {"checksum", "checksum, missing file", "4\n1\nmissing\n\n6\n", 0, "Could not open file",
       "Tidak dapat membuka"},

      // Encrypt and decrypt.
      {"crypt", "encrypt, text key", "0\n1\n1\n2\nin\nk3y\nenc\n\n6\n", 0, "Completed!", "Selesai!"},
      {"crypt", "encrypt, empty key", "0\n1\n1\n1\nsix\n\n\n6\n", 0, "Invalid text key!",
       "Format kunci teks"},
      {"crypt", "encrypt, output kept", "0\n1\n1\n1\nsix\nk\nout\nN\n\n6\n", 0, "already exist", "telah ada"},
      {"crypt", "encrypt, output overwritten", "0\n1\n2\n1\nsix\nkey\nout\n{Y:out}\n\n6\n", 0, "Completed!",
       "Selesai!"},
      {"crypt", "encrypt, invalid key mode", "0\n1\n3\n\n6\n", 0, "Invalid Choice!",
       "Pilihan tidak tersedia!"},
      {"crypt", "encrypt, invalid type", "0\n1\n1\n3\n\n6\n", 0, "Invalid Choice!",
       "Pilihan tidak tersedia!"},
      {"crypt", "decrypt, key file", "0\n2\n2\n2\nin\nkey\ndec\n\n6\n", 0, "Completed!", "Selesai!"},
      {"crypt", "decrypt, empty key file", "0\n2\n2\n1\nsix\nempty\n\n6\n", 0, "Key file is empty!",
       "Berkas kunci kosong!"},
      {"crypt", "decrypt, missing key file", "0\n2\n2\n1\nsix\nmissing\n\n6\n", 0, "Could not open file",
       "Tidak dapat membuka"},
      {"crypt", "decrypt, output is the input", "0\n2\n1\n1\nsix\nk\nsix\n\n6\n", 0,
       "Output file is the same", "Berkas keluaran sama"},
      {"crypt", "decrypt, invalid type", "0\n2\n1\n3\n\n6\n", 0, "Invalid Choice!",
       "Pilihan tidak tersedia!"},

      // Encode and decode.
      {"encoding", "encode, binary", "0\n3\n1\nsix\nbin\n4\n\n6\n", 0, "Completed!", "Selesai!"},
      {"encoding", "encode, output kept", "0\n3\n2\nsix\nhex\nN\n\n6\n", 0, "already exist", "telah ada"},
      {"encoding", "encode, base 64 overwriting", "0\n3\n3\nin\nhex\n{Y:hex.txt}\n77\n\n6\n", 0, "Completed!",
       "Selesai!"},
      {"encoding", "encode, no bytes per line", "0\n3\n1\nsix\nzero\n0\n\n6\n", 0, "No file output!",
       "Tidak ada berkas keluaren!"},
      {"encoding", "encode, output is the input", "0\n3\n2\nhex.txt\nhex.txt\n\n6\n", 0,
       "Output file is the same", "Berkas keluaran sama"},
      {"encoding", "encode, invalid mode", "0\n3\n4\n\n6\n", 0, "Invalid Choice!", "Pilihan tidak tersedia!"},
      {"encoding", "encode, missing input", "0\n3\n1\nmissing\n\n6\n", 0, "Could not open file",
       "Tidak dapat membuka"},
      {"encoding", "decode, name without .txt", "0\n4\n2\nhex\ndec\n\n6\n", 0, "Completed!", "Selesai!"},
      {"encoding", "decode, output kept", "0\n4\n3\nhex.txt\nout\nN\n\n6\n", 0, "already exist", "telah ada"},
      {"encoding", "decode, missing input", "0\n4\n1\nmissing\n\n6\n", 0, "Could not open file : \"missing\"",
       "Tidak dapat membuka berkas : \"missing\""},
      {"encoding", "decode, invalid mode", "0\n4\n0\n\n6\n", 0, "Invalid Choice!", "Pilihan tidak tersedia!"},
  };
}

// Every file of the layout is as it was, unless the cut came after the answer confirming its
// overwrite.
void expect_layout_kept(const TempDir& dir, const Script& script, std::size_t cut,
                        const std::string& context) {
  for (const auto& [name, bytes] : layout()) {
    auto confirmed = script.confirmed_at.find(name);
    if (confirmed != script.confirmed_at.end() && cut > confirmed->second) continue;
    EXPECT_EQ(dir.read(name), bytes) << context << ": " << name;
  }
}

// Runs the program in-process on `input` in `dir`; `files_closed` tells whether every file it
// opened was closed, at the end and already at every press-enter pause.
int run_in_process(const std::string& input, const TempDir& dir, bool& files_closed) {
  auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.root());
  int files_before = open_file_count();
  int exit_code;
  int open_at_pause;
  {
    testing::WatchingConsole port(input);
    ConsoleScope scope(port);
    exit_code = run_program();
    open_at_pause = port.open_at_pause();
  }
  files_closed = open_file_count() == files_before && open_at_pause == 0;
  std::filesystem::current_path(previous);
  return exit_code;
}

// One CTest entry per group of screens, so the cuts of different groups run side by side.
class EndOfInput : public ::testing::TestWithParam<const char*> {
 protected:
  std::vector<Session> group() const {
    std::vector<Session> chosen;
    for (const Session& session : sessions())
      if (session.group == GetParam()) chosen.push_back(session);
    return chosen;
  }
};

TEST_P(EndOfInput, EverySessionReachesItsBranch) {
  for (const Session& session : group()) {
    for (bool indonesian : {false, true}) {
      Script script = expand(session, indonesian);
      TempDir dir;
      lay_out(dir);
      auto result = testing::run_binary(script.input, dir.root(), 20);
      std::string context = session.name + (indonesian ? " (Indonesian)" : " (English)");
      ASSERT_FALSE(result.timed_out) << context;
      EXPECT_EQ(result.exit_code, session.exit_code) << context;
      const std::string& shows = indonesian ? session.shows_indonesian : session.shows_english;
      EXPECT_NE(result.output.find(shows), std::string::npos) << context << "\n" << result.output;
      expect_layout_kept(dir, script, script.input.size(), context);
    }
  }
}

TEST_P(EndOfInput, EveryCutOfEverySessionEndsCleanly) {
  for (const Session& session : group()) {
    for (bool indonesian : {false, true}) {
      Script script = expand(session, indonesian);
      for (std::size_t cut = 0; cut < script.input.size(); ++cut) {
        std::string context =
            session.name + (indonesian ? " (Indonesian)" : " (English)") + " cut at " + std::to_string(cut);
        std::string input = script.input.substr(0, cut);
        TempDir dir;
        lay_out(dir);
        auto result = testing::run_binary(input, dir.root(), 10);
        ASSERT_FALSE(result.timed_out) << context;
        EXPECT_TRUE(result.exit_code == 0 || result.exit_code == session.exit_code)
            << context << " exit " << result.exit_code;
        expect_layout_kept(dir, script, cut, context);

        TempDir again;
        lay_out(again);
        bool files_closed = false;
        int exit_code = run_in_process(input, again, files_closed);
        EXPECT_TRUE(files_closed) << context << ": a file was left open";
        EXPECT_EQ(exit_code, result.exit_code) << context;
        expect_layout_kept(again, script, cut, context + " in-process");
        if (::testing::Test::HasFailure()) return;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, EndOfInput,
                         ::testing::Values("menus", "split", "join", "compare", "checksum", "crypt",
                                           "encoding"));

}  // namespace
}  // namespace varnelo

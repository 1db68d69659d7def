// Hostile paths and keys: names with blanks, quotes, shell syntax, format directives, a leading
// "-" or bytes that are not ASCII; "?" with a clipboard that is empty, far too long or full of
// binary bytes; paths and key lines at one character below and at their buffer's limit; number
// lines of a million characters. Nothing may overrun, and nothing typed may reach a shell.
#include <filesystem>
#include <string>
#include <vector>

#include "app/program.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::TempDir;

struct Session {
  int exit_code = -1;
  std::string text;
  bool all_read = false;
};

// The whole program in-process, from the language answer to the exit.
Session run_session(const std::string& typed, bool indonesian, const std::string& clipboard = {}) {
  ScriptedConsole port((indonesian ? "2\n" : "1\n") + typed);
  port.clipboard_ = clipboard;
  int files_before = open_file_count();
  Session run;
  {
    ConsoleScope scope(port);
    run.exit_code = run_program();
  }
  EXPECT_EQ(open_file_count(), files_before) << "a file was left open";
  run.text = port.text();
  run.all_read = port.unread_input().empty();
  return run;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string xor_with(const std::string& data, const std::string& key) {
  std::string out = data;
  for (std::size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<char>(out[i] ^ key[i % key.size()]);
  return out;
}

// Names a shell, a printf or an option parser would each take for something else.
const std::vector<std::string>& hostile_names() {
  static const std::vector<std::string> names = {
      "with blank ",    " leading blank",  "quote\"d",     "single'quote", "-rf",         "--help",
      "$(touch pwned)", "`touch pwned`;x", "a|b&c>d<e",    "%s%n%x%lli",   "caf\xc3\xa9", "raw\xff\xfe\x80",
      "tab\tname",      "back\\slash",     "star*and?[x]", "trailing\r",   "'quoted'",    "\"quoted\"",
  };
  return names;
}

// Every screen that takes a path, through the real program, with each name as typed: split and
// join back, compare with itself, checksum, encrypt and decrypt with a key of shell syntax.
TEST(HostileInput, NamesAreUsedExactlyAsTypedAndNeverReachAShell) {
  for (const std::string& name : hostile_names()) {
    TempDir dir;
    std::string bytes = testing::pattern_bytes(9000, static_cast<unsigned>(name.size()));
    dir.write(name, bytes);
    std::string key = "$(touch pwned) `touch pwned` ; touch pwned";
    std::string typed = "1\n1\n1\n" + name + "\n2\n1\n\n" +           // split in two
                        "2\n1\n" + name + "\nY\n\n" +                 // join back over it
                        "3\n1\n" + name + "\n" + name + ".001\n\n" +  // sizes differ
                        "3\n2\n" + name + ".002\n" + name + "\n\n" +  // the second half inside
                        "4\n5\n" + name + "\nn\n\n" +                 // Checksum64
                        "0\n1\n1\n1\n" + name + "\n" + key + "\n" + name + ".enc\n\n" +   // encrypt
                        "2\n1\n1\n" + name + ".enc\n" + key + "\n" + name + ".dec\n\n" +  // decrypt
                        "6\n";
    auto result = testing::run_binary(typed, dir.root(), 30);
    std::string context = "name \"" + name + "\"";
    ASSERT_FALSE(result.timed_out) << context;
    EXPECT_EQ(result.exit_code, 0) << context;
    EXPECT_EQ(dir.read(name + ".001") + dir.read(name + ".002"), bytes) << context;
    EXPECT_EQ(dir.read(name), bytes) << context;
    const std::string& path = name;
    EXPECT_TRUE(contains(result.output, "Size of file 1 \"" + path + "\" : 9000 Bytes\n")) << context;
    EXPECT_TRUE(contains(result.output, "File 1 \"" + path + ".002\" is part of file 2 \"" + path +
                                            "\" in position : \n--> From 4500 to 9000\n"))
        << context;
    EXPECT_TRUE(contains(result.output, "Checksum for file " + path + " is : ")) << context;
    EXPECT_EQ(dir.read(name + ".enc"), xor_with(bytes, key)) << context;
    EXPECT_EQ(dir.read(name + ".dec"), bytes) << context;
    EXPECT_FALSE(dir.exists("pwned")) << context << ": a shell ran";
    EXPECT_FALSE(contains(result.output, "Could not open")) << context;
  }
}

TEST(HostileInput, TheClipboardIsTakenWholeAndChecked) {
  TempDir dir;
  std::string in = dir.write("in", "abcdef");
  std::string with_break = dir.write("line\nbreak", "abc");
  const std::string binary = std::string("\x01\x02\n\r\xff\x7f", 6) + std::string(1, '\0') + "tail";
  const std::string binary_path = "\x01\x02\n\r\xff\x7f";  // the text ends at its first zero byte
  struct Case {
    std::string name;
    std::string typed;  // "?" stands for the path
    std::string clipboard;
    std::string shows_english;
    std::string shows_indonesian;
  };
  const std::string not_opened_en = "Could not open file : ", not_opened_id = "Tidak dapat membuka berkas : ";
  const std::string too_long_en = "Path is too long!\n", too_long_id = "Alamat berkas terlalu panjang!\n";
  const std::string long_text(5000, 'a');
  // The file to check (4096 characters), a compare path, a key file and an output (1000 each).
  const std::string checksum = "4\n5\n?\n\n6\n", compare = "3\n1\n?\n\n6\n";
  const std::string key_file = "0\n1\n2\n1\n" + in + "\n?\n\n6\n", output = "2\n2\n1\n" + in + "\n?\n\n6\n";
  const std::vector<Case> cases = {
      {"checksum, empty", checksum, "", not_opened_en + "\"\"\n", not_opened_id + "\"\"\n"},
      {"compare, empty", compare, "", not_opened_en + "\"\"\n", not_opened_id + "\"\"\n"},
      {"key file, empty", key_file, "", not_opened_en + "\"\"\n", not_opened_id + "\"\"\n"},
      {"output, empty", output, "", "Could write to file : \"\"\n", "Tidak menulis ke berkas : \"\"\n"},
      {"checksum, 5,000 characters", checksum, long_text, too_long_en, too_long_id},
      {"compare, 5,000 characters", compare, long_text, too_long_en, too_long_id},
      {"key file, 5,000 characters", key_file, long_text, too_long_en, too_long_id},
      {"output, 5,000 characters", output, long_text, too_long_en, too_long_id},
      {"checksum, binary", checksum, binary, not_opened_en + "\"" + binary_path + "\"\n",
       not_opened_id + "\"" + binary_path + "\"\n"},
      {"compare, binary", compare, binary, not_opened_en + "\"" + binary_path + "\"\n",
       not_opened_id + "\"" + binary_path + "\"\n"},
      {"key file, binary", key_file, binary, not_opened_en + "\"" + binary_path + "\"\n",
       not_opened_id + "\"" + binary_path + "\"\n"},
      // An output is written where the clipboard says, however odd the name.
      {"output, binary", output, binary, "Running time", "Waktu proses"},
      {"checksum, a line break only a clipboard can give", "4\n5\n?\n\n\n6\n", with_break,
       "Checksum for file " + with_break + " is : ",
       "Ceksum (kode sidik jari) dari file " + with_break + " adalah : "},
  };
  auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.root());
  for (const Case& c : cases) {
    for (bool indonesian : {false, true}) {
      std::filesystem::remove(dir.path(binary_path));
      Session run = run_session(c.typed, indonesian, c.clipboard);
      std::string context = c.name + (indonesian ? ", Indonesian" : "");
      EXPECT_EQ(run.exit_code, 0) << context;
      EXPECT_TRUE(run.all_read) << context;
      EXPECT_TRUE(contains(run.text, indonesian ? c.shows_indonesian : c.shows_english))
          << context << run.text;
      if (c.typed == output && c.clipboard == binary) {
        EXPECT_EQ(testing::read_file(dir.path(binary_path)), "abcdef") << context;
      }
    }
  }
  std::filesystem::current_path(previous);
}

// Terminals paste a dropped file in quotes. One surrounding pair goes, unless a file is named
// with them; only the path's own text decides, whether typed or from the clipboard.
TEST(HostileInput, QuotesAroundADroppedPathGoUnlessAFileHasThem) {
  TempDir dir;
  dir.write("a b.bin", "a");
  dir.write("'kept'", "k");
  const std::string a_b = dir.path("a b.bin");
  const std::vector<testing::PathCase> cases = {
      {"'" + a_b + "'", "", a_b},
      {"\"" + a_b + "\"", "", a_b},
      {"?", "'" + a_b + "'", a_b},
      {"?", "\"" + a_b + "\"", a_b},
      {"'kept'", "", "'kept'"},
      {"?", "'kept'", "'kept'"},
      {"''kept''", "", "'kept'"},
      {"'new output'", "", "new output"},
      {"\"'kept'\"", "", "'kept'"},
      {"'" + a_b + "\"", "", "'" + a_b + "\""},
      {"'" + a_b, "", "'" + a_b},
      {"'", "", "'"},
      {"''", "", ""},
      {" '" + a_b + "'", "", " '" + a_b + "'"},
  };
  auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.root());
  for (const auto& c : cases)
    EXPECT_EQ(testing::path_as_read(c), c.expected) << c.typed << " " << c.clipboard;
  Session run = run_session("4\n5\n'" + a_b + "'\nn\n\n6\n", false);
  EXPECT_TRUE(contains(run.text, "Checksum for file " + a_b + " is : ")) << run.text;
  std::filesystem::current_path(previous);
}

// A path whose full text has exactly `length` characters, its folders made; the file itself is
// made too when `bytes` are given.
std::string path_of_length(const TempDir& dir, std::size_t length, const char* bytes = nullptr) {
  std::string path = dir.root();
  while (path.size() + 201 < length) {
    path += "/" + std::string(199, 'd');
    std::filesystem::create_directory(path);
  }
  path += "/" + std::string(length - path.size() - 1, 'f');
  if (bytes) testing::write_file(path, bytes);
  return path;
}

TEST(HostileInput, PathsAtTheirBufferLimitsAreTakenOrRefusedWhole) {
  struct Prompt {
    std::string name;
    std::size_t capacity;
    bool input;  // the path names an existing file
    // Typed before the path, and after it when it is taken or refused ({in}: an ordinary input).
    std::string before;
    std::string after_taken;
    std::string after_refused;
    std::string shows_when_taken;
    std::string added = {};   // what the screen adds to the typed output path
    std::string ending = {};  // what the typed path ends with
  };
  const std::vector<Prompt> prompts = {
      {"split input", 4096, true, "1\n2\n", "\n1\n1\n{in}.x\n\n6\n", "\n\n6\n", "Completed!"},
      // A typed piece name that is refused is asked again.
      {"split, typed piece name", 1000, false, "1\n2\n{in}\n1\n1\n", "\n\n6\n", "\n{in}.z\n\n6\n",
       "Completed!"},
      {"split, typed name and size", 1000, false, "1\n2\n{in}\n2\n2\n", "\n1\n1\n{in}.y\n\n6\n",
       "\n{in}.z\n1\n1\n{in}.y\n\n6\n", "Completed!"},
      {"join, manual input", 1000, true, "2\n2\n1\n", "\n{in}.j\n\n6\n", "\n\n6\n", "Running time"},
      {"join, manual output", 1000, false, "2\n2\n1\n{in}\n", "\n\n6\n", "\n\n6\n", "Running time"},
      {"compare, first file", 1000, true, "3\n1\n", "\n{in}\n\n6\n", "\n\n6\n", "Files are equal"},
      {"compare, second file", 1000, true, "3\n2\n{in}\n", "\n\n6\n", "\n\n6\n", "in position"},
      {"checksum", 4096, true, "4\n4\n", "\nn\n\n6\n", "\n\n6\n", "MD5 Checksum for file"},
      {"encrypt input", 1000, true, "0\n1\n1\n1\n", "\nk\n{in}.e\n\n6\n", "\n\n6\n", "Completed!"},
      {"encrypt key file", 1000, true, "0\n1\n2\n1\n{in}\n", "\n{in}.e\n\n6\n", "\n\n6\n", "Completed!"},
      {"decrypt output", 1000, false, "0\n2\n1\n1\n{in}\nk\n", "\n\n6\n", "\n\n6\n", "Completed!"},
      {"encode input", 1000, true, "0\n3\n2\n", "\n{in}.t\n4\n\n6\n", "\n\n6\n", "Completed!"},
      // The output of an encoding gets ".txt" added, which must fit too.
      {"encode output", 996, false, "0\n3\n2\n{in}\n", "\n4\n\n6\n", "\n\n6\n", "Completed!", ".txt"},
      {"encode output ending in .txt", 1000, false, "0\n3\n2\n{in}\n", "\n4\n\n6\n", "\n\n6\n", "Completed!",
       "", ".txt"},
      {"decode input", 1000, true, "0\n4\n2\n", "\n{in}.d\n\n6\n", "\n\n6\n", "Completed!"},
      {"decode output", 1000, false, "0\n4\n2\n{in}\n", "\n\n6\n", "\n\n6\n", "Completed!"},
  };
  for (const Prompt& prompt : prompts) {
    for (std::size_t length : {prompt.capacity - 1, prompt.capacity}) {
      for (bool from_clipboard : {false, true}) {
        TempDir dir;
        std::string in = dir.write("in", "abcdef");
        std::string path =
            path_of_length(dir, length - prompt.ending.size(), prompt.input ? "abcdef" : nullptr) +
            prompt.ending;
        bool taken = length < prompt.capacity;
        std::string typed = prompt.before + (from_clipboard ? "?" : path) +
                            (taken ? prompt.after_taken : prompt.after_refused);
        for (std::size_t at = typed.find("{in}"); at != std::string::npos; at = typed.find("{in}", at))
          typed.replace(at, 4, in);
        Session run = run_session(typed, false, from_clipboard ? path : "");
        std::string context =
            prompt.name + ", " + std::to_string(length) + (from_clipboard ? " from the clipboard" : "");
        EXPECT_EQ(run.exit_code, 0) << context;
        EXPECT_TRUE(run.all_read) << context;
        EXPECT_EQ(contains(run.text, "Path is too long!\n"), !taken) << context;
        if (taken) {
          EXPECT_TRUE(contains(run.text, prompt.shows_when_taken)) << context << run.text;
        }
        if (!prompt.input) {
          EXPECT_EQ(std::filesystem::exists(path + prompt.added), taken) << context;
        }
      }
    }
  }
}

TEST(HostileInput, KeyLinesAtTheirLimitAndKeysOfAnyBytes) {
  struct Case {
    std::string name;
    std::string key;
    bool taken;
  };
  std::string every_byte;
  for (int byte = 0; byte < 256; ++byte)
    if (byte != '\n') every_byte += static_cast<char>(byte);
  const std::vector<Case> cases = {
      {"999 characters", testing::pattern_bytes(999, 5), true},
      {"1,000 characters", std::string(1000, 'k'), false},
      {"5,000 characters", std::string(5000, 'k'), false},
      {"every byte but the line feed", every_byte, true},
      {"blanks only", "   ", true},
      {"a carriage return", "key\r", true},
  };
  for (const Case& c : cases) {
    std::string key = c.key;
    // A line feed inside the pattern would end the line early; the key must be one line.
    for (char& byte : key)
      if (byte == '\n') byte = 'n';
    for (bool indonesian : {false, true}) {
      TempDir dir;
      std::string bytes = testing::pattern_bytes(5000, 3);
      std::string in = dir.write("in", bytes);
      std::string out = dir.path("out");
      Session run = run_session(
          "0\n1\n1\n1\n" + in + "\n" + key + "\n" + (c.taken ? out + "\n" : "") + "\n6\n", indonesian);
      std::string context = c.name + (indonesian ? ", Indonesian" : "");
      EXPECT_TRUE(run.all_read) << context;
      EXPECT_EQ(run.exit_code, 0) << context;
      if (c.taken) {
        EXPECT_EQ(testing::read_file(out), xor_with(bytes, key)) << context;
      } else {
        EXPECT_TRUE(
            contains(run.text, indonesian ? "Format kunci teks anda tidak benar!\n" : "Invalid text key!\n"))
            << context;
        EXPECT_FALSE(std::filesystem::exists(out)) << context;
      }
    }
  }
}

TEST(HostileInput, NumberLinesOfAMillionCharacters) {
  struct Case {
    std::string name;
    std::string typed;
    int exit_code;
  };
  const std::vector<Case> cases = {
      // Only the digits count: a million zeros and a 6 choose the exit.
      {"zeros then the exit", std::string(1000000, '0') + "6\n", 0},
      // No digit at all keeps the last choice (0, the extra menu), which is then left.
      {"no digit", std::string(1000000, 'x') + "\n6\n", 0},
      // A million nines wrap in 16 bits like any other number: (10^1000000 - 1) mod 65536 = 65535.
      {"nines", std::string(1000000, '9') + "\n8\n7\n7\n7\n7\n7\n7\n7\n\n", 2},
  };
  for (const Case& c : cases) {
    auto result = testing::run_binary("1\n" + c.typed, {}, 30);
    EXPECT_FALSE(result.timed_out) << c.name;
    EXPECT_EQ(result.exit_code, c.exit_code) << c.name;
  }
}

}  // namespace
}  // namespace varnelo

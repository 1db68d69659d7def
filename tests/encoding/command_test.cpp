// The encode and decode commands through the real program: the text the encode screen writes for
// the same choices, round trips, standard streams and refused outputs.

#include <string>
#include <vector>

#include "encoding/screens.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_command;
using testing::TempDir;

struct NotationChoice {
  std::string option;
  std::string answer;  // the screens' mode answer
};

const std::vector<NotationChoice> notations = {{"--binary", "1"}, {"--hex", "2"}, {"--base64", "3"}};

TEST(CodecCommands, TextEqualsTheScreensAndDecodesBack) {
  // Sizes around a group and a block, each with a line length that breaks it in its own way.
  const std::vector<std::pair<std::size_t, int>> runs = {
      {0, 77}, {1, 5}, {2, 4}, {3, 1}, {4096, 2}, {70000, 5}, {100001, 77}, {100001, 65535}};
  for (const auto& notation : notations) {
    for (const auto& [size, per_line] : runs) {
      TempDir dir;
      const std::string data = testing::pattern_bytes(size, per_line);
      const std::string input = dir.write("input", data);
      // The screen adds .txt to the name it is given; the command writes the name as given.
      testing::run_dialogue(
          notation.answer + "\n" + input + "\n" + dir.path("menu") + "\n" + std::to_string(per_line) + "\n\n",
          0, [] {
            Menu menu;
            encode_screen(menu);
          });
      auto encoded = run_command(
          {"encode", notation.option, "--per-line", std::to_string(per_line), input, dir.path("text")});
      ASSERT_EQ(encoded.exit_code, 0) << encoded.err;
      EXPECT_TRUE(dir.read("text") == dir.read("menu.txt"))
          << notation.option << " " << size << " " << per_line;
      auto decoded = run_command({"decode", notation.option, dir.path("text"), dir.path("back")});
      ASSERT_EQ(decoded.exit_code, 0) << decoded.err;
      EXPECT_TRUE(dir.read("back") == data) << notation.option << " " << size << " " << per_line;
    }
  }
}

// Each notation's default line: 8 bytes in binary, 24 in hexadecimal, 76 characters of base 64.
TEST(CodecCommands, DefaultLinesStreamsAndRefusals) {
  const std::string data = testing::pattern_bytes(100, 1);
  struct Case {
    std::vector<std::string> arguments;
    std::string stdin_bytes;
    int exit_code;
    std::string out_first_line_length;  // of standard output, when it is the output
    std::string err_contains;
  };
  const std::vector<Case> cases = {
      {{"encode", "--binary", "-", "-"}, data, 0, std::to_string(8 * 9 - 1), ""},
      {{"encode", "--hex", "-", "-"}, data, 0, std::to_string(24 * 3 - 1), ""},
      {{"encode", "--base64", "-", "-"}, data, 0, "76", ""},
      {{"encode", "--base64", "--per-line", "0", "-", "-"},
       data,
       2,
       "",
       "--per-line takes a whole number from 1 to 65535"},
      {{"encode", "--base64", "--per-line", "65536", "-", "-"}, data, 2, "", "not '65536'"},
      {{"encode", "--hex", "--base64", "-", "-"}, data, 2, "", "choose one notation"},
      {{"encode", "-", "-"}, data, 2, "", "choose one notation"},
      {{"decode", "--hex", "-"}, data, 2, "", "usage: varnelo decode"},
      {{"decode", "--base64", "--per-line", "5", "-", "-"}, data, 2, "", "--per-line"},
  };
  for (const auto& c : cases) {
    auto result = run_command(c.arguments, c.stdin_bytes, {{"LC_ALL", "C"}});
    EXPECT_EQ(result.exit_code, c.exit_code) << c.arguments[1] << result.err;
    EXPECT_NE(result.err.find(c.err_contains), std::string::npos) << result.err;
    if (!c.out_first_line_length.empty()) {
      EXPECT_EQ(std::to_string(result.out.find('\n')), c.out_first_line_length) << c.arguments[1];
    }
  }
  TempDir dir;
  const std::string input = dir.write("input", data);
  dir.write("exists", "old");
  EXPECT_EQ(run_command({"encode", "--hex", input, dir.path("exists")}).exit_code, 2);
  EXPECT_EQ(dir.read("exists"), "old");
  EXPECT_EQ(run_command({"encode", "--hex", "--force", input, dir.path("exists")}).exit_code, 0);
  EXPECT_NE(dir.read("exists"), "old");
  EXPECT_EQ(run_command({"decode", "--hex", "--force", input, input}).exit_code, 2);
  EXPECT_EQ(dir.read("input"), data);
  // Text on standard input decodes to standard output; -i reads as the menus do, "=" ending
  // base 64 there too.
  EXPECT_EQ(run_command({"decode", "-i", "--base64", "-", "-"}, "YWJj=ZGVm").out, "abc");
  EXPECT_EQ(run_command({"decode", "-i", "--hex", "-", "-"}, "4a 4B\n6").out, "JK");
  EXPECT_EQ(run_command({"decode", "--hex", "-", "-"}, "4a 4B\n").out, "JK");
}

// Strict reading: text outside the notation, or an incomplete last group, fails with status 1
// and a message giving the byte; no output appears and an old one keeps its bytes.
TEST(CodecCommands, DecodeRefusesTextOutsideTheNotation) {
  struct Case {
    std::string option;
    std::string text;
    int exit_code;
    std::string data_or_message;  // the bytes written, or a part of the message
  };
  const std::vector<Case> cases = {
      {"--base64", "YWJj\r\nZGVm\n", 0, "abcdef"},
      {"--base64", "YQ==\nYmM=\n", 0, "abc"},
      {"--base64", "YWJj=ZGVm", 1, "IN' at byte 4"},
      {"--base64", "P-8_", 1, "IN' at byte 1"},
      {"--base64", "YWJjZA", 1, "incomplete group from byte 4"},
      {"--base64", "YQ=", 1, "IN' ends in an incomplete group from byte 0"},
      {"--hex", "4A 4b\n", 0, "JK"},
      {"--hex", "0x41", 1, "IN' at byte 1"},
      {"--hex", "41 42 4", 1, "IN' ends in an incomplete group from byte 6"},
      {"--binary", "01000001\r\n01000010", 0, "AB"},
      {"--binary", "01000001 0100001", 1, "IN' ends in an incomplete group from byte 9"},
      {"--binary", "01000001,01000010", 1, "IN' at byte 8"},
      {"--binary", std::string(100000 * 8, '0') + "0100000!", 1, "at byte 800007"},
  };
  for (const auto& c : cases) {
    for (bool old_output : {false, true}) {
      SCOPED_TRACE(c.option + " " + c.text.substr(0, 20) + (old_output ? ", over an old output" : ""));
      TempDir dir;
      const std::string input = dir.write("IN", c.text);
      if (old_output) dir.write("out", "old");
      std::vector<std::string> arguments = {"decode", c.option, input, dir.path("out")};
      if (old_output) arguments.push_back("--force");
      auto result = run_command(arguments, {}, {{"LC_ALL", "C"}});
      EXPECT_EQ(result.exit_code, c.exit_code) << result.err;
      if (c.exit_code == 0) {
        EXPECT_EQ(dir.read("out"), c.data_or_message);
        continue;
      }
      EXPECT_NE(result.err.find(c.data_or_message), std::string::npos) << result.err;
      // The old output keeps its bytes; without one, none appears.
      EXPECT_EQ(dir.exists("out") ? dir.read("out") : "(no file)", old_output ? "old" : "(no file)");
    }
  }
  auto indonesian = run_command({"--lang", "id", "decode", "--hex", "-", "-"}, "4x");
  EXPECT_EQ(indonesian.exit_code, 1);
  EXPECT_EQ(indonesian.err, "varnelo: karakter tidak sah dalam - pada byte 1\n");
  indonesian = run_command({"decode", "--binary", "-", "-"}, "0", {{"LANG", "id_ID.UTF-8"}});
  EXPECT_EQ(indonesian.err, "varnelo: - berakhir dengan kelompok tidak lengkap mulai byte 0\n");
}

// --ignore-garbage reads as the decode screen does, byte for byte, "=" ending base 64 there too.
TEST(CodecCommands, IgnoreGarbageDecodesAsTheScreen) {
  const std::vector<std::string> texts = {"YWJj=ZGVm", "Y-W_J\r\nj *",    "YWI",
                                          "0x41 4",    "01000001 2 0100", "",
                                          "=",         "g4h1-6 x",        testing::pattern_bytes(9000, 3)};
  for (const auto& notation : notations) {
    for (const auto& text : texts) {
      TempDir dir;
      const std::string input = dir.write("text", text);
      testing::run_dialogue(notation.answer + "\n" + input + "\n" + dir.path("menu") + "\n\n", 0, [] {
        Menu menu;
        decode_screen(menu);
      });
      for (const char* flag : {"-i", "--ignore-garbage"}) {
        auto result = run_command({"decode", flag, notation.option, input, "-"});
        EXPECT_EQ(result.exit_code, 0) << result.err;
        EXPECT_TRUE(result.out == dir.read("menu"))
            << notation.option << " " << flag << " " << text.substr(0, 20);
      }
    }
  }
}

}  // namespace
}  // namespace varnelo

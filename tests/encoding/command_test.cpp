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
  // Text on standard input decodes to standard output, "=" ending base 64 there too.
  EXPECT_EQ(run_command({"decode", "--base64", "-", "-"}, "YWJj=ZGVm").out, "abc");
  EXPECT_EQ(run_command({"decode", "--hex", "-", "-"}, "4a 4B\n6").out, "JK");
}

}  // namespace
}  // namespace varnelo

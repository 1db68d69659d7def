// The encrypt and decrypt commands through the real program: the bytes the cipher screens make
// for the same choices, round trips, standard streams and refused outputs.

#include <string>
#include <vector>

#include "crypt/screens.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_command;
using testing::TempDir;

// The same choices on both faces: command, cipher option, and the screen's answers.
struct CipherChoice {
  std::string command;
  std::string cipher;
  bool decrypt;
  int type;  // the screen's answer: 1 XOR, 2 one-time-pad
};

TEST(CipherCommands, BytesEqualTheScreens) {
  const std::vector<CipherChoice> choices = {{"encrypt", "--xor", false, 1},
                                             {"encrypt", "--add", false, 2},
                                             {"decrypt", "--xor", true, 1},
                                             {"decrypt", "--add", true, 2}};
  const std::vector<std::size_t> sizes = {0, 4097, 300000};
  for (const auto& choice : choices) {
    for (std::size_t size : sizes) {
      for (const bool key_file : {false, true}) {
        TempDir dir;
        const std::string input = dir.write("input", testing::pattern_bytes(size, 7));
        const std::string key = dir.write("key", testing::pattern_bytes(70001, 3));
        const std::string text_key = "two words\tand more";
        const std::string screen_answers = std::string(key_file ? "2" : "1") + "\n" +
                                           std::to_string(choice.type) + "\n" + input + "\n" +
                                           (key_file ? key : text_key) + "\n" + dir.path("menu") + "\n\n";
        testing::run_dialogue(screen_answers, 0, [&] {
          Menu menu;
          if (choice.decrypt)
            decrypt_screen(menu);
          else
            encrypt_screen(menu);
        });
        auto result = run_command({choice.command, choice.cipher, key_file ? "--key-file" : "--key",
                                   key_file ? key : text_key, input, dir.path("command")});
        EXPECT_EQ(result.exit_code, 0) << result.err;
        ASSERT_TRUE(dir.exists("menu"));
        EXPECT_TRUE(dir.read("command") == dir.read("menu"))
            << choice.command << choice.cipher << size << key_file;
      }
    }
  }
}

TEST(CipherCommands, RoundTripsStreamsAndRefusals) {
  TempDir dir;
  const std::string data = testing::pattern_bytes(200000, 1);
  const std::string input = dir.write("input", data);
  dir.write("key", "k3y");
  dir.write("empty", "");
  dir.write("exists", "old");
  struct Case {
    std::vector<std::string> arguments;
    std::string stdin_bytes;
    int exit_code;
    std::string err_contains;
  };
  std::vector<Case> cases = {
      {{"encrypt", "--add", "--key", "secret", "{dir}/input", "{dir}/enc"}, "", 0, ""},
      {{"encrypt", "--add", "--key", "secret", "{dir}/input", "{dir}/enc"},
       "",
       2,
       "exists; --force replaces it"},
      {{"encrypt", "--add", "--key", "secret", "{dir}/input", "{dir}/exists"}, "", 2, "exists"},
      {{"encrypt", "--xor", "--key", "k", "{dir}/input", "{dir}/input"}, "", 2, "is an input"},
      {{"encrypt", "--xor", "--key", "k", "-f", "{dir}/input", "{dir}/input"}, "", 2, "is an input"},
      {{"encrypt", "--xor", "--key-file", "{dir}/key", "{dir}/input", "{dir}/key", "-f"},
       "",
       2,
       "is an input"},
      {{"encrypt", "--xor", "--key-file", "{dir}/empty", "{dir}/input", "{dir}/x"}, "", 2, "is empty"},
      {{"encrypt", "--xor", "--key-file", "-", "{dir}/input", "{dir}/x"}, "", 2, "must be a file"},
      {{"encrypt", "--xor", "--key", "", "{dir}/input", "{dir}/x"}, "", 2, "text key is empty"},
      {{"encrypt", "--xor", "--add", "--key", "k", "{dir}/input", "{dir}/x"}, "", 2, "--xor or --add"},
      {{"encrypt", "--xor", "--key", "k", "--key-file", "{dir}/key", "{dir}/input", "{dir}/x"},
       "",
       2,
       "one key"},
      {{"decrypt", "--xor", "--key", "k", "{dir}/input"}, "", 2, "usage: varnelo decrypt"},
      {{"encrypt", "--xor", "--key", "k", "{dir}/missing", "{dir}/x"}, "", 2, "cannot open"},
  };
#ifndef _WIN32
  // Under wine this name reaches the wine server's own input, not the program's.
  cases.push_back(
      {{"encrypt", "--xor", "--key", "k", "{dir}/input", "/dev/stdin"}, "", 2, "own standard streams"});
#endif
  for (const auto& c : cases) {
    std::vector<std::string> arguments;
    for (std::string argument : c.arguments) {
      if (argument.find("{dir}") != std::string::npos)
        argument.replace(argument.find("{dir}"), 5, dir.root());
      arguments.push_back(argument);
    }
    auto result = run_command(arguments, c.stdin_bytes, {{"LC_ALL", "C"}});
    EXPECT_EQ(result.exit_code, c.exit_code) << c.arguments[0] << " " << c.err_contains << result.err;
    EXPECT_NE(result.err.find(c.err_contains), std::string::npos) << result.err;
  }
  EXPECT_EQ(dir.read("input"), data);
  EXPECT_EQ(dir.read("exists"), "old");
  EXPECT_FALSE(dir.exists("x"));
  // Adding undoes by subtracting; XOR undoes itself; standard input and output stream through.
  ASSERT_EQ(run_command({"decrypt", "--add", "--key", "secret", dir.path("enc"), dir.path("dec")}).exit_code,
            0);
  EXPECT_TRUE(dir.read("dec") == data);
  EXPECT_FALSE(dir.read("enc") == data);
  auto there = run_command({"encrypt", "--xor", "--key-file", dir.path("key"), "-", "-"}, data);
  EXPECT_EQ(there.exit_code, 0);
  EXPECT_EQ(there.out.size(), data.size());
  auto back = run_command({"decrypt", "--xor", "--key-file", dir.path("key"), "-", "-"}, there.out);
  EXPECT_TRUE(back.out == data);
}

}  // namespace
}  // namespace varnelo

#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_binary;

struct Case {
  std::string input;
  int exit_code;
  std::string must_contain;
};

TEST(Process, ExitCodesAndEndOfInputThroughAPipe) {
  std::string nine_invalid;
  for (int i = 0; i < 9; ++i)
    nine_invalid += "7\n";
  const std::vector<Case> cases = {
      {"1\n6\n", 0, "Main Menu :"},
      {"2\n6\n", 0, "Menu utama :"},
      {"3\n\n", 1, "Language not installed (Bahasa tidak tersedia)"},
      {"1\n" + nine_invalid + "\n", 2, "Too many invalid choice"},
      {"1\n" + nine_invalid, 2, "press enter to exit..."},  // the ending's code stands at end of input
      {"", 0, "Choose your language"},
      {"1\n", 0, "Choice : "},
      {"1\n0\n", 0, "Extra Feature :"},
      {"1\n0\n0\n", 0, "Choice (Pilihanmu) : "},
      {"1\n5\n", 0, "press enter to continue..."},
      {"1\n0\n6\n", 0, "Extra Feature :"},
      // A last answer without its line feed is still taken.
      {"3", 1, "Language not installed (Bahasa tidak tersedia)"},
      {"1\n5", 0, "press enter to continue..."},
  };
  for (const auto& c : cases) {
    auto result = run_binary(c.input);
    EXPECT_FALSE(result.timed_out) << c.input;
    EXPECT_EQ(result.exit_code, c.exit_code) << c.input;
    EXPECT_NE(result.output.find(c.must_contain), std::string::npos) << c.input;
  }
}

TEST(Process, APipeGetsPlainTextWithoutEscapeSequences) {
  auto result = run_binary("1\n5\n\n6\n");
  EXPECT_EQ(result.exit_code, 0);
  EXPECT_EQ(result.output.find('\x1b'), std::string::npos);
  EXPECT_NE(result.output.find("Welcome to Varnelo_v0.1\n-----------------\nMain Menu :\n0) Extra feature\n"),
            std::string::npos);
}

}  // namespace
}  // namespace varnelo

// The Windows clipboard for real (under wine in CI). These tests share the one system
// clipboard, so CTest runs them one at a time.

#include <algorithm>
#include <string>
#include <vector>

#include "shell/console_port.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

TEST(WindowsClipboard, TextPutThereIsReadBackWhole) {
  std::unique_ptr<ConsolePort> port = make_platform_console();
  const std::vector<std::string> texts = {
      "C:\\some folder\\file with blanks.bin",
      "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
      " leading and trailing blanks, a tab\tand a line break\r\n",
      std::string(999, 'x'),
  };
  for (const auto& text : texts) {
    ASSERT_TRUE(port->set_clipboard_text(text)) << text;
    EXPECT_EQ(port->clipboard_text(), text);
    // Another port (as another run of the program would) sees the same text.
    EXPECT_EQ(make_platform_console()->clipboard_text(), text);
  }
}

TEST(WindowsClipboard, TheBlockHoldsAtMostNineHundredNinetyNineCharacters) {
  std::unique_ptr<ConsolePort> port = make_platform_console();
  std::string long_text = testing::pattern_bytes(1500);
  std::replace(long_text.begin(), long_text.end(), '\0', 'z');
  ASSERT_TRUE(port->set_clipboard_text(long_text));
  EXPECT_EQ(port->clipboard_text(), long_text.substr(0, 999));
}

}  // namespace
}  // namespace varnelo

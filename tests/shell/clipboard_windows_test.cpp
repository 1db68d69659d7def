// The Windows clipboard for real (under wine in CI). These tests share the one system
// clipboard, so CTest runs each of them alone.

#include <algorithm>
#include <string>
#include <vector>

#include "shell/console_port.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_binary;
using testing::TempDir;

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

// The clipboard round trip through the real program: a checksum result copied in one screen is
// what "?" brings back at the next path prompt.
TEST(WindowsClipboardProcess, ACopiedChecksumComesBackAtTheQuestionMark) {
  TempDir dir;
  std::string path = dir.write("abc.txt", "abc");
  const std::string result_text = "MD5 Checksum for file " + path + " is : 900150983cd24fb0d6963f7d28e17f72";
  auto run = run_binary("1\n4\n4\n" + path + "\ny\n\n4\n4\n?\n\n6\n");
  EXPECT_FALSE(run.timed_out);
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_NE(run.output.find("MD5 Checksum has been copied to clipboard."), std::string::npos);
  EXPECT_NE(run.output.find("Could not open file : \"" + result_text + "\"\n"), std::string::npos)
      << run.output;
  EXPECT_EQ(make_platform_console()->clipboard_text(), result_text);
}

// A path that another program put on the clipboard is opened through "?"; a typed path ends at
// its line break even when the line came with a carriage return (text-mode input drops it).
TEST(WindowsClipboardProcess, APathFromTheClipboardOrTypedWithCarriageReturnOpens) {
  TempDir dir;
  std::string path = dir.write("from the clipboard.txt", "abc");
  ASSERT_TRUE(make_platform_console()->set_clipboard_text(path));
  const std::vector<std::string> sessions = {"1\n4\n4\n?\nn\n\n6\n",
                                             "1\r\n4\r\n4\r\n" + path + "\r\nn\r\n\r\n6\r\n"};
  for (const auto& typed : sessions) {
    auto run = run_binary(typed);
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_NE(run.output.find("MD5 Checksum for file " + path + " is : 900150983cd24fb0d6963f7d28e17f72"),
              std::string::npos)
        << run.output;
  }
}

}  // namespace
}  // namespace varnelo

// The Windows clipboard for real (under wine in CI). These tests share the one system
// clipboard, so CTest runs each of them alone.

#include <algorithm>
#include <string>
#include <vector>

#include "io/windows_api.hpp"
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

// The block holds 999 bytes of UTF-8, as the program counts every path and text; a character
// that does not fit whole is left out whole.
TEST(WindowsClipboard, TheBlockHoldsAtMostNineHundredNinetyNineBytesOfUtf8) {
  std::unique_ptr<ConsolePort> port = make_platform_console();
  const std::string two = "\xc3\xa9", three = "\xe4\xb8\xad", four = "\xf0\xa0\x80\x80";
  struct Case {
    std::string text;
    std::string kept;
  };
  const std::vector<Case> cases = {
      {std::string(1500, 'z'), std::string(999, 'z')},
      {std::string(998, 'a') + two, std::string(998, 'a')},
      {std::string(997, 'a') + two, std::string(997, 'a') + two},
      {std::string(997, 'a') + three, std::string(997, 'a')},
      {std::string(996, 'a') + three, std::string(996, 'a') + three},
      {std::string(996, 'a') + four, std::string(996, 'a')},
      {std::string(995, 'a') + four + "tail", std::string(995, 'a') + four},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(port->set_clipboard_text(c.text));
    EXPECT_EQ(port->clipboard_text(), c.kept) << c.text.size();
  }
}

// Text of any script goes both ways as CF_UNICODETEXT, so other programs read and give it whole.
TEST(WindowsClipboard, TextOfEveryScriptIsUnicodeTextBothWays) {
  std::unique_ptr<ConsolePort> port = make_platform_console();
  const std::vector<std::pair<std::string, std::wstring>> texts = {
      {"C:\\da\xc3\xb1\xc3\xa9 \xc3\xb1.bin", L"C:\\da\u00f1\u00e9 \u00f1.bin"},
      {"\xe6\x96\x87\xe4\xbb\xb6 \xe4\xb8\xad", L"\u6587\u4ef6 \u4e2d"},
      {"\xf0\xa0\x80\x80 \xce\xa9\xd0\x96", L"\U00020000 \u03a9\u0416"},
  };
  for (const auto& [utf8, wide] : texts) {
    ASSERT_TRUE(port->set_clipboard_text(utf8));
    EXPECT_EQ(testing::clipboard_unicode_text(), wide);
    ASSERT_TRUE(testing::set_clipboard_unicode_text(wide));
    EXPECT_EQ(port->clipboard_text(), utf8);
  }
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

// "?" takes a path in any script that another program put on the clipboard, in the quotes of
// Explorer's "Copy as path" or without them.
TEST(WindowsClipboardProcess, PathsInEveryScriptComeFromTheClipboard) {
  TempDir dir;
  const std::vector<std::string> names = {"da\xc3\xb1\xc3\xa9 \xc3\xb1.bin",
                                          "\xe6\x96\x87\xe4\xbb\xb6 \xe4\xb8\xad.bin",
                                          "\xf0\xa0\x80\x80 wide.bin"};
  for (const std::string& name : names) {
    std::string path = dir.write(name, "abc");
    std::replace(path.begin(), path.end(), '/', '\\');
    for (const std::string& copied : {path, "\"" + path + "\""}) {
      ASSERT_TRUE(testing::set_clipboard_unicode_text(platform::wide_of(copied)));
      auto run = run_binary("1\n4\n4\n?\nn\n\n6\n");
      EXPECT_EQ(run.exit_code, 0) << copied;
      EXPECT_NE(run.output.find("MD5 Checksum for file " + path + " is : 900150983cd24fb0d6963f7d28e17f72"),
                std::string::npos)
          << run.output;
    }
  }
}

}  // namespace
}  // namespace varnelo

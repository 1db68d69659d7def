#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <thread>
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

namespace varnelo {
namespace {

using testing::run_command;

struct CommandCase {
  std::vector<std::string> arguments;
  std::vector<std::pair<std::string, std::string>> environment;
  int exit_code;
  std::string out_contains;
  std::string err_contains;
};

// The command line as a whole: help, version, usage errors and the language of the messages.
TEST(Commands, HelpVersionUsageAndLanguage) {
  const std::vector<std::pair<std::string, std::string>> english = {
      {"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", ""}};
  const std::vector<CommandCase> cases = {
      {{"--version"}, english, 0, "varnelo 0.1\n", ""},
      {{"-V"}, english, 0, "varnelo 0.1\n", ""},
      {{"--help"}, english, 0, "varnelo sum [ALGORITHM...] [--tag] [-j N] [-r] [-z] FILE...", ""},
      {{"-h"}, english, 0, "varnelo encode (--binary | --hex | --base64) [--per-line N] IN OUT", ""},
      {{"--help", "--lang", "id"}, english, 0, "Status keluar", ""},
      {{"split", "--help"}, english, 0, "varnelo split FILE (--pieces N | --size SIZE) [--prefix P]", ""},
      {{"frobnicate"}, english, 2, "", "unknown command 'frobnicate'\nusage: varnelo "},
      {{"sum", "--sha3", "x"}, english, 2, "", "--sha3\nusage: varnelo sum [ALGORITHM...]"},
      {{"split", "f", "--pieces", "1000"},
       english,
       2,
       "",
       "--pieces takes a whole number from 1 to 999, not '1000'"},
      {{"compare", "a"}, english, 2, "", "usage: varnelo compare [-s] A B"},
      {{"encode", "--hex", "--lang", "xx", "a", "b"}, english, 2, "", "--lang"},
      {{"compare", "a"},
       {{"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", "id_ID.UTF-8"}},
       2,
       "",
       "pemakaian: varnelo compare [-s] A B"},
      {{"compare", "a"}, {{"LC_ALL", "id_ID"}, {"LANG", "en_US"}}, 2, "", "memerlukan dua berkas"},
      // The first of LC_ALL, LC_MESSAGES and LANG that is set decides, and --lang overrides it.
      {{"compare", "a"}, {{"LC_ALL", "C"}, {"LANG", "id_ID"}}, 2, "", "needs two files"},
      {{"compare", "--lang", "en", "a"}, {{"LC_ALL", "id_ID"}}, 2, "", "needs two files"},
      {{"--lang=id", "compare", "a"}, english, 2, "", "memerlukan dua berkas"},
      // Help and the version, wherever an option stands, are all that happens.
      {{"-h", "split", "f", "--pieces", "2"}, english, 0, "varnelo split FILE (--pieces N", ""},
      {{"--help", "sum"}, english, 0, "varnelo sum [ALGORITHM...]", ""},
      {{"sum", "f", "-V"}, english, 0, "varnelo 0.1\n", ""},
      // Options of every command may come before its name; a value after "=" may be empty.
      {{"-q", "--lang", "id", "compare", "a"}, english, 2, "", "memerlukan dua berkas"},
      {{"-f", "encrypt", "--xor", "--key=", "a", "b"}, english, 2, "", "the text key is empty"},
      {{"encrypt", "--xor", "--key=-h", "a", "b"}, english, 2, "", "cannot open 'a'"},
      {{"."}, english, 2, "", "'.' is a file, not a command"},
  };
  for (const auto& c : cases) {
    std::string shown;
    for (const auto& argument : c.arguments)
      shown += argument + " ";
    auto result = run_command(c.arguments, {}, c.environment);
    EXPECT_EQ(result.exit_code, c.exit_code) << shown << result.err;
    EXPECT_NE(result.out.find(c.out_contains), std::string::npos) << shown << result.out;
    EXPECT_NE(result.err.find(c.err_contains), std::string::npos) << shown << result.err;
  }
  // The whole help names every command.
  const std::string help = run_command({"--help"}, {}, english).out;
  for (const char* command :
       {"sum", "split", "join", "compare", "find", "encrypt", "decrypt", "encode", "decode"})
    EXPECT_NE(help.find(std::string("varnelo ") + command + " "), std::string::npos) << command;
}

}  // namespace
}  // namespace varnelo

namespace varnelo {
namespace {

#ifndef _WIN32
// A file that cannot be opened, read or written is named with what the system said of it.
TEST(Commands, MessagesCarryTheSystemsReason) {
  testing::TempDir dir;
  const std::string in = dir.write("in", "41");
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"sum", dir.path("missing")}, "cannot open '" + dir.path("missing") + "': No such file or directory"},
      {{"sum", dir.root()}, "cannot open '" + dir.root() + "': Is a directory"},
      // Streams are read to their end, but a job that needs the size first says so.
      {{"find", "/dev/zero", in},
       "find needs a file whose size can be known before it is read; '/dev/zero' is a stream"},
      {{"encrypt", "--add", "--key-file", "/dev/zero", in, dir.path("out")},
       "--key-file needs a file whose size can be known before it is read; '/dev/zero' is a stream"},
      {{"encrypt", "--xor", "--key", "k", in, "/dev/full", "-f"},
       "write error on '/dev/full': No space left on device"},
      {{"decode", "--hex", in, dir.path("missing/out")},
       "cannot write '" + dir.path("missing/out") + "': No such file or directory"},
  };
  for (const auto& [arguments, message] : cases) {
    auto result = testing::run_command(arguments, {}, {{"LC_ALL", "C"}});
    EXPECT_EQ(result.exit_code, 2) << message;
    EXPECT_EQ(result.err, "varnelo: " + message + "\n");
  }
}

// The manual page keeps up with the help: it has an entry for every command the help lists,
// with each option of that command's help, and names every option of the program's help.
TEST(Commands, ManualPageNamesEveryCommandAndOption) {
  const std::vector<std::pair<std::string, std::string>> english = {{"LC_ALL", "C"}};
  auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
      text.replace(at, from.size(), to);
    return text;
  };
  // The page as it reads: "\-" is a hyphen, "\fB" and the like change the font.
  std::string page = replaced(testing::read_file(VARNELO_MANUAL_PAGE), "\\-", "-");
  for (const char* font : {"\\fB", "\\fI", "\\fR", "\\fP"})
    page = replaced(page, font, "");
  // Letters, digits and "-" (and "_" before an option) make one word with what they touch.
  auto joins = [](char c, bool underscore) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || (underscore && c == '_');
  };
  // Options of the help, but not of other programs in its examples ("tar -c docs | ...").
  auto options_in = [&](const std::string& help_text) {
    std::vector<std::string> found;
    for (std::size_t line = 0; line < help_text.size();) {
      const std::size_t end = std::min(help_text.find('\n', line), help_text.size());
      const std::string text = help_text.substr(line, std::min(help_text.find("Example:", line), end) - line);
      for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] != '-' || (at > 0 && joins(text[at - 1], true))) continue;
        const std::size_t name = at + (at + 1 < text.size() && text[at + 1] == '-' ? 2 : 1);
        if (name >= text.size() || !std::isalpha(static_cast<unsigned char>(text[name]))) continue;
        std::size_t stop = name;
        while (stop < text.size() && joins(text[stop], false))
          ++stop;
        found.push_back(text.substr(at, stop - at));
        at = stop;
      }
      line = end + 1;
    }
    return found;
  };
  auto names = [&](const std::string& text, const std::string& option) {
    for (std::size_t at = text.find(option); at != std::string::npos; at = text.find(option, at + 1)) {
      const std::size_t after = at + option.size();
      if ((at == 0 || !joins(text[at - 1], false)) && (after == text.size() || !joins(text[after], false)))
        return true;
    }
    return false;
  };
  const std::string help = run_command({"--help"}, {}, english).out;
  for (const std::string& option : options_in(help))
    EXPECT_TRUE(names(page, option)) << option;

  std::vector<std::string> commands;
  const std::string usage = "\n  varnelo ";
  for (std::size_t at = help.find(usage); at != std::string::npos; at = help.find(usage, at + 1)) {
    std::size_t stop = at + usage.size();
    while (stop < help.size() && std::islower(static_cast<unsigned char>(help[stop])))
      ++stop;
    const std::string command = help.substr(at + usage.size(), stop - at - usage.size());
    if (!command.empty() && stop < help.size() && help[stop] == ' ' &&
        (commands.empty() || commands.back() != command))
      commands.push_back(command);
  }
  ASSERT_GE(commands.size(), 9u);
  for (const std::string& command : commands) {
    // A command's entry runs from its first line to the next command's or the next section.
    const std::size_t start = page.find("\n.B varnelo " + command + " ");
    ASSERT_NE(start, std::string::npos) << command;
    std::size_t stop = page.find("\n.S", start);
    for (const std::string& other : commands)
      if (other != command) stop = std::min(stop, page.find("\n.B varnelo " + other + " ", start));
    const std::string entry = page.substr(start, stop - start);
    std::string own = run_command({command, "--help"}, {}, english).out;
    own = own.substr(0, own.find("Options of every command:"));
    for (const std::string& option : options_in(own))
      EXPECT_TRUE(names(entry, option)) << command << " " << option;
  }
}

// What cannot be measured is read as a stream, to its end: the same digest as the bytes have in
// a file of their own.
TEST(Commands, PipesDevicesAndGeneratedFilesAreStreamed) {
  testing::TempDir dir;
  const std::string version = testing::read_file("/proc/version"), pipe = dir.path("pipe");
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  std::thread writer([&] { testing::write_file(pipe, "through a pipe"); });
  const auto piped = testing::run_command({"sum", "--md5", pipe});
  writer.join();
  const auto generated = testing::run_command({"sum", "--md5", "/proc/version"});
  const auto stdin_path = testing::run_command({"encode", "--hex", "/dev/stdin", "-"}, "abc");
  auto digest = [&](const std::string& bytes) {
    return testing::run_command({"sum", "--md5", dir.write("copy", bytes)}).out.substr(0, 32);
  };
  EXPECT_EQ(piped.exit_code, 0);
  EXPECT_EQ(piped.out, digest("through a pipe") + "  " + pipe + "\n");
  EXPECT_EQ(generated.out, digest(version) + "  /proc/version\n");
  EXPECT_EQ(stdin_path.out, "61 62 63");
  // A device is written to as it is, without --force.
  EXPECT_EQ(testing::run_command({"encode", "--hex", dir.write("in", "abc"), "/dev/null"}).exit_code, 0);
}
#endif

}  // namespace
}  // namespace varnelo

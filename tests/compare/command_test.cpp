// The compare and find commands through the real program: the answers, the exit statuses, and
// the search's rules, limit and notice.

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_command;
using testing::TempDir;

struct PairCase {
  std::string command;
  std::string first;  // "missing" names no file, "-" standard input
  std::string second;
  int exit_code;
  std::string out;
  std::string err_contains;  // where empty, nothing may be said there
  std::string input = {};    // typed on standard input
};

void run_pair_cases(const std::vector<PairCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command + " of " + std::to_string(c.first.size()) + " and " +
                 std::to_string(c.second.size()) + " bytes, " + std::to_string(c.input.size()) + " typed");
    TempDir dir;
    auto name_for = [&](const std::string& bytes, const char* file) {
      return bytes == "missing" ? dir.path("missing") : bytes == "-" ? bytes : dir.write(file, bytes);
    };
    const std::string first = name_for(c.first, "first"), second = name_for(c.second, "second");
    // The command may carry an option: "compare -s".
    std::vector<std::string> arguments;
    for (std::size_t at = 0, end; at < c.command.size(); at = end + 1) {
      end = std::min(c.command.find(' ', at), c.command.size());
      arguments.push_back(c.command.substr(at, end - at));
    }
    arguments.insert(arguments.end(), {first, second});
    auto result = run_command(arguments, c.input, {{"LC_ALL", "C"}});
    EXPECT_EQ(result.exit_code, c.exit_code);
    std::string out = c.out;
    for (const auto& [name, path] : {std::pair{"{first}", first}, std::pair{"{second}", second}})
      if (std::size_t at = out.find(name); at != std::string::npos) out.replace(at, std::strlen(name), path);
    EXPECT_EQ(result.out, out);
    if (c.err_contains.empty())
      EXPECT_EQ(result.err, "");
    else
      EXPECT_NE(result.err.find(c.err_contains), std::string::npos) << result.err;
  }
}

std::string with_byte(std::string bytes, std::size_t at, char c) {
  bytes[at] = c;
  return bytes;
}

TEST(CompareCommand, EqualOrWhereTheyFirstDiffer) {
  const std::string big = testing::pattern_bytes(3 * 1048576 + 5, 2);
  run_pair_cases({
      {"compare", "abc", "abc", 0, "equal\n", ""},
      {"compare", "", "", 0, "equal\n", ""},
      {"compare", big, big, 0, "equal\n", ""},
      {"compare", "abc", "xbc", 1, "differ at byte 0\n", ""},
      {"compare", big, with_byte(big, 5000, static_cast<char>(big[5000] ^ 1)), 1, "differ at byte 5000\n",
       ""},
      {"compare", big, with_byte(big, big.size() - 1, static_cast<char>(big.back() ^ 1)), 1,
       "differ at byte " + std::to_string(big.size() - 1) + "\n", ""},
      // Of two sizes, where the bytes first differ, or else which one ends after its last byte.
      {"compare", "abcdef", "abc", 1, "EOF on {second} after byte 2\n", ""},
      {"compare", "", "abc", 1, "EOF on {first}, which is empty\n", ""},
      {"compare", "abX", "abcdef", 1, "differ at byte 2\n", ""},
      {"compare", "abc", "missing", 2, "", "cannot open"},
      // Silent, as cmp -s: the status alone, not even a message.
      {"compare -s", "abc", "abc", 0, "", ""},
      {"compare -s", "abc", "abd", 1, "", ""},
      {"compare --silent", "abc", "ab", 1, "", ""},
      {"compare -s", "abc", "missing", 2, "", ""},
      // Standard input is a stream, read on either side until one of the two tells.
      {"compare", "-", "abc", 0, "equal\n", "", "abc"},
      {"compare", "abc", "-", 1, "EOF on {first} after byte 2\n", "", "abcd"},
      {"compare", "-", "abc", 1, "EOF on - after byte 1\n", "", "ab"},
      {"compare", "-", "abc", 1, "EOF on -, which is empty\n", "", ""},
      {"compare", "abc", "-", 1, "differ at byte 2\n", "", "abX"},
      {"compare", "-", big + "z", 1, "EOF on - after byte " + std::to_string(big.size() - 1) + "\n", "", big},
      {"compare", big + "z", "-", 1, "differ at byte 2000000\n", "", with_byte(big, 2000000, 'x')},
      {"compare -s", "-", "abc", 1, "", "", "abd"},
  });
  EXPECT_EQ(run_command({"compare", "x"}).exit_code, 2);
}

TEST(FindCommand, EveryOccurrenceByTheMenusRules) {
  std::string limit_lines;
  for (int k = 0; k < 4096; ++k)
    limit_lines += std::to_string(k) + "\n";
  const std::string host = testing::pattern_bytes(2 * 1048576, 8);
  const std::string part = host.substr(1500000, 70000);
  run_pair_cases({
      {"find", "ab", "aab", 0, "1\n", ""},
      {"find", "abc", "abcabc", 0, "0\n3\n", ""},
      // Occurrences never overlap.
      {"find", "aa", "aaaa", 0, "0\n2\n", ""},
      {"find", "aa", "aaa", 0, "0\n", ""},
      {"find", "ab", "xxa", 1, "", ""},
      {"find", "abc", "abc", 0, "0\n", ""},
      {"find", "abc", "abd", 1, "", ""},
      {"find", part, host, 0, "1500000\n", ""},
      // The part is the first file, whatever the sizes: a larger one is never found.
      {"find", "aab", "ab", 1, "", ""},
      {"find", "a", std::string(10000, 'a'), 0, limit_lines,
       "Only the first 4096 positions are listed; the rest of the file was not searched."},
      {"find", "", "abc", 2, "", "could not process empty file"},
      {"find", "abc", "", 2, "", "could not process empty file"},
      {"find", "missing", "abc", 2, "", "cannot open"},
      // The host is read at any offset: a stream is copied whole first. The part is measured.
      {"find", "abc", "-", 0, "2\n5\n", "", "xxabcabcab"},
      {"find", "[needle]", "-", 0, std::to_string(host.size()) + "\n", "", host + "[needle]"},
      {"find", "abc", "-", 1, "", "", "ab"},
      {"find", "-", "abc", 2, "", "PART it can measure", "abc"},
  });
}

}  // namespace
}  // namespace varnelo

// End of input everywhere: complete sessions are cut after every single character and run
// through the real program. Each cut must end promptly with exit code 0 (or the code of the
// ending whose last read was cut), and files that were there before stay as they were.
#include <map>
#include <string>
#include <vector>

#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::TempDir;

struct Session {
  std::string name;
  std::string typed;  // the whole session; {dir} stands for the session's folder
  int final_exit_code;
  std::map<std::string, std::string> files;  // laid out before every run
};

std::string expand(std::string text, const std::string& dir) {
  for (std::size_t at = text.find("{dir}"); at != std::string::npos; at = text.find("{dir}", at))
    text.replace(at, 5, dir);
  return text;
}

std::vector<Session> sessions() {
  std::string nine_invalid;
  for (int i = 0; i < 9; ++i)
    nine_invalid += "7\n";
  return {
      {"menus", "1\n5\n\n0\n0\n2\n9\n5\n6\n", 0, {}},
      {"language error", "4\n\n", 1, {}},
      {"too many invalid choices", "1\n" + nine_invalid + "\n", 2, {}},
      {"extra menu exit", "2\n0\n6\n", 0, {}},
  };
}

TEST(EndOfInput, EveryCutOfEverySessionEndsCleanly) {
  for (const Session& session : sessions()) {
    for (std::size_t cut = 0; cut <= session.typed.size(); ++cut) {
      TempDir dir;
      for (const auto& [name, bytes] : session.files)
        dir.write(name, bytes);
      std::string typed = expand(session.typed, dir.root());
      std::size_t length = cut == session.typed.size()
                               ? typed.size()
                               : expand(session.typed.substr(0, cut), dir.root()).size();
      auto result = testing::run_binary(typed.substr(0, length), dir.root(), 10);
      ASSERT_FALSE(result.timed_out) << session.name << " cut at " << cut;
      if (cut == session.typed.size())
        EXPECT_EQ(result.exit_code, session.final_exit_code) << session.name;
      else
        EXPECT_TRUE(result.exit_code == 0 || result.exit_code == session.final_exit_code)
            << session.name << " cut at " << cut << " exit " << result.exit_code;
      for (const auto& [name, bytes] : session.files)
        EXPECT_EQ(dir.read(name), bytes) << session.name << " cut at " << cut << ": " << name;
    }
  }
}

}  // namespace
}  // namespace varnelo

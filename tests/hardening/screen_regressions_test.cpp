// Faults the hardening campaigns found in the screens, kept as dialogue tests.
#include <string>
#include <vector>

#include "shell/progress.hpp"
#include "splitjoin/screens.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::TempDir;

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Two pieces typed under one name: the second would silently replace the first, and the split
// would end as if the pieces could be joined back. The second name is asked about like an
// existing file; a refusal asks for another name.
TEST(SplitScreenRegression, APieceNamedLikeAnEarlierOneIsAskedAbout) {
  struct Case {
    std::string name;
    std::string typed;  // {x}, {y} stand for two paths in the folder
    std::uint16_t language;
    std::string x_holds;
    std::string y_holds;
  };
  const std::vector<Case> cases = {
      // Equal sizes: the repeated name is refused twice (once spelled differently), then another is given.
      {"typed names, refused", "2\n{in}\n2\n1\n{x}\n{x}\nN\n{dir}/./x\nN\n{y}\n\n", 0, "abc", "def"},
      {"typed names, refused, Indonesian", "2\n{in}\n2\n1\n{x}\n{x}\nT\n{y}\n\n", 1, "abc", "def"},
      // Typed sizes: the repeat is confirmed, so the second piece replaces the first as asked.
      {"typed names and sizes, confirmed", "2\n{in}\n2\n2\n{x}\n1\n2\n{x}\nY\n\n", 0, "cdef", ""},
  };
  for (const Case& c : cases) {
    TempDir dir;
    std::string typed = c.typed;
    auto replace = [&](const std::string& from, const std::string& to) {
      for (std::size_t at = typed.find(from); at != std::string::npos; at = typed.find(from, at + to.size()))
        typed.replace(at, from.size(), to);
    };
    replace("{in}", dir.write("in", "abcdef"));
    replace("{x}", dir.path("x"));
    replace("{y}", dir.path("y"));
    replace("{dir}", dir.root());
    Menu menu;
    auto dialogue = testing::run_dialogue(typed, c.language, [&] { split_screen(menu); });
    EXPECT_FALSE(dialogue.ended_by_end_of_input) << c.name;
    EXPECT_TRUE(dialogue.console.unread_input().empty()) << c.name;
    std::string question = c.language == 0
                               ? "File \"" + dir.path("x") + "\" already exist\nOverwrite file (Y/N)? "
                               : "Berkas \"" + dir.path("x") + "\" telah ada\nTimpa berkas (Y/T)? ";
    EXPECT_TRUE(contains(dialogue.text(), question)) << c.name << "\n" << dialogue.text();
    EXPECT_TRUE(contains(dialogue.text(), c.language == 0 ? "Completed!" : "Selesai!")) << c.name;
    EXPECT_EQ(dir.read("x"), c.x_holds) << c.name;
    EXPECT_EQ(dir.exists("y"), !c.y_holds.empty()) << c.name;
    if (!c.y_holds.empty()) {
      EXPECT_EQ(dir.read("y"), c.y_holds) << c.name;
    }
  }
}

}  // namespace
}  // namespace varnelo

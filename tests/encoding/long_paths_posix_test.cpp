// Input paths near the end of the path buffer, created for real: POSIX systems take paths of
// a thousand characters where Windows stops at its path limit.
#include <filesystem>
#include <string>

#include "encoding/screens.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_dialogue;
using testing::TempDir;

TEST(DecodeScreen, LongInputPathsOpenAsTypedOrThroughTheFallbackWhenItFits) {
  TempDir dir;
  // Folders of 200 characters keep every name within what file systems allow.
  std::string folder = dir.path("");
  for (int level = 0; level < 4; ++level)
    folder += std::string(200, 'd') + "/";
  std::filesystem::create_directories(folder);
  auto path_of_length = [&](std::size_t length) { return folder + std::string(length - folder.size(), 'p'); };
  // 995 characters leave room for the ".txt" name, which is found; 996 are opened as typed.
  std::string short_name = path_of_length(995);
  std::string long_name = path_of_length(996);
  testing::write_file(short_name + ".txt", "6869");
  testing::write_file(long_name, "6869");
  for (const std::string& typed : {short_name, long_name}) {
    std::string out = dir.path("out" + std::to_string(typed.size()));
    auto found = run_dialogue("2\n" + typed + "\n" + out + "\n\n", 0, [] {
      Menu menu;
      decode_screen(menu);
    });
    EXPECT_NE(found.text().find("Completed!"), std::string::npos) << typed.size();
    EXPECT_EQ(testing::read_file(out), "hi") << typed.size();
  }
}

}  // namespace
}  // namespace varnelo

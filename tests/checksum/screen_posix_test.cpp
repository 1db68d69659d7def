// Paths near a thousand characters, which not every platform can open.

#include <filesystem>
#include <string>

#include "checksum/screens.hpp"
#include "shell/progress.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

// A file whose full path has exactly `length` characters.
std::string file_with_path_length(const testing::TempDir& dir, std::size_t length) {
  std::string path = dir.root();
  while (length - path.size() > 250) {
    path += "/" + std::string(200, 'd');
    std::filesystem::create_directory(path);
  }
  path += "/" + std::string(length - path.size() - 1, 'f');
  testing::write_file(path, "abc");
  return path;
}

TEST(ChecksumScreenLongPath, ResultTextOver999CharactersIsNotOffered) {
  struct Case {
    std::string type;
    std::size_t fixed;  // characters of the result text besides the path
  };
  // "MD5 Checksum for file " + path + " is : " + 32 digits; "Checksum for file " + path +
  // " is : " + "4be3e85a17edffec\n".
  for (const Case& c : {Case{"4", 22 + 6 + 32}, Case{"5", 18 + 6 + 17}}) {
    for (std::size_t text_length : {999u, 1000u}) {
      testing::TempDir dir;
      std::string path = file_with_path_length(dir, text_length - c.fixed);
      auto dialogue = testing::run_dialogue(c.type + "\n" + path + "\ny\n\n", 0, [] {
        timer = -1e9;
        Menu menu;
        checksum_screen(menu);
      });
      bool offered = dialogue.transcript().find("Copy data output to clipbard") != std::string::npos;
      EXPECT_EQ(offered, text_length == 999) << c.type << " " << text_length;
      EXPECT_EQ(dialogue.console.clipboard_.size(), text_length == 999 ? 999u : 0u);
      // The console still shows the whole path.
      EXPECT_NE(dialogue.transcript().find("{c2}" + path + "{c7}"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace varnelo

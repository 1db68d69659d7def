// Our text against the standard coreutils tools, where they are installed.

#include <cstdlib>
#include <string>
#include <vector>

#include "encoding/screens.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::pattern_bytes;
using testing::run_dialogue;
using testing::TempDir;

bool have_tool(const std::string& tool) {
  return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0;
}

bool run(const std::string& command) {
  return std::system(command.c_str()) == 0;
}

void encode_file(const std::string& mode, const std::string& in, const std::string& out, int bytes_per_line) {
  run_dialogue(mode + "\n" + in + "\n" + out + "\n" + std::to_string(bytes_per_line) + "\n\n", 0, [] {
    Menu menu;
    encode_screen(menu);
  });
}

void decode_file(const std::string& mode, const std::string& in, const std::string& out) {
  run_dialogue(mode + "\n" + in + "\n" + out + "\n\n", 0, [] {
    Menu menu;
    decode_screen(menu);
  });
}

const std::size_t sizes[] = {0, 1, 2, 3, 57, 4095, 100000};

TEST(PeerTools, Base64DecodesOurMimeText) {
  if (!have_tool("base64")) GTEST_SKIP() << "base64 is not installed";
  for (std::size_t size : sizes) {
    for (int length : {77, 5, 4, 65535}) {
      TempDir dir;
      std::string data = pattern_bytes(size, static_cast<unsigned>(size + 1));
      std::string in = dir.write("data", data);
      encode_file("3", in, dir.path("text.txt"), length);
      ASSERT_TRUE(run("base64 -d '" + dir.path("text.txt") + "' >'" + dir.path("back") + "'"))
          << size << ", " << length;
      EXPECT_TRUE(dir.read("back") == data) << size << " bytes, " << length;
    }
  }
}

TEST(PeerTools, WeDecodeTheToolsText) {
  struct Peer {
    std::string tool;
    std::string command;
    std::string mode;
  };
  const std::vector<Peer> peers = {
      {"base64", "base64", "3"},
      {"base64", "base64 -w 76", "3"},
      {"base64", "base64 -w 0", "3"},
      {"basenc", "basenc --base16", "2"},
      {"basenc", "basenc --base2msbf", "1"},
  };
  for (const auto& peer : peers) {
    if (!have_tool(peer.tool)) continue;
    for (std::size_t size : sizes) {
      TempDir dir;
      std::string data = pattern_bytes(size, static_cast<unsigned>(size + 7));
      std::string in = dir.write("data", data);
      ASSERT_TRUE(run(peer.command + " '" + in + "' >'" + dir.path("text.txt") + "'")) << peer.command;
      decode_file(peer.mode, dir.path("text"), dir.path("back"));
      EXPECT_TRUE(dir.read("back") == data) << peer.command << ", " << size << " bytes";
    }
  }
}

}  // namespace
}  // namespace varnelo

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

// Strict decoding accepts and refuses what base64 -d and basenc -d do, with the same bytes, on
// texts without blanks (which those tools refuse and we allow): joined files, padding in every
// place, the URL alphabet, incomplete groups, hexadecimal in capitals.
TEST(PeerTools, StrictDecodingAgreesWithTheTools) {
  struct Row {
    std::string tool;
    std::string option;
    std::string text;
  };
  std::vector<Row> rows;
  for (const char* text :
       {"YQ==\nYmM=\n", "YWJj\nZGVm\n", "YQ==Yg==", "YQ=\n=", "YWI", "YWI=", "YQ=", "YQ===", "Y", "=", "YW=I",
        "YWJj=ZGVm", "P-8_\n", "P+8/\n", "YR==", "YQ==\n\n", ""})
    rows.push_back({"base64", "--base64", text});
  for (const char* text : {"4142\n", "414", "0x41", "41G2", "DEADBEEF\n00"})
    rows.push_back({"basenc --base16", "--hex", text});
  for (const char* text : {"0100000101000010\n", "0100000", "010000012", "01000001\n01000010"})
    rows.push_back({"basenc --base2msbf", "--binary", text});
  // Several encoded files one after the other, of every remainder of three.
  std::string joined;
  for (std::size_t size : {1, 2, 3, 4, 5, 57, 100}) {
    TempDir dir;
    std::string in = dir.write("data", pattern_bytes(size, static_cast<unsigned>(size)));
    ASSERT_TRUE(run("base64 '" + in + "' >'" + dir.path("text") + "'"));
    joined += dir.read("text");
  }
  rows.push_back({"base64", "--base64", joined});
  for (const auto& row : rows) {
    if (!have_tool(row.tool.substr(0, row.tool.find(' ')))) continue;
    TempDir dir;
    const std::string text = dir.write("text", row.text);
    const bool tool_accepts = run(row.tool + " -d '" + text + "' >'" + dir.path("tool") + "' 2>/dev/null");
    auto ours = testing::run_command({"decode", row.option, text, dir.path("ours")});
    EXPECT_EQ(ours.exit_code, tool_accepts ? 0 : 1) << row.tool << " of \"" << row.text << "\"" << ours.err;
    if (tool_accepts) {
      EXPECT_TRUE(dir.read("ours") == dir.read("tool")) << row.tool << " of \"" << row.text << "\"";
    }
  }
}

}  // namespace
}  // namespace varnelo

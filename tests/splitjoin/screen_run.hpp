#pragma once

// Runs a split or join screen whole through the scripted console.

#include <string>
#include <vector>

#include "shell/progress.hpp"
#include "splitjoin/screens.hpp"
#include "support/test_support.hpp"

namespace varnelo::splitjoin_test {

struct ScreenRun {
  testing::Dialogue dialogue;
  // The transcript from the question under the banner on.
  std::string screen;
  // Every percentage the progress display drew, in order.
  std::vector<int> percents;
  const std::string& text() const { return dialogue.text(); }
  bool shows(const std::string& part) const { return dialogue.transcript().find(part) != std::string::npos; }
};

// Every answer must be used up by the screen, which has to end at its press-enter pause.
template <typename Screen>
ScreenRun run_screen(Screen screen, std::string input, std::uint16_t language, const std::string& clipboard) {
  Menu menu{7, 3};
  ScreenRun run{testing::run_dialogue(std::move(input), language,
                                      [&] {
                                        auto& port = static_cast<ScriptedConsole&>(console());
                                        port.clock_ = 10000;
                                        port.clock_step_ = 1500;  // every redraw falls due
                                        port.clipboard_ = clipboard;
                                        timer = 0;
                                        screen(menu);
                                      }),
                {},
                {}};
  EXPECT_FALSE(run.dialogue.ended_by_end_of_input) << "the screen asked for more than was typed";
  EXPECT_TRUE(run.dialogue.console.unread_input().empty())
      << "answers left: " << run.dialogue.console.unread_input();
  EXPECT_EQ(menu.choice, 0);
  EXPECT_EQ(menu.invalid_count, 0);
  const std::string& transcript = run.dialogue.transcript();
  std::size_t question = transcript.find("{c15}");
  run.screen = question == std::string::npos ? transcript : transcript.substr(question);
  // The bar ends in ">(N%)".
  for (std::size_t at = transcript.find(">("); at != std::string::npos; at = transcript.find(">(", at + 2)) {
    std::size_t end = transcript.find("%)", at);
    if (end != std::string::npos && end > at + 2 && end - at <= 5)
      run.percents.push_back(std::stoi(transcript.substr(at + 2, end - at - 2)));
  }
  return run;
}

inline ScreenRun run_split(std::string input, std::uint16_t language = 0, const std::string& clipboard = {}) {
  return run_screen([](Menu& menu) { split_screen(menu); }, std::move(input), language, clipboard);
}

inline ScreenRun run_join(std::string input, std::uint16_t language = 0, const std::string& clipboard = {}) {
  return run_screen([](Menu& menu) { join_screen(menu); }, std::move(input), language, clipboard);
}

}  // namespace varnelo::splitjoin_test

#include <string>
#include <vector>

#include "shell/progress.hpp"
#include "support/progress_schedule.hpp"
#include "support/test_support.hpp"

namespace varnelo {
namespace {

using testing::run_dialogue;

// Draws one progress display at `at` ticks after the start, the previous redraw long ago.
std::string draw(std::uint16_t percent, std::int64_t bytes, double elapsed, std::uint16_t language = 0) {
  auto dialogue = run_dialogue("", language, [&] {
    auto& port = static_cast<ScriptedConsole&>(console());
    port.clock_ = 100000 + elapsed;
    timer = 0;
    if (percent == percent_unknown)
      stream_progress(100000, bytes, "Working...\n");
    else
      progress_bar(100000, percent, bytes, "Working...\n");
  });
  return dialogue.transcript();
}

TEST(ProgressBar, ZeroPercentShowsLabelAndEmptyBarOnly) {
  EXPECT_EQ(draw(0, 0, 0),
            "{cls}{c10}Working...\n{c7}Progress : <{c15}" + std::string(50, ' ') + "{c7}>(0%)\n");
  EXPECT_EQ(draw(0, 0, 0, 1),
            "{cls}{c10}Working...\n{c7}Kemajuan : <{c15}" + std::string(50, ' ') + "{c7}>(0%)\n");
}

TEST(ProgressBar, BarWidthIsFiftyForEveryPercentage) {
  for (std::uint16_t percent = 0; percent <= 100; ++percent) {
    std::string text = draw(percent, 1, 1000);
    std::size_t open = text.find("<{c15}") + 6;
    std::size_t close = text.find("{c7}>(", open);
    std::string bar = text.substr(open, close - open);
    EXPECT_EQ(bar.size(), 50u) << percent;
    EXPECT_EQ(bar, std::string(percent / 2, '=') + (percent % 2 ? "-" : "") +
                       std::string((100 - percent) / 2, ' '));
  }
}

TEST(ProgressBar, ThirtySevenPercentWithSpeedAndEstimate) {
  // 37 % after 37 seconds: 63 seconds left, shown as 1 minute and 3 seconds.
  std::string text = draw(37, 37 * 1048576LL * 3, 37000);
  EXPECT_EQ(text,
            "{cls}{c10}Working...\n{c7}Progress : <{c15}" + std::string(18, '=') + "-" +
                std::string(31, ' ') +
                "{c7}>(37%)\nAverage process speed : {c11}3.00{c7} MB per second.\nRemaining time : about "
                "{c14}1 minutes 3 seconds.{c7}");
}

TEST(ProgressBar, HundredPercentHasNoLabelAndSaysCompleted) {
  std::string text = draw(100, 2048, 1000);
  EXPECT_EQ(text,
            "{cls}{c10}{c7}Progress : <{c15}" + std::string(50, '=') +
                "{c7}>(100%)\nAverage process speed : {c11}2.00{c7} KB per second.\n{c10}Completed!\n{c7}");
  std::string teks = draw(100, 500, 1000, 1);
  EXPECT_NE(teks.find("Kecepatan proses rata-rata : {c11}500{c7} Byte per detik.\n{c10}Selesai!\n{c7}"),
            std::string::npos);
}

TEST(ProgressBar, SpeedUnitsUseStrictComparisons) {
  struct Case {
    std::int64_t bytes;
    std::string shown;
  };
  const std::vector<Case> cases = {
      {1048576, "{c11}1024.00{c7} KB per second."}, {1048577, "{c11}1.00{c7} MB per second."},
      {1024, "{c11}1024{c7} Bytes per second."},    {1025, "{c11}1.00{c7} KB per second."},
      {0, "{c11}0{c7} Bytes per second."},
  };
  for (const auto& c : cases)
    EXPECT_NE(draw(100, c.bytes, 1000).find(c.shown), std::string::npos) << c.bytes;
  const std::vector<Case> indonesian = {
      {1048577, "Kecepatan proses rata-rata : {c11}1.00{c7} MB per detik.\n"},
      {1048576, "Kecepatan proses rata-rata : {c11}1024.00{c7} KB per detik.\n"},
      {1024, "Kecepatan proses rata-rata : {c11}1024{c7} Byte per detik.\n"},
  };
  for (const auto& c : indonesian)
    EXPECT_NE(draw(100, c.bytes, 1000, 1).find(c.shown), std::string::npos) << c.bytes;
}

TEST(ProgressBar, RedrawsAtMostOncePerSecondBetweenOneAndNinetyNine) {
  auto dialogue = run_dialogue("", 0, [] {
    auto& port = static_cast<ScriptedConsole&>(console());
    port.clock_ = 50000;
    timer = 0;
    progress_bar(50000, 0, 0, "L\n");  // drawn, timer = 50000
    port.clock_ = 50999;
    progress_bar(50000, 5, 10, "L\n");    // skipped
    progress_bar(50000, 100, 10, "L\n");  // always drawn
    port.clock_ = 52500;
    progress_bar(50000, 6, 10, "L\n");  // drawn
    port.clock_ = 53000;
    progress_bar(50000, 7, 10, "L\n");  // skipped: half a second after the last redraw
  });
  std::string text = dialogue.transcript();
  int redraws = 0;
  for (std::size_t at = text.find("{cls}"); at != std::string::npos; at = text.find("{cls}", at + 1))
    ++redraws;
  EXPECT_EQ(redraws, 3);
  EXPECT_EQ(text.find(">(5%)"), std::string::npos);
  EXPECT_NE(text.find(">(6%)"), std::string::npos);
  EXPECT_EQ(text.find(">(7%)"), std::string::npos);
}

// A stream's end is unknown: the bytes so far and the speed, never a bar or an estimate.
TEST(ProgressBar, StreamsShowTheirBytesAndSpeedAlone) {
  const std::string head = "{cls}{c10}Working...\n{c7}";
  EXPECT_EQ(
      draw(percent_unknown, 30 * 1048576 + 1, 10000),
      head + "Processed so far : {c15}30.00{c7} MB\nAverage process speed : {c11}3.00{c7} MB per second.\n");
  EXPECT_EQ(
      draw(percent_unknown, 2048, 1000, 1),
      head + "Telah diproses : {c15}2.00{c7} KB\nKecepatan proses rata-rata : {c11}2.00{c7} KB per detik.\n");
  EXPECT_EQ(
      draw(percent_unknown, 700, 1000),
      head +
          "Processed so far : {c15}700{c7} Bytes\nAverage process speed : {c11}700{c7} Bytes per second.\n");
  auto twice = run_dialogue("", 0, [] {
    static_cast<ScriptedConsole&>(console()).clock_ = 50000;
    timer = 49500;
    stream_progress(40000, 10, "L\n");  // skipped: half a second after the last redraw
  });
  EXPECT_EQ(twice.transcript(), "");
}

TEST(ProgressBar, RemainingTimeShowsOnlyNonZeroFiguresAndEndsWithAFullStop) {
  struct Case {
    std::uint16_t percent;
    double elapsed;
    std::uint16_t language;
    std::string tail;
  };
  const std::vector<Case> cases = {
      // 50 % after two hours: two hours left.
      {50, 7200000, 0, "Remaining time : about {c14}2 hour {c7}\b."},
      {50, 7200000, 1, "Perkiraan selesai : sekitar {c14}2 jam {c7}\b."},
      // 50 % after 90.5 s: 90.5 s left.
      {50, 90500, 0, "Remaining time : about {c14}1 minutes 30 seconds.{c7}"},
      {50, 90500, 1, "Perkiraan selesai : sekitar {c14}1 menit 30 detik.{c7}"},
      // Under a second: no figure at all.
      {99, 50, 0, "Remaining time : about {c14}{c7}\b."},
      {99, 50, 1, "Perkiraan selesai : sekitar {c14}{c7}\b."},
      // 65 minutes left: hours and minutes, the full stop over the blank after the minutes.
      {50, 3900000, 0, "Remaining time : about {c14}1 hour 5 minutes {c7}\b."},
      {50, 3900000, 1, "Perkiraan selesai : sekitar {c14}1 jam 5 menit {c7}\b."},
      // An hour and seven seconds: no minutes figure between them.
      {50, 3607000, 1, "Perkiraan selesai : sekitar {c14}1 jam 7 detik.{c7}"},
      // 70,000 seconds left: 19 hours 26 minutes 40 seconds, without wrapping at 65,536.
      {50, 70000000, 0, "Remaining time : about {c14}19 hour 26 minutes 40 seconds.{c7}"},
  };
  for (const auto& c : cases) {
    std::string text = draw(c.percent, 100, c.elapsed, c.language);
    ASSERT_GE(text.size(), c.tail.size());
    EXPECT_EQ(text.substr(text.size() - c.tail.size()), c.tail) << c.percent << " " << c.elapsed;
  }
}

TEST(RunningTime, SecondsBelowAMinuteAndWholeFiguresAbove) {
  struct Case {
    double elapsed;
    std::uint16_t language;
    std::string text;
  };
  const std::vector<Case> cases = {
      {12500, 0, "Running time : {c14}12.50 seconds.\n{c7}"},
      {12500, 1, "Waktu proses : {c14}12.50 detik.\n{c7}"},
      {3725000, 0, "Running time : {c14}1 hour 2 minutes 5 seconds {c7}\b.\n"},
      {3725000, 1, "Waktu proses : {c14}1 jam 2 menit 5 detik {c7}\b.\n"},
      {120000, 0, "Running time : {c14}2 minutes {c7}\b.\n"},
      {70000000, 0, "Running time : {c14}19 hour 26 minutes 40 seconds {c7}\b.\n"},
  };
  for (const auto& c : cases) {
    auto dialogue = run_dialogue("", c.language, [&] {
      static_cast<ScriptedConsole&>(console()).clock_ = 1000 + c.elapsed;
      running_time(1000);
    });
    EXPECT_EQ(dialogue.transcript(), c.text) << c.elapsed;
  }
}

}  // namespace
}  // namespace varnelo

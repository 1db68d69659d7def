#include "splitjoin/pieces.hpp"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace varnelo::splitjoin {
namespace {

TEST(PieceNames, ExtendTheInputPathAndCountWithCarry) {
  EXPECT_EQ(first_piece_name("report.pdf"), "report.pdf.001");
  EXPECT_EQ(first_piece_name("D:\\data\\film.avi"), "D:\\data\\film.avi.001");

  struct Case {
    std::string before;
    std::string after;
  };
  const std::vector<Case> cases = {
      {"a.001", "a.002"}, {"a.009", "a.010"}, {"a.099", "a.100"},
      {"a.199", "a.200"}, {"a.998", "a.999"}, {"x.tar.019", "x.tar.020"},
  };
  for (const auto& c : cases) {
    std::string name = c.before;
    EXPECT_TRUE(advance_suffix(name)) << c.before;
    EXPECT_EQ(name, c.after);
  }
  std::string last = "a.999";
  EXPECT_FALSE(advance_suffix(last));
  EXPECT_EQ(last, "a.000");
}

TEST(PieceNames, EveryNumberFromOneTo999InTurn) {
  std::string name = first_piece_name("f");
  for (int number = 1; number <= 999; ++number) {
    char expected[8];
    std::snprintf(expected, sizeof expected, "f.%03d", number);
    ASSERT_EQ(name, expected);
    EXPECT_EQ(advance_suffix(name), number < 999);
  }
}

TEST(PieceNames, FirstPieceIsRecognisedByItsWholeSuffix) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"film.avi.001", true}, {"film.avi", false}, {".001", true},   {"001", false},
      {"a.0001", false},      {"a.002", false},    {"a_001", false}, {"", false},
  };
  for (const auto& [path, first] : cases)
    EXPECT_EQ(names_first_piece(path), first) << path;
}

TEST(EqualSplit, WorkedResults) {
  struct Case {
    std::int64_t input;
    std::uint16_t count;
    std::int64_t planned;
    std::vector<std::int64_t> written;
  };
  const std::vector<Case> cases = {
      {10, 4, 3, {3, 3, 3, 1}},         {9, 4, 3, {3, 3, 3}},
      {12, 5, 3, {3, 3, 3, 3}},         {12, 4, 3, {3, 3, 3, 3}},
      {7, 7, 1, {1, 1, 1, 1, 1, 1, 1}}, {5000, 1, 5000, {5000}},
      {8193, 2, 4097, {4097, 4096}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(equal_piece_size(c.input, c.count), c.planned) << c.input << "/" << c.count;
    EXPECT_EQ(equal_split(c.input, c.count), c.written) << c.input << "/" << c.count;
  }
}

TEST(EqualSplit, NeverMoreThanAskedAndAlwaysTheWholeInput) {
  for (std::int64_t input : {1, 2, 99, 100, 101, 4095, 4096, 4097, 999999}) {
    for (std::uint16_t count : {1, 2, 3, 7, 10, 99, 100, 999}) {
      std::vector<std::int64_t> pieces = equal_split(input, count);
      if (input < count) {
        EXPECT_TRUE(pieces.empty());
        continue;
      }
      std::int64_t sum = 0;
      for (std::int64_t piece : pieces) {
        EXPECT_GT(piece, 0);
        sum += piece;
      }
      EXPECT_EQ(sum, input) << input << "/" << count;
      EXPECT_LE(pieces.size(), count);
    }
  }
  EXPECT_TRUE(equal_split(0, 1).empty());
  EXPECT_TRUE(equal_split(5, 0).empty());
}

TEST(TypedSize, UnitIsLoweredUntilTheRemainderFillsIt) {
  struct Case {
    SizeUnit asked;
    std::int64_t remaining;
    SizeUnit used;
  };
  const std::vector<Case> cases = {
      {SizeUnit::megabytes, 500, SizeUnit::bytes},
      {SizeUnit::megabytes, 1048575, SizeUnit::kilobytes},
      {SizeUnit::megabytes, 1048576, SizeUnit::megabytes},
      {SizeUnit::kilobytes, 1024, SizeUnit::kilobytes},
      {SizeUnit::kilobytes, 1023, SizeUnit::bytes},
      {SizeUnit::bytes, 1, SizeUnit::bytes},
      {SizeUnit::megabytes, 10485765, SizeUnit::megabytes},
  };
  for (const auto& c : cases)
    EXPECT_EQ(fitting_unit(c.asked, c.remaining), c.used) << static_cast<int>(c.asked) << " " << c.remaining;
}

TEST(TypedSize, ConversionRefusesWhatOverflowsSixtyFourBits) {
  struct Case {
    std::int64_t answer;
    SizeUnit unit;
    std::optional<std::int64_t> bytes;
  };
  const std::vector<Case> cases = {
      {4, SizeUnit::megabytes, 4194304},
      {3, SizeUnit::kilobytes, 3072},
      {7, SizeUnit::bytes, 7},
      {INT64_MAX, SizeUnit::bytes, INT64_MAX},
      {8796093022207, SizeUnit::megabytes, 8796093022207 * 1048576},
      {8796093022208, SizeUnit::megabytes, std::nullopt},
      {9007199254740991, SizeUnit::kilobytes, 9007199254740991 * 1024},
      {9007199254740992, SizeUnit::kilobytes, std::nullopt},
      {INT64_MIN, SizeUnit::kilobytes, std::nullopt},
      {-1, SizeUnit::megabytes, -1048576},
  };
  for (const auto& c : cases)
    EXPECT_EQ(size_in_bytes(c.answer, c.unit), c.bytes) << c.answer;
}

TEST(TypedSize, EachSizeTakesAtLeastOneByteAndLeavesOne) {
  struct Case {
    std::int64_t remaining;
    std::optional<std::int64_t> size;
    bool taken;
    std::int64_t left;
  };
  const std::vector<Case> cases = {
      {10, 4, true, 6},   {10, 9, true, 1},    {10, 10, false, 10},           {10, 11, false, 10},
      {10, 0, false, 10}, {10, -3, false, 10}, {10, std::nullopt, false, 10}, {10, INT64_MAX, false, 10},
  };
  for (const auto& c : cases) {
    std::int64_t remaining = c.remaining;
    EXPECT_EQ(take_size(remaining, c.size), c.taken) << c.size.value_or(-99);
    if (c.taken) {
      EXPECT_EQ(remaining, c.left);
    }
  }
}

}  // namespace
}  // namespace varnelo::splitjoin

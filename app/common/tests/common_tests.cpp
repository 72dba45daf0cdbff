#include <gtest/gtest.h>

#include <limits>

#include "common/line_index.h"
#include "common/numbers.h"
#include "common/numtext.h"

using namespace varno::common;

TEST(Rounding, NamedRulesAtHalvesAndNegatives) {
  // clang-format off
  struct Row { double x, even, up, away; };
  const Row rows[] = {
      {2.5, 2, 3, 3},   {3.5, 4, 4, 4},    {-2.5, -2, -2, -3}, {-3.5, -4, -3, -4},
      {0.5, 0, 1, 1},   {-0.5, 0, 0, -1},  {100.5, 100, 101, 101}, {501.5, 502, 502, 502},
      {-2.75, -3, -3, -3}, {1.2, 1, 1, 1}, {2147483646.5, 2147483646, 2147483647, 2147483647},
  };
  // clang-format on
  for (const Row& r : rows) {
    EXPECT_EQ(roundHalfEven(r.x), r.even) << r.x;
    EXPECT_EQ(roundHalfUp(r.x), r.up) << r.x;
    EXPECT_EQ(roundHalfAwayFromZero(r.x), r.away) << r.x;
  }
}

TEST(CheckedArithmetic, RefusesToWrapAtTheLimits) {
  constexpr auto max = std::numeric_limits<std::int32_t>::max();
  constexpr auto min = std::numeric_limits<std::int32_t>::min();
  EXPECT_EQ(checkedAdd(max - 100, 100), max);
  EXPECT_FALSE(checkedAdd(max - 99, 100));
  EXPECT_FALSE(checkedSub(min, 1));
  EXPECT_EQ(checkedMul(100, 21474836), 2147483600);
  EXPECT_FALSE(checkedMul(100, 21474837));
  EXPECT_FALSE(toInt32(2147483648.0));
  EXPECT_EQ(toInt32(-2147483648.0), min);
}

TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
  // clang-format off
  struct Row { const char* text; double value; };
  const Row rows[] = {
      {" 44100", 44100}, {"16", 16}, {"  -3", -3}, {"344.53125", 344.53125}, {"", 0},
      {"abc", 0}, {" 12abc", 12}, {"-", 0}, {".5", 0.5}, {"1e3", 1000}, {"2e", 2},
      {"\t7", 7}, {"+8", 8}, {" 500 msec", 500},
  };
  // clang-format on
  for (const Row& r : rows) EXPECT_EQ(leadingNumber(r.text), r.value) << r.text;
}

TEST(NumberText, SignPlaceAndExactFractions) {
  EXPECT_EQ(numberText(44100), " 44100");
  EXPECT_EQ(numberText(-3), "-3");
  EXPECT_EQ(numberText(0), " 0");
  EXPECT_EQ(numberText(22050.5), " 22050.5");
  EXPECT_EQ(plainNumberText(44100.0 / 128), "344.53125");
  EXPECT_EQ(plainNumberText(2147483647.0 / 128), "16777215.9921875");
  EXPECT_EQ(plainNumberText(-0.0), "0");
  EXPECT_EQ(digitsOf(-2000), "2000");
  EXPECT_EQ(digitsOf(std::numeric_limits<std::int64_t>::min()), "9223372036854775808");
}

TEST(LineIndexSeek, FindsTheNotedLineAtOrBefore) {
  LineIndex idx;
  EXPECT_FALSE(idx.nearest(10));
  idx.offsets = {10, 5000, 9000};
  EXPECT_EQ(idx.nearest(0)->offset, 10u);
  EXPECT_EQ(idx.nearest(4095)->line, 0);
  EXPECT_EQ(idx.nearest(4096)->offset, 5000u);
  EXPECT_EQ(idx.nearest(1'000'000)->line, 2 * LineIndex::kStride);
}

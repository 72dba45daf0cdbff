#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <filesystem>
#include <functional>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "common/numtext.h"
#include "graph/caption_layout.h"
#include "graph/display.h"
#include "graph/graph.h"
#include "graph/labels.h"
#include "graph/spectrum.h"
#include "pipeline/resample.h"
#include "testkit/files.h"

using namespace varno;
using namespace varno::graph;
using namespace varno::testkit;
namespace fs = std::filesystem;

namespace {

// A sample text: the two header lines, then one line per sample, each ending with CR LF.
void writeSamples(const fs::path& path, const std::string& bits, std::vector<std::string> samples) {
  samples.insert(samples.begin(), {"44100", bits});
  writeFile(path, crlf(samples));
}

// Samples made by a rule, value(i) for i = 0..count-1.
void writeSamples(const fs::path& path, int count, const std::function<std::int64_t(int)>& value,
                  const std::string& bits = "16") {
  std::vector<std::string> samples;
  for (int i = 0; i < count; ++i) samples.push_back(std::to_string(value(i)));
  writeSamples(path, bits, samples);
}

Segment blue(std::size_t x, float y) {
  const auto column = static_cast<float>(x);
  return {column, 100, column, y, kBlue};
}

constexpr SoundFormat kSixteenBit{.rate = 44100, .sixteenBit = true};

// An index whose offsets land inside lines, as after the file was replaced.
common::LineIndex staleIndex() { return common::LineIndex{{3, 4, 8, 3, 4}}; }

}  // namespace

TEST(Scan, SixteenBitOnlyWhenTheCaptionSaysSixteen) {
  // clang-format off
  struct Row { const char* caption; bool sixteen; };
  // clang-format on
  const Row rows[] = {{" 16", true},  {"16", true}, {" 16.0", true}, {" 8", false},
                      {" 24", false}, {"", false},  {" 160", false}, {"x16", false}};
  for (const Row& r : rows) EXPECT_EQ(isSixteenBit(r.caption), r.sixteen) << r.caption;
}

TEST(Scan, FullScaleAndCountOfEveryLine) {
  struct Row {
    bool sixteen;
    std::vector<std::string> samples;
    std::int32_t maxAmp;
    std::int32_t count;
  };
  // clang-format off
  const Row rows[] = {
      {true, {"100", "-2000", "1500"}, 2000, 3},
      {true, {"0", "0", "0"}, 0, 3},
      {true, {"2.5"}, 2, 1},
      {true, {"3.5"}, 4, 1},
      {true, {"-32768", "32767"}, 32768, 2},
      {true, {"", "abc", " 7"}, 7, 3},
      {true, {}, 0, 0},
      {true, {"99999999999", "5"}, std::numeric_limits<std::int32_t>::max(), 2},
      {true, {"-1e300"}, std::numeric_limits<std::int32_t>::max(), 1},
      {false, {"0", "255"}, 128, 2},
      {false, {"100", "150", "200"}, 72, 3},
      {false, {"128", "128"}, 0, 2},
      {false, {"128", ""}, 128, 2},
      {false, {"130.5"}, 2, 1},
      {false, {"131.5"}, 4, 1},
      {false, {"-99999999999"}, std::numeric_limits<std::int32_t>::max(), 1},
  };
  // clang-format on
  TempDir dir;
  for (const Row& r : rows) {
    writeSamples(dir / "Org_txt.txt", r.sixteen ? "16" : "8", r.samples);
    const auto scan = scanOriginal(dir / "Org_txt.txt", r.sixteen);
    ASSERT_TRUE(scan) << r.samples.size();
    EXPECT_EQ(scan->maxAmp, r.maxAmp) << (r.samples.empty() ? "" : r.samples[0]);
    EXPECT_EQ(scan->dataCount, r.count);
  }
}

TEST(Scan, RefusesAFileWithoutItsHeader) {
  TempDir dir;
  EXPECT_FALSE(scanOriginal(dir / "none.txt", true));
  writeFile(dir / "one.txt", "44100\r\n");
  EXPECT_FALSE(scanOriginal(dir / "one.txt", true));
  writeFile(dir / "two.txt", "44100\r\n16");
  EXPECT_TRUE(scanOriginal(dir / "two.txt", true));
  EXPECT_FALSE(scanOriginal(dir / "", true));
}

TEST(Scan, RefusesAFileWithALineTooLong) {
  TempDir dir;
  writeFile(dir / "Org_txt.txt", crlf({"44100", "16"}) + std::string(1 << 20, '5'));
  EXPECT_FALSE(scanOriginal(dir / "Org_txt.txt", true));
  writeSamples(dir / "Org_txt.txt", "16", {"1", std::string(64 * 1024, '5'), "-3"});
  const auto scan = scanOriginal(dir / "Org_txt.txt", true);
  ASSERT_TRUE(scan);
  EXPECT_EQ(scan->dataCount, 3);
}

TEST(Scan, NotesTheOffsetOfEveryStrideLine) {
  TempDir dir;
  writeSamples(dir / "Org_txt.txt", 2 * 4096 + 1, [](int i) { return i % 2 ? -i : i; });
  const auto scan = scanOriginal(dir / "Org_txt.txt", true);
  ASSERT_TRUE(scan);
  EXPECT_EQ(scan->dataCount, 8193);
  EXPECT_EQ(scan->maxAmp, 8192);
  ASSERT_EQ(scan->index.offsets.size(), 3u);
  const std::string bytes = readFile(dir / "Org_txt.txt");
  EXPECT_EQ(bytes.substr(scan->index.offsets[0], 3), "0\r\n");
  EXPECT_EQ(bytes.substr(scan->index.offsets[1], 6), "4096\r\n");
  EXPECT_EQ(bytes.substr(scan->index.offsets[2], 6), "8192\r\n");
}

TEST(Captions, AmplitudeAxis) {
  // clang-format off
  struct Row { std::int32_t maxAmp; bool sixteen; std::array<const char*, 3> captions; };
  const Row rows[] = {
      {2000, true, {"+2000", "0", "-2000"}},
      {0, true, {"+0", "0", "-0"}},
      {128, false, {"255", "128", "0"}},
      {72, false, {"199", "128", "56"}},
      {0, false, {"127", "128", "128"}},
      {std::numeric_limits<std::int32_t>::max(), false, {"2147483774", "128", "2147483519"}},
  };
  // clang-format on
  for (const Row& r : rows) {
    const auto captions = amplitudeCaptions(r.maxAmp, r.sixteen);
    for (int k = 0; k < 6; ++k) EXPECT_EQ(captions[k], r.captions[k % 3]) << r.maxAmp << " " << k;
  }
}

TEST(Captions, TimeAxisInTenthsOfMilliseconds) {
  struct Row {
    std::int64_t startPos;
    double rate;
    std::array<const char*, 6> samples;
    std::array<const char*, 6> times;
  };
  const Row rows[] = {
      {0,
       44100,
       {"0", "100", "200", "300", "400", "500"},
       {"0.0msec", "2.3msec", "4.5msec", "6.8msec", "9.1msec", "11.3msec"}},
      {0,
       16000,
       {"0", "100", "200", "300", "400", "500"},
       {"0.0msec", "6.3msec", "12.5msec", "18.8msec", "25.0msec", "31.3msec"}},
      {12345,
       22050,
       {"12345", "12445", "12545", "12645", "12745", "12845"},
       {"559.9msec", "564.4msec", "568.9msec", "573.5msec", "578.0msec", "582.5msec"}},
      {1000,
       8000,
       {"1000", "1100", "1200", "1300", "1400", "1500"},
       {"125.0msec", "137.5msec", "150.0msec", "162.5msec", "175.0msec", "187.5msec"}},
      {2147483600,
       44100,
       {"2147483600", "2147483700", "2147483800", "2147483900", "2147484000", "2147484100"},
       {"48695773.2msec", "48695775.5msec", "48695777.8msec", "48695780.0msec", "48695782.3msec",
        "48695784.6msec"}},
      // The widest captions there are: the last window of the longest recording at 1 Hz.
      {2147483647,
       1,
       {"2147483647", "2147483747", "2147483847", "2147483947", "2147484047", "2147484147"},
       {"2147483647000.0msec", "2147483747000.0msec", "2147483847000.0msec", "2147483947000.0msec",
        "2147484047000.0msec", "2147484147000.0msec"}},
      {0,
       0,
       {"0", "100", "200", "300", "400", "500"},
       {"-.-msec", "-.-msec", "-.-msec", "-.-msec", "-.-msec", "-.-msec"}},
      {100,
       -8000,
       {"100", "200", "300", "400", "500", "600"},
       {"-.-msec", "-.-msec", "-.-msec", "-.-msec", "-.-msec", "-.-msec"}},
      {0,
       std::nan(""),
       {"0", "100", "200", "300", "400", "500"},
       {"-.-msec", "-.-msec", "-.-msec", "-.-msec", "-.-msec", "-.-msec"}},
  };
  for (const Row& r : rows) {
    const auto captions = timeCaptions(r.startPos, r.rate);
    for (int k = 0; k < 6; ++k) {
      EXPECT_EQ(captions.samples[k], r.samples[k]) << r.rate << " " << k;
      EXPECT_EQ(captions.times[k], r.times[k]) << r.rate << " " << k;
    }
  }
}

TEST(Captions, TenthsRoundHalvesAwayOnFifteenDigits) {
  // clang-format off
  struct Row { double value; const char* text; };
  const Row rows[] = {
      {0, "0.0"},         {6.25, "6.3"},    {0.05, "0.1"},      {0.0499, "0.0"},
      {0.35, "0.4"},      {2.45, "2.5"},    {1.005, "1.0"},     {99.95, "100.0"},
      {0.001, "0.0"},     {1e-300, "0.0"},  {-1.25, "-1.3"},    {-0.04, "0.0"},
      {1234567.85, "1234567.9"},            {1e20, "100000000000000000000.0"},
      {std::numeric_limits<double>::infinity(), "-.-"},
  };
  // clang-format on
  for (const Row& r : rows) EXPECT_EQ(formatTenths(r.value), r.text) << r.value;
}

namespace varno::graph {
void PrintTo(const Box& b, std::ostream* out) {
  *out << "(" << b.left << ", " << b.top << ", " << b.width << "x" << b.height << ")";
}
}  // namespace varno::graph

// The caption rows as the window lays them out, in pixels: Label13(6..11) under Picture2,
// Label13(0..5) under Picture1, and one of Label12 beside the pictures' right edges.
std::vector<CaptionText> row(const std::array<int, 6>& lefts, int top, int width,
                             const std::vector<int>& texts) {
  std::vector<CaptionText> captions;
  for (std::size_t k = 0; k < texts.size(); ++k)
    captions.push_back({{lefts[k], top, width, 9}, texts[k], 12});
  return captions;
}
constexpr std::array<int, 6> kLefts{0, 104, 208, 304, 408, 504};

// Boxes of one width and one line's height at these left edges and tops.
std::vector<Box> placed(int width, const std::vector<std::pair<int, int>>& leftTops) {
  std::vector<Box> boxes;
  for (const auto& [left, top] : leftTops) boxes.push_back({left, top, width, 12});
  return boxes;
}

TEST(Captions, BoxesGrowAboutTheirAnchorsWithoutMeeting) {
  struct Row {
    const char* what;
    std::vector<CaptionText> captions;
    Anchor anchor;
    int areaLeft, areaRight;
    std::vector<Box> boxes;
  };
  const Anchor centre = Anchor::Centre;
  const Anchor left = Anchor::Left;
  // clang-format off
  const Row rows[] = {
      {"44100 Hz from 0: designed boxes, one line of the font high",
       row(kLefts, 664, 65, {44, 44, 44, 44, 44, 51}), centre, 0, 583,
       placed(65, {{0, 664}, {104, 664}, {208, 664}, {304, 664}, {408, 664}, {504, 664}})},
      {"600011.3msec: centred growth, the first held at the window's left edge",
       row(kLefts, 664, 65, {79, 79, 79, 79, 79, 79}), centre, 0, 583,
       placed(79, {{0, 664}, {97, 664}, {201, 664}, {297, 664}, {401, 664}, {497, 664}})},
      {"2^31 - 1 samples at 44100 Hz: the first, held at the edge, would meet the second",
       row(kLefts, 664, 65, {93, 93, 93, 93, 93, 93}), centre, 0, 583,
       placed(93, {{0, 664}, {90, 676}, {194, 664}, {290, 676}, {394, 664}, {490, 676}})},
      {"2^31 - 1 samples at 1 Hz: every second one a line lower, the last held at the right",
       row(kLefts, 664, 65, {127, 127, 127, 127, 127, 127}), centre, 0, 583,
       placed(127, {{0, 664}, {73, 676}, {177, 664}, {273, 676}, {377, 664}, {456, 676}})},
      {"2^31 - 1 samples, top row: odd growth rounded up to keep the middle",
       row(kLefts, 432, 49, {70, 70, 70, 70, 70, 70}), centre, 0, 583,
       placed(71, {{0, 432}, {93, 432}, {197, 432}, {293, 432}, {397, 432}, {493, 432}})},
      {"neighbours a blank apart share their line",
       {{{0, 0, 20, 12}, 20, 12}, {{23, 0, 20, 12}, 20, 12}}, centre, 0, 583,
       placed(20, {{0, 0}, {23, 0}})},
      {"one pixel short of a blank between neighbours",
       {{{0, 0, 20, 12}, 20, 12}, {{22, 0, 20, 12}, 20, 12}}, centre, 0, 583,
       placed(20, {{0, 0}, {22, 12}})},
      {"amplitude beside the pictures: a box that fits stays, even past the window's edge",
       {{{536, 648, 49, 9}, 42, 12}}, left, 529, 583, placed(49, {{536, 648}})},
      {"amplitude that grows: to the right, pushed back no further than the designed edge",
       {{{536, 648, 49, 9}, 52, 12}}, left, 529, 583, placed(52, {{533, 648}})},
      {"wider than the area: held at its left end",
       {{{536, 648, 49, 9}, 77, 12}}, left, 529, 583, placed(77, {{529, 648}})},
  };
  // clang-format on
  for (const Row& r : rows)
    EXPECT_EQ(captionRow(r.captions, r.anchor, r.areaLeft, r.areaRight, 3), r.boxes) << r.what;
}

TEST(Scroll, StartPositions) {
  // clang-format off
  struct Row { int p; std::int32_t count; std::int32_t scroll; std::int32_t choice; };
  const Row rows[] = {
      {0, 441000, 0, 0},
      {1, 10050, 101, 100},
      {50, 441000, 220500, 220500},
      {100, 21474836, 21474836, 21474836},
      {50, 1001, 501, 500},
      {50, 1003, 502, 502},
      {100, 2147483647, 2147483647, 2147483647},
      {99, 2147483647, 2126008811, 2126008811},
      {100, 0, 0, 0},
  };
  // clang-format on
  for (const Row& r : rows) {
    EXPECT_EQ(scrollStartPos(r.p, r.count), r.scroll) << r.p << " " << r.count;
    EXPECT_EQ(choiceStartPos(r.p, r.count), r.choice) << r.p << " " << r.count;
  }
}

TEST(Scroll, ArrowSteps) {
  // clang-format off
  struct Row { std::int32_t start, count, left, right; };
  const Row rows[] = {
      {150, 1000, 50, 250}, {100, 1000, 100, 200}, {50, 1000, 50, 150}, {0, 1000, 0, 100},
      {950, 1000, 850, 1000}, {1000, 1000, 900, 1000}, {1010, 1000, 910, 1010},
      {2147483600, 2147483647, 2147483500, 2147483647}, {0, 0, 0, 0},
  };
  // clang-format on
  for (const Row& r : rows) {
    EXPECT_EQ(stepLeft(r.start), r.left) << r.start;
    EXPECT_EQ(stepRight(r.start, r.count), r.right) << r.start;
  }
}

TEST(RateList, RateDividedByPowersOfTwoRoundedHalvesUp) {
  // clang-format off
  struct Row { double rate; std::array<double, 8> values; };
  const Row rows[] = {
      {44100, {44100, 22050, 11025, 5513, 2756, 1378, 689, 345}},
      {22050, {22050, 11025, 5513, 2756, 1378, 689, 345, 172}},
      {8000, {8000, 4000, 2000, 1000, 500, 250, 125, 63}},
      {1000000, {1000000, 500000, 250000, 125000, 62500, 31250, 15625, 7813}},
      {22050.5, {22050.5, 11025, 5513, 2756, 1378, 689, 345, 172}},
      {-8000, {-8000, -4000, -2000, -1000, -500, -250, -125, -62}},
      {0, {0, 0, 0, 0, 0, 0, 0, 0}},
  };
  // clang-format on
  const std::array<std::string_view, 8> suffixes = {"Hz (等倍)", "Hz (1/2)",  "Hz (1/4)",
                                                    "Hz (1/8)",  "Hz (1/16)", "Hz (1/32)",
                                                    "Hz (1/64)", "Hz (1/128)"};
  for (const Row& r : rows) {
    const std::array<RateItem, 8> items = rateItems(r.rate);
    for (std::size_t k = 0; k < items.size(); ++k) {
      EXPECT_EQ(items[k].value, r.values[k]) << r.rate << " item " << k;
      EXPECT_EQ(items[k].suffix, suffixes[k]) << r.rate << " item " << k;
    }
  }
}

TEST(Drawing, GridIsFourVerticalsThenTheCentreLine) {
  const std::vector<Segment> expected = {{100, 0, 100, 200, kBlack},
                                         {200, 0, 200, 200, kBlack},
                                         {300, 0, 300, 200, kBlack},
                                         {400, 0, 400, 200, kBlack},
                                         {0, 100, 500, 100, kBlack}};
  EXPECT_EQ(gridSegments(), expected);
}

TEST(Drawing, SampleHeights) {
  struct Row {
    double value;
    std::int32_t maxAmp;
    bool sixteen;
    float y;
  };
  const Row rows[] = {
      {500, 1000, true, 50},   {-1000, 1000, true, 200}, {1000, 1000, true, 0},
      {0, 1000, true, 100},    {2.5, 10, true, 75},      {178, 100, false, 50},
      {128, 100, false, 100},  {28, 100, false, 200},    {178.5, 100, false, 50},
      {179.5, 100, false, 48}, {0, 128, false, 200},     {255, 128, false, 0.78125f},
      {5, 0, true, 100},       {-3e9, 1, false, 1e6f},
  };
  for (const Row& r : rows)
    EXPECT_FLOAT_EQ(sampleHeight(r.value, r.maxAmp, r.sixteen), r.y) << r.value;
}

// Both files read anew for the view: a blue stick and a value per original sample in it.
TEST(Frame, BlueSticksAndValuesFromStartPos) {
  TempDir dir;
  const SampleFiles files{dir / "Org_txt.txt", dir / "Chg_txt.txt"};
  const int count = 3 * 4096 + 700;
  writeSamples(files.original, count, [](int i) { return i % 1000; });
  const auto scan = scanOriginal(files.original, true);
  ASSERT_TRUE(scan);
  for (const common::LineIndex& index : {scan->index, common::LineIndex{}, staleIndex()}) {
    const Display display{.format = kSixteenBit, .originalLines = index};
    for (std::int32_t start : {0, 50, 4095, 4096, 9000, count - 200, count - 1, count}) {
      const Frame f = frameOf(display, files, start, 999);
      const std::size_t shown = std::clamp(count - start, 0, 500);
      ASSERT_TRUE(f.drawn);
      ASSERT_EQ(f.upper.size(), shown + 5) << start;
      EXPECT_EQ(std::vector(f.upper.end() - 5, f.upper.end()), gridSegments());
      EXPECT_EQ(f.lower, gridSegments()) << "no staircase, only the grid";
      ASSERT_EQ(f.values.first, start);
      ASSERT_EQ(f.values.original.size(), shown);
      ASSERT_EQ(f.values.resampled, std::vector<std::optional<double>>(shown));
      for (const std::size_t x : {std::size_t{0}, shown - 1}) {
        if (shown == 0) break;
        const int value = (start + static_cast<int>(x)) % 1000;
        EXPECT_EQ(f.upper[x], blue(x, sampleHeight(value, 999, true))) << start << " " << x;
        EXPECT_EQ(f.values.original[x], value);
      }
    }
  }
  // Nothing to scale by: the pictures keep what they show, the values are still there.
  const Frame silent = frameOf({.format = kSixteenBit}, files, 0, 0);
  EXPECT_FALSE(silent.drawn);
  EXPECT_TRUE(silent.upper.empty() && silent.lower.empty());
  EXPECT_EQ(silent.values.original.size(), 500u);
  EXPECT_TRUE(frameOf({}, {dir / "none.txt", dir / "none.txt"}, 0, 999).values.original.empty());
}

TEST(Frame, EightBitSticksStandOn128) {
  TempDir dir;
  writeSamples(dir / "Org_txt.txt", "8", {"178", "128", "", "78"});
  const Frame f = frameOf({.format = {.rate = 8000, .sixteenBit = false}},
                          {dir / "Org_txt.txt", dir / "none.txt"}, 0, 100);
  const std::vector<Segment> expected = {blue(0, 50), blue(1, 100), blue(2, 228), blue(3, 150)};
  EXPECT_EQ(std::vector(f.upper.begin(), f.upper.begin() + 4), expected);
}

// Each re-sampled value is held for its group's columns, and the copied values say the same.
TEST(Frame, StaircaseHoldsEachValueForItsGroup) {
  struct Row {
    std::int32_t start;
    int factor;
    int groups;               // lines in the re-sampled file; line m holds m
    std::int64_t firstGroup;  // original index where the first drawn group starts
    std::size_t sticks;
  };
  const Row rows[] = {
      {0, 1, 30000, 0, 500},
      {50, 4, 7500, 52, 500},
      {0, 128, 235, 0, 512},
      {100, 128, 235, 128, 512},
      {20000, 2, 15000, 20000, 500},
      {20001, 2, 15000, 20002, 500},
      {16383, 128, 235, 16384, 512},
      {29900, 16, 1875, 29904, 96},
      {30000, 8, 3750, 0, 0},
      {4990, 2, 0, 0, 0},
      // A last, partial group reaches past the original's end.
      {29800, 128, 235, 29824, 256},
  };
  TempDir dir;
  const SampleFiles files{dir / "Org_txt.txt", dir / "Chg_txt.txt"};
  writeSamples(files.original, 30000, [](int i) { return 3 * i - 7000; });
  for (const Row& r : rows) {
    std::vector<std::string> values;
    for (int m = 0; m < r.groups; ++m) values.push_back(std::to_string(m));
    writeSamples(files.resampled, "16", values);
    common::LineIndex index;
    const std::string bytes = readFile(files.resampled);
    for (std::size_t pos = bytes.find("\r\n", bytes.find("\r\n") + 2) + 2, line = 0;
         pos < bytes.size(); ++line) {
      if (line % common::LineIndex::kStride == 0) index.offsets.push_back(pos);
      pos = bytes.find("\r\n", pos) + 2;
    }
    for (const common::LineIndex& used : {index, common::LineIndex{}, staleIndex()}) {
      const Display display{.format = kSixteenBit,
                            .resampledLines = used,
                            .staircase = Staircase{r.factor, pipeline::Method::FirstSample}};
      const Frame f = frameOf(display, files, r.start, 30000);
      const std::string what = std::to_string(r.start) + " / " + std::to_string(r.factor);
      ASSERT_EQ(f.lower.size(), r.sticks + 5) << what;
      for (std::size_t s = 0; s < r.sticks; ++s) {
        const std::int64_t i = r.firstGroup + static_cast<std::int64_t>(s);
        const Segment expected{float(i - r.start), 100, float(i - r.start),
                               sampleHeight(double(i / r.factor), 30000, true), kRed};
        ASSERT_EQ(f.lower[s], expected) << what << " stick " << s;
      }
      for (std::size_t x = 0; x < f.values.resampled.size(); ++x) {
        const std::int64_t i = r.start + static_cast<std::int64_t>(x);
        const bool red = r.sticks > 0 && i >= r.firstGroup && i / r.factor < r.groups;
        ASSERT_EQ(f.values.resampled[x], red ? std::optional<double>(i / r.factor) : std::nullopt)
            << what << " column " << x;
      }
    }
  }
}

TEST(Copy, TableHasAHeadingAHeaderAndARowPerSample) {
  const std::string header = "サンプル\t時間(ms)\tオリジナル\tサンプリング後\n";
  EXPECT_EQ(samplesTable({}, 44100, "h"), "h\n" + header);
  const ViewValues values{4096, {128, -3, 0.5}, {std::nullopt, -3, 1.25}};
  EXPECT_EQ(
      samplesTable(values, 8000, "a.wav"),
      "a.wav\n" + header + "4096\t512\t128\t\n4097\t512.125\t-3\t-3\n4098\t512.25\t0.5\t1.25\n");
  EXPECT_EQ(samplesTable({0, {1}, {std::nullopt}}, 0, "h"), "h\n" + header + "0\t\t1\t\n");
}

TEST(Labels, SayWhatMadeTheStaircase) {
  const Staircase quarter{4, pipeline::Method::FirstSample};
  EXPECT_EQ(staircaseLabel(quarter, 44100), "1/4（11025 Hz）、先頭データを使う");
  EXPECT_EQ(staircaseLabel({8, pipeline::Method::Average}, 22050), "1/8（2756 Hz）、平均値を使う");
  EXPECT_EQ(soundTitle("歌.mp3", 44100, quarter),
            "歌.mp3、44100 Hz、1/4（11025 Hz）、先頭データを使う");
  EXPECT_EQ(soundTitle("a.wav", 8000, std::nullopt), "a.wav、8000 Hz");
  EXPECT_EQ(pictureFileName("tone", 44100, quarter), "tone_11025Hz_先頭データを使う.png");
  EXPECT_EQ(pictureFileName("tone", 44100, std::nullopt), "tone_44100Hz.png");
  const Staircase fourBits{4, pipeline::Method::FirstSample, {4, true}};
  EXPECT_EQ(staircaseLabel(fourBits, 44100), "1/4（11025 Hz）、先頭データを使う、4 ビット、ディザ");
  EXPECT_EQ(pictureFileName("tone", 44100, fourBits), "tone_11025Hz_先頭データを使う_4bit.png");
  EXPECT_EQ(choiceTip(pipeline::Method::Average, fourBits),
            "サンプリングの方法：平均値を使う\n赤い階段：1/4 の周波数、先頭データを使う、4 "
            "ビット、ディザ");
  // A stick reaching into the top left corner sends the label to the top right.
  const std::vector<Segment> lower{{10, 100, 10, 0, kRed}, {0, 100, 500, 100, kBlack}};
  EXPECT_EQ(labelPlace(lower, 100, 12), (Box{397, 3, 100, 12}));
  EXPECT_EQ(labelPlace({}, 100, 12), (Box{3, 3, 100, 12}));
}

// A sine of `amplitude` about `centre` with `cycles` periods in every kSpectrumPoints samples
// of a sound of `points` samples per stretch: at the centre of bin `cycles`.
double sine(double centre, double amplitude, double cycles, int points, int i) {
  return centre + amplitude * std::sin(2 * M_PI * cycles * i / points);
}

TEST(Spectrum, FullScaleSineAtABinCentreReadsZeroDb) {
  struct Row {
    bool sixteen;
    int points;
    double bin;  // the tone's bin; none below 0
    double amplitude;
    double level;  // of the tone's bin, to 0.1 dB
  };
  const Row rows[] = {
      {true, 4096, 93, 32767, 0}, {true, 4096, 93, 16384, -6.0}, {true, 4096, 2047, 32767, 0},
      {false, 4096, 200, 127, 0}, {false, 4096, 3, 127, 0},      {true, 32, 5, 32767, 0},
      {false, 512, 255, 127, 0},  {true, 4096, -1, 0, kFloorDb}, {false, 4096, -1, 0, kFloorDb},
  };
  for (const Row& r : rows) {
    const double centre = r.sixteen ? 0 : 128;
    std::vector<double> values(static_cast<std::size_t>(r.points));
    for (int i = 0; i < r.points; ++i)
      values[static_cast<std::size_t>(i)] =
          std::round(sine(centre, r.amplitude, std::max(r.bin, 0.0), r.points, i));
    const SoundSpectrum s = soundSpectrum(values, 8000, r.sixteen);
    const std::string what = std::to_string(r.points) + " bin " + std::to_string(r.bin);
    ASSERT_EQ(s.levels.size(), static_cast<std::size_t>(r.points / 2 + 1)) << what;
    if (r.bin < 0) {
      EXPECT_FALSE(s.peak) << what;
      EXPECT_EQ(s.levels, std::vector<double>(s.levels.size(), kFloorDb)) << what;
      continue;
    }
    const auto bin = static_cast<std::size_t>(r.bin);
    EXPECT_NEAR(s.levels[bin], r.level, 0.1) << what;
    ASSERT_TRUE(s.peak) << what;
    EXPECT_EQ(s.peak->bin, bin) << what;
    EXPECT_NEAR(s.peak->frequency, s.frequencyOf(bin), 1e-3) << what;
    EXPECT_NEAR(s.peak->level, r.level, 0.1) << what;
    EXPECT_LT(s.levels[bin > 8 ? bin - 8 : bin + 8], r.level - 60) << what;
  }
  // A constant offset stays in bins 0 and 1, which are no peak.
  const SoundSpectrum offset = soundSpectrum(std::vector<double>(4096, 160), 8000, false);
  EXPECT_NEAR(offset.levels[0], -6.02, 0.01);
  EXPECT_FALSE(offset.peak);
}

// Both sounds read through the display model from Start_Pos on, the re-sampled one written by
// the pipeline with the first sample of each group.
TEST(Spectrum, PeaksAndTheFoldOfAToneFromTheFiles) {
  struct Row {
    double rate;
    bool sixteen;
    int factor;
    double bin;  // the tone, at this bin's centre
    std::int32_t start;
    std::size_t originalPeak;
    std::size_t resampledPeak;
    const char* folded;  // the folded mark's label, "" for none
  };
  const int count = 20000;
  // clang-format off
  const Row rows[] = {
      {44100, true, 1, 93, 0, 93, 93, ""},
      {44100, true, 4, 666, 0, 666, 358, "折り返し：3854 Hz"},
      {44100, true, 8, 93, 9000, 93, 93, ""},
      {44100, true, 128, 666, 5000, 666, 6, "折り返し：65 Hz"},
      {44100, true, 2, 300, count - 1000, 300, 300, ""},
      {8000, false, 2, 100, 0, 100, 100, ""},
      {8000, false, 16, 200, 4097, 200, 56, "折り返し：109 Hz"},
  };
  // clang-format on
  TempDir dir;
  const SampleFiles files{dir / "Org_txt.txt", dir / "Chg_txt.txt"};
  for (const Row& r : rows) {
    const std::string what = std::to_string(r.factor) + " bin " + std::to_string(r.bin);
    writeSamples(
        files.original, count,
        [&](int i) {
          return std::lround(sine(r.sixteen ? 0 : 128, r.sixteen ? 16000 : 100, r.bin, 4096, i));
        },
        r.sixteen ? "16" : "8");
    const auto scan = scanOriginal(files.original, r.sixteen);
    ASSERT_TRUE(scan);
    const auto written = pipeline::resample(files.original, files.resampled, r.factor,
                                            pipeline::Method::FirstSample, [] { return true; });
    ASSERT_EQ(written.error, pipeline::ResampleError::None);
    const Display display{.format = {r.rate, r.sixteen},
                          .originalLines = scan->index,
                          .resampledLines = written.index,
                          .staircase = Staircase{r.factor, pipeline::Method::FirstSample}};
    const Spectrum s = spectrumOf(display, files, r.start);
    ASSERT_EQ(s.original.levels.size(), 2049u) << what;
    ASSERT_TRUE(s.original.peak) << what;
    EXPECT_EQ(s.original.peak->bin, r.originalPeak) << what;
    ASSERT_TRUE(s.resampled) << what;
    EXPECT_EQ(s.resampled->points, 4096 / r.factor) << what;
    EXPECT_EQ(s.resampled->rate, r.rate / r.factor) << what;
    ASSERT_TRUE(s.resampled->peak) << what;
    EXPECT_EQ(s.resampled->peak->bin, r.resampledPeak) << what;
    EXPECT_EQ(s.limit(), r.rate / r.factor / 2) << what;
    EXPECT_EQ(s.folded ? foldedLabel(s.folded->frequency) : "", r.folded) << what;
    if (s.folded) EXPECT_EQ(s.folded->bin, r.resampledPeak) << what;
  }
  const Spectrum alone = spectrumOf({.format = {8000, true}}, files, 0);
  EXPECT_FALSE(alone.resampled);
  EXPECT_EQ(alone.limit(), 4000);
}

// With fewer bits the error text is read over the re-sampled stretch: each value the group's
// first original sample less its quantized one, around the zero line.
TEST(Spectrum, TheQuantizationErrorOverTheResampledStretch) {
  struct Row {
    double rate;
    bool sixteen;
    int factor;
    int bits;
    std::int32_t start;
  };
  const Row rows[] = {{44100, true, 4, 8, 5000}, {8000, false, 2, 4, 4097}};
  const int count = 20000;
  TempDir dir;
  const SampleFiles files{dir / "Org_txt.txt", dir / "Chg_txt.txt", dir / "Err_txt.txt"};
  for (const Row& r : rows) {
    const std::string what = std::to_string(r.bits) + " bits";
    const double centre = r.sixteen ? 0 : 128;
    const auto value = [&](std::int64_t i) {
      return std::lround(sine(centre, r.sixteen ? 16000 : 100, 93, 4096, static_cast<int>(i)));
    };
    writeSamples(files.original, count, value, r.sixteen ? "16" : "8");
    const auto scan = scanOriginal(files.original, r.sixteen);
    ASSERT_TRUE(scan);
    const pipeline::Quantization quantization{r.bits, false};
    const auto written = pipeline::resample(
        files.original, files.resampled, r.factor, pipeline::Method::FirstSample,
        [] { return true; }, quantization, files.error);
    ASSERT_EQ(written.error, pipeline::ResampleError::None) << what;
    Display display{.format = {r.rate, r.sixteen},
                    .originalLines = scan->index,
                    .resampledLines = written.index,
                    .errorLines = written.errorIndex,
                    .staircase = Staircase{r.factor, pipeline::Method::FirstSample, quantization,
                                           written.snrDb}};
    const Spectrum s = spectrumOf(display, files, r.start);
    ASSERT_TRUE(s.resampled && s.error) << what;
    const std::int64_t first = r.start / r.factor;
    const int points = kSpectrumPoints / r.factor;
    const std::vector<double> after = sampleLines(files.resampled, written.index, first, points);
    ASSERT_EQ(after.size(), static_cast<std::size_t>(points)) << what;
    std::vector<double> error(after.size());
    for (std::size_t j = 0; j < after.size(); ++j)
      error[j] = static_cast<double>(value((first + static_cast<std::int64_t>(j)) * r.factor)) -
                 after[j] + centre;
    const SoundSpectrum expected = soundSpectrum(error, r.rate / r.factor, r.sixteen);
    EXPECT_EQ(s.error->rate, s.resampled->rate) << what;
    EXPECT_EQ(s.error->levels, expected.levels) << what;
    ASSERT_TRUE(s.resampled->peak) << what;
    EXPECT_LT(*std::max_element(s.error->levels.begin(), s.error->levels.end()),
              s.resampled->peak->level - 20)
        << what;
    EXPECT_EQ(s.snr, pipeline::snrLabel(written.snrDb, r.bits)) << what;
    EXPECT_TRUE(spectrumTable(s).starts_with(
        "周波数(Hz)\tオリジナル(dB)\tサンプリング後(dB)\t量子化誤差(dB)\n"))
        << what;

    const Spectrum noErrorText = spectrumOf(display, {files.original, files.resampled}, r.start);
    EXPECT_FALSE(noErrorText.error) << what;
    EXPECT_EQ(noErrorText.snr, s.snr) << what;
    display.staircase->quantization = {};
    const Spectrum allBits = spectrumOf(display, files, r.start);
    EXPECT_FALSE(allBits.error) << what;
    EXPECT_EQ(allBits.snr, "") << what;
    EXPECT_TRUE(
        spectrumTable(allBits).starts_with("周波数(Hz)\tオリジナル(dB)\tサンプリング後(dB)\n"))
        << what;
  }
}

TEST(Spectrum, FoldedFrequencyBelowAtAndAboveTheNewLimit) {
  // clang-format off
  struct Row { double tone; double folded; };  // in units of the new rate
  const Row relative[] = {
      {0, 0}, {0.25, 0.25}, {0.4999, 0.4999}, {0.5, 0.5}, {0.5001, 0.4999}, {0.75, 0.25},
      {1, 0}, {1.3, 0.3}, {2.6, 0.4}, {127.9, 0.1},
  };
  // clang-format on
  for (int factor = 1; factor <= 128; ++factor) {
    const double rate = 44100.0 / factor;
    for (const Row& r : relative)
      EXPECT_NEAR(foldedFrequency(r.tone * rate, rate), r.folded * rate, 1e-9 * rate)
          << factor << " " << r.tone;
  }
  // clang-format off
  struct Hertz { double tone, rate, folded; };
  const Hertz rows[] = {
      {7166, 11025, 3859}, {30000, 44100, 14100}, {2500, 4000, 1500}, {5512.5, 11025, 5512.5},
      {22050, 344.53125, 0}, {1000, 344.53125, 33.59375}, {-300, 8000, 300},
  };
  // clang-format on
  for (const Hertz& r : rows) EXPECT_EQ(foldedFrequency(r.tone, r.rate), r.folded) << r.tone;
}

TEST(Spectrum, LabelTexts) {
  // clang-format off
  struct Row { std::string text; const char* expected; };
  const Row rows[] = {
      {peakLabel(440.4), "440 Hz"}, {peakLabel(440.5), "441 Hz"}, {peakLabel(0), "0 Hz"},
      {peakLabel(21999.7), "22000 Hz"},
      {foldedLabel(3859.2), "折り返し：3859 Hz"}, {foldedLabel(3854.44), "折り返し：3854 Hz"},
      {nyquistLabel(22050), "ナイキスト周波数 22050 Hz"},
      {nyquistLabel(5512.5), "ナイキスト周波数 5512.5 Hz"},
      {nyquistLabel(2756.25), "ナイキスト周波数 2756.3 Hz"},
      {nyquistLabel(172.265625), "ナイキスト周波数 172.3 Hz"},
      {nyquistLabel(4000), "ナイキスト周波数 4000 Hz"},
      {nyquistLabel(3999.96), "ナイキスト周波数 4000 Hz"},
  };
  // clang-format on
  for (const Row& r : rows) EXPECT_EQ(r.text, r.expected);
}

TEST(Spectrum, CopyHasARowPerOriginalBin) {
  Spectrum s;
  s.original = {.rate = 8, .points = 8, .levels = {-120, -3.25, 0, -60.04, -120}};
  EXPECT_EQ(spectrumTable(s),
            "周波数(Hz)\tオリジナル(dB)\tサンプリング後(dB)\n0\t-120.0\t\n1\t-3.3\t\n2\t0.0\t\n"
            "3\t-60.0\t\n4\t-120.0\t\n");
  s.resampled = SoundSpectrum{.rate = 4, .points = 4, .levels = {-120, -6.02, -0.96}};
  EXPECT_EQ(spectrumTable(s),
            "周波数(Hz)\tオリジナル(dB)\tサンプリング後(dB)\n0\t-120.0\t-120.0\n1\t-3.3\t-6.0\n"
            "2\t0.0\t-1.0\n3\t-60.0\t\n4\t-120.0\t\n");

  // At 1/4 of 44100 Hz: 2049 rows, of which the first 513 reach up to the new limit.
  s.original = {.rate = 44100, .points = 4096, .levels = std::vector<double>(2049, -50)};
  s.resampled = SoundSpectrum{.rate = 11025, .points = 1024, .levels = std::vector(513, -70.0)};
  const std::string table = spectrumTable(s);
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = table.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(table.substr(at, end - at));
  ASSERT_EQ(lines.size(), 2050u);
  EXPECT_EQ(lines[2], "10.77\t-50.0\t-70.0");
  EXPECT_EQ(lines[513], "5512.5\t-50.0\t-70.0");
  EXPECT_EQ(lines[514], "5523.27\t-50.0\t");
  EXPECT_EQ(lines[2049], "22050\t-50.0\t");

  // The error's levels beside the re-sampled ones, empty above the same limit.
  s.original = {.rate = 8, .points = 8, .levels = {-120, -3.25, 0, -60.04, -120}};
  s.resampled = SoundSpectrum{.rate = 4, .points = 4, .levels = {-120, -6.02, -0.96}};
  s.error = SoundSpectrum{.rate = 4, .points = 4, .levels = {-80, -41.26, -55}};
  EXPECT_EQ(spectrumTable(s),
            "周波数(Hz)\tオリジナル(dB)\tサンプリング後(dB)\t量子化誤差(dB)\n"
            "0\t-120.0\t-120.0\t-80.0\n1\t-3.3\t-6.0\t-41.3\n2\t0.0\t-1.0\t-55.0\n"
            "3\t-60.0\t\t\n4\t-120.0\t\t\n");
}

TEST(Spectrum, AxisTicks) {
  struct Row {
    double top;
    int most;
    std::vector<std::string> captions;
  };
  const Row rows[] = {
      {22050,
       12,
       {"0", "2000", "4000", "6000", "8000", "10000", "12000", "14000", "16000", "18000", "20000",
        "22000"}},
      {22050, 11, {"0", "5000", "10000", "15000", "20000"}},
      {5512.5, 10, {"0", "1000", "2000", "3000", "4000", "5000"}},
      {172.265625, 10, {"0", "20", "40", "60", "80", "100", "120", "140", "160"}},
      {0.5, 6, {"0", "0.1", "0.2", "0.3", "0.4", "0.5"}},
      {4000, 1, {"0"}},
      {0, 5, {"0"}},
  };
  for (const Row& r : rows) {
    std::vector<std::string> captions;
    for (const AxisTick& tick : frequencyTicks(r.top, r.most)) {
      EXPECT_EQ(common::leadingNumber(tick.caption), tick.value) << tick.caption;
      captions.push_back(tick.caption);
    }
    EXPECT_EQ(captions, r.captions) << r.top << " " << r.most;
  }
  std::vector<std::string> levels;
  for (const AxisTick& tick : levelTicks()) levels.push_back(tick.caption);
  EXPECT_EQ(levels, (std::vector<std::string>{"0", "-20", "-40", "-60", "-80", "-100", "-120"}));
}

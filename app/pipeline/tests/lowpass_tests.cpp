#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "pipeline/lowpass.h"
#include "pipeline/resample.h"
#include "testkit/files.h"

using namespace varno::pipeline;
using namespace varno::testkit;

namespace {

const std::function<bool()> kAlways = [] { return true; };

// Re-samples `samples` under the bits line `bits` with the low-pass method and returns the
// written sample lines.
std::vector<std::string> lowPassLines(const std::string& bits, int factor,
                                      const std::vector<std::string>& samples) {
  TempDir dir;
  std::string original = crlf({"44100", bits});
  for (const auto& s : samples) original += s + "\r\n";
  writeFile(dir / "Org_txt.txt", original);
  const auto result =
      resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", factor, Method::LowPass, kAlways);
  EXPECT_EQ(result.error, ResampleError::None);
  const std::string written = readFile(dir / "Chg_txt.txt");
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = written.find("\r\n", at)) != std::string::npos; at = end + 2)
    lines.push_back(written.substr(at, end - at));
  EXPECT_GE(lines.size(), 2u);
  EXPECT_EQ(lines.at(0), resampledRateLine("44100", factor));
  EXPECT_EQ(lines.at(1), bits);
  lines.erase(lines.begin(), lines.begin() + 2);
  EXPECT_EQ(result.samplesWritten, static_cast<std::int64_t>(lines.size()));
  return lines;
}

std::vector<int> lowPassValues(const std::string& bits, int factor,
                               const std::vector<int>& samples) {
  std::vector<std::string> texts;
  for (int s : samples) texts.push_back(std::to_string(s));
  std::vector<int> values;
  for (const auto& line : lowPassLines(bits, factor, texts)) values.push_back(std::stoi(line));
  return values;
}

}  // namespace

// Where a filter would show only as rounding error, the output must be exact: factor 1
// copies the lines, and a constant stays that constant up to both ends (held edges) in
// ceil(N / factor) outputs, the partial last group included.
TEST(LowPass, CopiesAndConstantsComeOutExact) {
  struct Row {
    const char* bits;
    int factor;
    std::vector<std::string> samples;
    std::vector<std::string> expected;
  };
  const auto times = [](int n, const char* value) { return std::vector<std::string>(n, value); };
  const Row rows[] = {
      {"16", 1, {" 5", "abc", "", "-0", "7x"}, {" 5", "abc", "", "-0", "7x"}},
      {"16", 4, times(23, "32767"), times(6, "32767")},
      {"16", 128, times(257, "-32768"), times(3, "-32768")},
      {"16", 2, times(3, "-1234"), times(2, "-1234")},
      {"16", 128, times(1, "7"), times(1, "7")},
      {"16", 4, {}, {}},
      {"8", 2, times(9, "255"), times(5, "255")},
      {"8", 8, times(17, "0"), times(3, "0")},
      {"8", 128, times(300, "128"), times(3, "128")},
      // A value beyond the bits' range comes out as its limit.
      {"8", 2, times(5, "999"), times(3, "255")},
  };
  for (const Row& r : rows)
    EXPECT_EQ(lowPassLines(r.bits, r.factor, r.samples), r.expected)
        << r.bits << " bits, factor " << r.factor << ", " << r.samples.size() << " samples";
}

// A step through a middle sample at p = 9·factor, mirrored around it: output 9 must stand
// for sample p exactly, so it gets the middle value and the outputs on either side mirror
// each other. One sample of delay either way breaks both.
TEST(LowPass, OutputStandsForTheFirstSampleOfItsGroup) {
  struct Row {
    const char* bits;
    int factor;
    int low, middle, high;
  };
  const Row rows[] = {{"16", 2, -20000, 0, 20000},
                      {"16", 4, -20000, 0, 20000},
                      {"16", 128, -20000, 0, 20000},
                      {"8", 4, 28, 128, 228},
                      {"8", 128, 28, 128, 228}};
  for (const Row& r : rows) {
    const int p = 9 * r.factor;
    std::vector<int> samples(2 * p + 1, r.low);
    samples[p] = r.middle;
    std::fill(samples.begin() + p + 1, samples.end(), r.high);

    const std::vector<int> out = lowPassValues(r.bits, r.factor, samples);
    SCOPED_TRACE(std::string(r.bits) + " bits, factor " + std::to_string(r.factor));
    ASSERT_EQ(out.size(), 19u);
    EXPECT_EQ(out[9], r.middle);
    EXPECT_LT(out[8], r.middle);
    EXPECT_GT(out[10], r.middle);
    for (int k = 1; k <= 9; ++k) EXPECT_EQ(out[9 - k] - r.middle, r.middle - out[9 + k]) << k;
    EXPECT_EQ(out.front(), r.low);
    EXPECT_EQ(out.back(), r.high);
  }
}

// A symmetric filter with unit gain passes a straight line unchanged, so away from the held
// ends every output is the ramp's value at its sample, over many blocks of outputs.
TEST(LowPass, RampPassesUnchangedAwayFromTheEnds) {
  std::vector<int> ramp(60000);
  for (int i = 0; i < 60000; ++i) ramp[i] = i - 30000;
  for (int factor : {2, 4, 128}) {
    const std::vector<int> out = lowPassValues("16", factor, ramp);
    ASSERT_EQ(out.size(), static_cast<std::size_t>((60000 + factor - 1) / factor));
    // The filter's reach is a whole number of groups, so `sample` stays a group's first.
    const int reach = kLowPassHalfPeriods * factor;
    for (int sample = reach; sample + reach < 60000; sample += factor)
      ASSERT_EQ(out[sample / factor], ramp[sample]) << "factor " << factor << ", sample " << sample;
  }
}

// A full-scale square wave rings past both limits after each edge; the outputs must stop
// at the limits of the bits' range.
TEST(LowPass, OvershootIsClampedToTheBitRange) {
  struct Row {
    const char* bits;
    int factor;
    int low, high;
  };
  const Row rows[] = {
      {"16", 2, -32768, 32767}, {"16", 128, -32768, 32767}, {"8", 4, 0, 255}, {"8", 128, 0, 255}};
  for (const Row& r : rows) {
    std::vector<int> samples;
    for (int half = 0; half < 8; ++half)
      samples.insert(samples.end(), 6 * r.factor, half % 2 ? r.high : r.low);

    const std::vector<int> out = lowPassValues(r.bits, r.factor, samples);
    ASSERT_EQ(out.size(), 48u);
    EXPECT_EQ(*std::min_element(out.begin(), out.end()), r.low)
        << r.bits << " bits, factor " << r.factor;
    EXPECT_EQ(*std::max_element(out.begin(), out.end()), r.high)
        << r.bits << " bits, factor " << r.factor;
  }
}

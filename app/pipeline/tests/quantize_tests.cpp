#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "pipeline/quantize.h"
#include "pipeline/resample.h"
#include "testkit/files.h"

using namespace varno::pipeline;
using namespace varno::testkit;
namespace fs = std::filesystem;

namespace {

const std::function<bool()> kAlways = [] { return true; };
const SampleRange k16 = sampleRangeOf("16");
const SampleRange k8 = sampleRangeOf("8");

// A sample text of the two header lines and `samples`.
std::string sampleText(const std::string& rate, const std::string& bits,
                       const std::vector<std::string>& samples) {
  std::vector<std::string> lines = {rate, bits};
  lines.insert(lines.end(), samples.begin(), samples.end());
  return crlf(lines);
}

}  // namespace

TEST(Quantize, MidTreadHalvesAwayFromZeroClampedToTheGrid) {
  struct Row {
    bool sixteenBit;
    int bits;
    double value;
    std::int64_t quantized;
    std::int64_t error;  // as the error text holds it
  };
  // clang-format off
  const Row rows[] = {
      {true,  1,  32767,  0,      32767},  {true,  1, -32768, -32768, 0},
      {true,  1,  16383,  0,      16383},  {true,  1, -16384, -32768, 16384},
      {true,  4,   2048,  4096,  -2048},   {true,  4,  -2048, -4096,  2048},
      {true,  4,   2047,  0,      2047},   {true,  4,  -2047,  0,    -2047},
      {true,  8,    128,  256,   -128},    {true,  8,   -128, -256,   128},
      {true, 12,  32767,  32752,  15},     {true, 12,  40000,  32752,  15},
      {true, 12, -40000, -32768,  0},      {true, 15,      1,  2,     -1},
      {true, 15,     -1, -2,      1},      {true, 16,    2.5,  3,     -1},
      {true, 16,   -2.5, -3,      1},      {true, 16,  1e300,  32767,  0},
      {false, 1,    255,  128,    255},    {false, 1,      0,  0,      128},
      {false, 4,    136,  144,    120},    {false, 4,    120,  112,    136},
      {false, 4,    135,  128,    135},    {false, 4,    300,  240,    143},
      {false, 8,    201,  201,    128},    {false, 12,   201,  201,    128},
  };
  // clang-format on
  for (const Row& r : rows) {
    Quantizer q({.bits = r.bits}, r.sixteenBit ? k16 : k8);
    const Quantized got = r.value == std::floor(r.value) && std::fabs(r.value) < 1e6
                              ? q(static_cast<std::int64_t>(r.value))
                              : q(r.value);
    EXPECT_EQ(got.value, r.quantized) << r.bits << " bits, " << r.value;
    EXPECT_EQ(got.error, r.error) << r.bits << " bits, " << r.value;
  }
  // The ends of the range: the lowest is on every grid, the highest goes to its top step.
  for (int bits = 1; bits <= 15; ++bits) {
    const std::int64_t step16 = std::int64_t{1} << (16 - bits);
    const std::int64_t step8 = std::int64_t{1} << (8 - std::min(bits, 8));
    for (const bool whole : {true, false}) {
      Quantizer q16({.bits = bits}, k16), q8({.bits = bits}, k8);
      const auto at = [whole](Quantizer& q, std::int64_t v) {
        return whole ? q(v).value : q(static_cast<double>(v)).value;
      };
      EXPECT_EQ(at(q16, -32768), -32768) << bits;
      EXPECT_EQ(at(q16, 32767), 32768 - step16) << bits;
      EXPECT_EQ(at(q8, 0), 0) << bits;
      EXPECT_EQ(at(q8, 255), 256 - step8) << bits;
    }
  }
}

// TPDF dither of ±1 step: the same values every run, still on the grid, and an error whose
// power is a step²/12 of rounding plus a step²/6 of noise.
TEST(Quantize, DitherIsFixedOnTheGridAndTriangular) {
  std::vector<std::int64_t> first;
  for (int run = 0; run < 2; ++run) {
    Quantizer q({.bits = 8, .dither = true}, k16);
    std::vector<std::int64_t> values;
    double errorPower = 0;
    constexpr int kCount = 200000;
    for (int i = 0; i < kCount; ++i) {
      // Whole and fractional values take the same noise, in the same order.
      const std::int64_t v = (i * 7919) % 60001 - 30000;
      const Quantized got = i % 2 ? q(v) : q(static_cast<double>(v));
      EXPECT_EQ(got.value % 256, 0) << v;
      errorPower += static_cast<double>((v - got.value) * (v - got.value));
      values.push_back(got.value);
    }
    EXPECT_NEAR(std::sqrt(errorPower / kCount), 256 / 2.0, 2.0);
    if (run == 0) first = values;
    EXPECT_EQ(values, first);
  }
  // The noise itself is pinned, so that a dithered file is the same wherever it is written.
  Quantizer q({.bits = 4, .dither = true}, k16);
  std::vector<std::int64_t> zeros;
  for (int i = 0; i < 8; ++i) zeros.push_back(q(std::int64_t{0}).value);
  EXPECT_EQ(zeros, (std::vector<std::int64_t>{0, -4096, 0, -4096, 0, 0, 0, 0}));
}

// The largest sine an N-bit grid holds without clipping: within 0.5 dB of 6.02·N + 1.76,
// less the sine's level below 2^(N-1) steps.
TEST(Quantize, SineSnrMeetsTheTheory) {
  for (const int bits : {4, 8, 12}) {
    const double step = std::ldexp(1, 16 - bits);
    const double amplitude = 32768 - step;
    Quantizer q({.bits = bits}, k16);
    for (int i = 0; i < 5 * 44100; ++i)
      q(static_cast<std::int64_t>(std::round(amplitude * std::sin(2 * M_PI * 997 * i / 44100))));
    EXPECT_NEAR(q.snrDb(), theoreticalSnrDb(bits) + 20 * std::log10(amplitude / 32768), 0.5)
        << bits;
  }
  Quantizer onGrid({.bits = 12}, k16);
  onGrid(std::int64_t{4096});
  EXPECT_EQ(onGrid.snrDb(), std::numeric_limits<double>::infinity());
}

TEST(Resample, QuantizedValuesAndTheirErrors) {
  struct Row {
    std::string bits;
    int factor;
    Method method;
    Quantization quantization;
    std::vector<std::string> samples;
    std::vector<std::string> values;
    std::vector<std::string> errors;
  };
  // clang-format off
  const Row rows[] = {
      // A full-scale square wave keeps its shape on the coarse grid.
      {"16", 1, Method::FirstSample, {4}, {"32767", "32767", "-32768", "-32768"},
       {"28672", "28672", "-32768", "-32768"}, {"4095", "4095", "0", "0"}},
      // Copied lines are read as their numbers.
      {"16", 2, Method::FirstSample, {4}, {" 2048", "9", "2.5", "9", "abc"},
       {"4096", "0", "0"}, {"-2048", "3", "0"}},
      {"16", 2, Method::Average, {12}, {"10", "13", "-10", "-13"}, {"16", "-16"}, {"-4", "4"}},
      {"16 bits", 1, Method::LowPass, {8}, {"-129", "127"}, {"-256", "0"}, {"127", "127"}},
      {"16", 2, Method::LowPass, {8}, {"1000", "1000", "1000"}, {"1024", "1024"}, {"-24", "-24"}},
      {"8", 2, Method::FirstSample, {4}, {"136", "0", "255", "0", "127"},
       {"144", "240", "128"}, {"120", "143", "127"}},
      {"16", 4, Method::Average, {6}, {"1", "2"}, {}, {}},
  };
  // clang-format on
  TempDir dir;
  for (const Row& r : rows) {
    writeFile(dir / "Org_txt.txt", sampleText("44100", r.bits, r.samples));
    const auto result = resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", r.factor, r.method,
                                 kAlways, r.quantization, dir / "Err_txt.txt");
    ASSERT_EQ(result.error, ResampleError::None) << r.bits << " " << r.samples.size();
    const std::string rate = resampledRateLine("44100", r.factor);
    EXPECT_EQ(readFile(dir / "Chg_txt.txt"), sampleText(rate, r.bits, r.values)) << r.samples[0];
    EXPECT_EQ(readFile(dir / "Err_txt.txt"), sampleText(rate, r.bits, r.errors)) << r.samples[0];
    EXPECT_EQ(result.samplesWritten, static_cast<std::int64_t>(r.values.size()));
    EXPECT_TRUE(result.snrDb.has_value());
  }
  // The index notes the quantized lines as it notes plain ones.
  std::vector<std::string> samples;
  for (int i = 0; i < 3 * 4096 * 2 + 5; ++i) samples.push_back(std::to_string(i - 20000));
  writeFile(dir / "Org_txt.txt", sampleText("44100", "16", samples));
  const auto result = resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", 2, Method::FirstSample,
                               kAlways, {.bits = 12}, dir / "Err_txt.txt");
  ASSERT_EQ(result.index.offsets.size(), 4u);
  const std::string written = readFile(dir / "Chg_txt.txt");
  for (std::size_t k = 0; k < 4; ++k) {
    // Sample 2·4096·k on the grid of 16: halves away from zero.
    const std::int64_t first = static_cast<std::int64_t>(k) * 4096 * 2 - 20000;
    const std::int64_t quantized = (first + (first >= 0 ? 8 : -8)) / 16 * 16;
    const std::string line = std::to_string(quantized) + "\r\n";
    EXPECT_EQ(written.substr(result.index.offsets[k], line.size()), line) << k;
  }
}

// Bits 0 is the original's: the files and the result are as without quantization, dither or
// not, and no error text is made.
TEST(Resample, OriginalBitsWriteWhatTheyAlwaysDid) {
  TempDir dir;
  std::vector<std::string> samples;
  for (int i = 0; i < 3000; ++i) samples.push_back(std::to_string((i * 37) % 2001 - 1000));
  samples.push_back(" 2.5x");
  writeFile(dir / "Org_txt.txt", sampleText("44100", "16", samples));
  for (const Method method : {Method::FirstSample, Method::Average, Method::LowPass}) {
    for (const int factor : {1, 4}) {
      ASSERT_EQ(resample(dir / "Org_txt.txt", dir / "Plain.txt", factor, method, kAlways).error,
                ResampleError::None);
      const auto result = resample(dir / "Org_txt.txt", dir / "Chg_txt.txt", factor, method,
                                   kAlways, {.bits = 0, .dither = true}, dir / "Err_txt.txt");
      ASSERT_EQ(result.error, ResampleError::None);
      EXPECT_EQ(readFile(dir / "Chg_txt.txt"), readFile(dir / "Plain.txt")) << factor;
      EXPECT_FALSE(result.snrDb.has_value());
      EXPECT_FALSE(fs::exists(dir / "Err_txt.txt"));
    }
  }
}

// A run that is refused, fails or is cancelled leaves both files as they were.
TEST(Resample, QuantizedFailuresKeepBothPreviousFiles) {
  TempDir dir;
  const std::string previous = sampleText("22050", "16", {"1"});
  writeFile(dir / "Chg_txt.txt", previous);
  writeFile(dir / "Err_txt.txt", previous);
  std::vector<std::string> samples(3'000'000, "-12345");
  writeFile(dir / "Org_txt.txt", sampleText("44100", "16", samples));
  const fs::path org = dir / "Org_txt.txt", chg = dir / "Chg_txt.txt", err = dir / "Err_txt.txt";
  int asked = 0;
  const auto cancel = [&] {
    ++asked;
    return false;
  };
  EXPECT_EQ(resample(org, chg, 2, Method::Average, cancel, {.bits = 8, .dither = true}, err).error,
            ResampleError::Cancelled);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(resample(org, chg, 2, Method::Average, kAlways, {.bits = 17}, err).error,
            ResampleError::CannotWrite);
  EXPECT_EQ(resample(org, chg, 2, Method::Average, kAlways, {.bits = -1}, err).error,
            ResampleError::CannotWrite);
  EXPECT_EQ(resample(org, chg, 2, Method::Average, kAlways, {.bits = 8}, {}).error,
            ResampleError::CannotWrite);
  EXPECT_EQ(resample(org, chg, 2, Method::Average, kAlways, {.bits = 8}, dir / "no" / "e").error,
            ResampleError::CannotWrite);
  EXPECT_EQ(readFile(chg), previous);
  EXPECT_EQ(readFile(err), previous);
  EXPECT_EQ(fileNames(dir.path()),
            (std::set<std::string>{"Chg_txt.txt", "Err_txt.txt", "Org_txt.txt"}));
}

TEST(Quantize, WordsTheWindowShows) {
  EXPECT_EQ(offeredBits(true), (std::vector<int>{12, 10, 8, 6, 4, 3, 2, 1}));
  EXPECT_EQ(offeredBits(false), (std::vector<int>{8, 6, 4, 3, 2, 1}));
  // clang-format off
  struct Row { Quantization quantization; const char* bits; const char* label; const char* item; };
  const Row rows[] = {
      {{0},        "",          "",                  "元のまま"},
      {{0, true},  "",          "",                  "元のまま"},
      {{4},        "4 ビット",  "、4 ビット",        "4 ビット"},
      {{12, true}, "12 ビット", "、12 ビット、ディザ", "12 ビット"},
  };
  // clang-format on
  for (const Row& r : rows) {
    EXPECT_EQ(bitsLabel(r.quantization.bits), r.bits);
    EXPECT_EQ(quantizationLabel(r.quantization), r.label);
    EXPECT_EQ(bitsMenuItem(r.quantization.bits), r.item);
  }
  EXPECT_EQ(snrLabel(25.849, 4), "SN 比 25.8 dB（理論値 25.8 dB）");
  EXPECT_EQ(snrLabel(49.0, 8), "SN 比 49.0 dB（理論値 49.9 dB）");
  EXPECT_EQ(snrLabel(std::numeric_limits<double>::infinity(), 12), "SN 比 ∞（理論値 74.0 dB）");
  EXPECT_EQ(snrLabel(std::nullopt, 8), "");
}

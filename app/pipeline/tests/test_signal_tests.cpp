#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "pipeline/test_signal.h"
#include "testkit/files.h"
#include "testkit/wave.h"

using namespace varno::pipeline;
using namespace varno::testkit;

namespace {

// The times, in seconds, where the samples cross their centre going up, each found between
// two samples by a straight line.
std::vector<double> risingCrossings(const SignalSettings& settings) {
  const std::vector<std::int16_t> samples = signalSamples(settings);
  const double zero = settings.bits == 8 ? 128 : 0;
  std::vector<double> times;
  for (std::size_t i = 1; i < samples.size(); ++i) {
    const double a = samples[i - 1] - zero, b = samples[i] - zero;
    if (a < 0 && b >= 0) times.push_back((static_cast<double>(i) - b / (b - a)) / settings.rate);
  }
  return times;
}

}  // namespace

// A tone above half the rate comes out at its alias: that is what the lesson shows.
TEST(TestSignal, FrequencyFromTheFirstZeroCrossings) {
  struct Row {
    Waveform waveform;
    double frequency;
    int rate;
    int bits;
    double heard;
  };
  // clang-format off
  const Row rows[] = {
      {Waveform::Sine,     1000,  44100, 16, 1000},
      {Waveform::Sine,     440.5, 8000,  8,  440.5},
      {Waveform::Sine,     30000, 44100, 16, 14100},
      {Waveform::Square,   1000,  44100, 16, 1000},
      {Waveform::Square,   250,   96000, 8,  250},
      {Waveform::Sawtooth, 1000,  44100, 16, 1000},
      {Waveform::Sawtooth, 3000,  48000, 8,  3000},
  };
  // clang-format on
  for (const Row& r : rows) {
    const SignalSettings settings{.waveform = r.waveform,
                                  .frequency = r.frequency,
                                  .amplitude = 1,
                                  .rate = r.rate,
                                  .bits = r.bits,
                                  .seconds = 0.5};
    const std::vector<double> crossings = risingCrossings(settings);
    ASSERT_GE(crossings.size(), 41u);
    EXPECT_NEAR(40 / (crossings[40] - crossings[0]), r.heard, r.heard * 0.002) << r.frequency;
    // Phase 0: the sine and the sawtooth start on the centre going up, the square at its top.
    const std::vector<std::int16_t> samples = signalSamples(settings);
    const int zero = r.bits == 8 ? 128 : 0, top = r.bits == 8 ? 255 : 32767;
    EXPECT_EQ(samples[0], r.waveform == Waveform::Square ? top : zero) << r.frequency;
    if (r.heard == r.frequency) {
      EXPECT_GT(samples[1], zero) << r.frequency;
    }
    if (r.waveform != Waveform::Sine) continue;
    // Each sine sample is the nearest whole number to the true sine.
    const double scale = r.bits == 8 ? 127 : 32767;
    double worst = 0;
    for (std::size_t i = 0; i < samples.size(); ++i)
      worst = std::max(worst, std::fabs(samples[i] - zero -
                                        scale * std::sin(2 * M_PI * r.frequency * i / r.rate)));
    EXPECT_LE(worst, 0.5 + 1e-6) << r.frequency;
  }
}

// The spacing of two crossings is the frequency halfway between them: f0 + (f1 - f0)·t/T for
// a linear sweep, f0·(f1/f0)^(t/T) for a logarithmic one, from one end to the other.
TEST(TestSignal, SweepFrequencyAtBothEnds) {
  constexpr double f0 = 100, f1 = 8000, seconds = 2;
  for (const bool logarithmic : {false, true}) {
    const SignalSettings settings{.waveform = Waveform::Sweep,
                                  .frequency = f0,
                                  .endFrequency = f1,
                                  .logarithmic = logarithmic,
                                  .amplitude = 1,
                                  .seconds = seconds};
    const double perSecond = std::log(f1 / f0) / seconds;
    const auto frequency = [&](double t) {
      return logarithmic ? f0 * std::exp(perSecond * t) : f0 + (f1 - f0) * t / seconds;
    };
    const auto cycles = [&](double t) {
      return logarithmic ? f0 * std::expm1(perSecond * t) / perSecond
                         : f0 * t + (f1 - f0) / seconds * t * t / 2;
    };
    // Each sample is the nearest whole number to the sine of the integral of f.
    const std::vector<std::int16_t> samples = signalSamples(settings);
    double worst = 0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
      const double exact = 32767 * std::sin(2 * M_PI * cycles(i / 44100.0));
      worst = std::max(worst, std::fabs(samples[i] - exact));
    }
    EXPECT_LE(worst, 0.5 + 1e-6);
    const std::vector<double> c = risingCrossings(settings);
    ASSERT_GE(c.size(), 10u);
    EXPECT_LT(c.front(), 0.02);
    EXPECT_GT(c.back(), seconds - 0.001);
    for (const std::size_t k : {std::size_t{0}, std::size_t{1}, c.size() - 3, c.size() - 2}) {
      const double measured = 1 / (c[k + 1] - c[k]);
      EXPECT_NEAR(measured, frequency((c[k] + c[k + 1]) / 2), measured * 0.005) << k;
    }
  }
}

TEST(TestSignal, WaveFileAroundItsSamples) {
  struct Row {
    SignalSettings settings;
    std::size_t length;
  };
  // clang-format off
  const Row rows[] = {
      {{.rate = 8000, .seconds = 0.5}, 4000},
      {{.waveform = Waveform::Square, .rate = 11025, .bits = 8, .seconds = 0.5}, 5513},
      {{.waveform = Waveform::TwoSines, .frequency = 440, .endFrequency = 660, .rate = 96000, .seconds = 1.25}, 120000},
      {{.waveform = Waveform::WhiteNoise, .rate = 22050, .bits = 8, .seconds = 0.75}, 16538},
      {{.waveform = Waveform::Sweep, .logarithmic = true, .rate = 96000, .seconds = 30}, 2880000},
  };
  // clang-format on
  for (const Row& r : rows) {
    const std::vector<std::int16_t> samples = signalSamples(r.settings);
    ASSERT_EQ(samples.size(), r.length);
    const std::vector<int> values(samples.begin(), samples.end());
    const bool eight = r.settings.bits == 8;
    const std::string expected = waveBytes({.rate = static_cast<std::uint32_t>(r.settings.rate),
                                            .bits = static_cast<std::uint16_t>(r.settings.bits),
                                            .padded = true},
                                           eight ? pcm8(values) : pcm16(values));
    EXPECT_EQ(signalWave(r.settings), expected) << r.length;
    // Centred on 128 or 0, never past half the full scale at amplitude 0.5.
    const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
    const int zero = eight ? 128 : 0, half = eight ? 64 : 16384;
    EXPECT_GE(*low, zero - half) << r.length;
    EXPECT_LE(*high, zero + half) << r.length;
    EXPECT_LT(std::abs(*high + *low - 2 * zero), half / 8) << r.length;
  }
  // Full scale reaches 1 and 255, or ±32767, and the noise is the same every time.
  const SignalSettings square8{
      .waveform = Waveform::Square, .amplitude = 1, .bits = 8, .seconds = 1};
  const auto [low, high] = std::ranges::minmax(signalSamples(square8));
  EXPECT_EQ(low, 1);
  EXPECT_EQ(high, 255);
  const SignalSettings sine16{.amplitude = 1, .seconds = 1};
  EXPECT_EQ(std::ranges::max(signalSamples(sine16)), 32767);
  EXPECT_EQ(std::ranges::min(signalSamples(sine16)), -32767);
  const SignalSettings noise{.waveform = Waveform::WhiteNoise, .seconds = 1};
  EXPECT_EQ(signalSamples(noise), signalSamples(noise));
}

TEST(TestSignal, ProblemsAndNames) {
  struct Row {
    SignalSettings settings;
    const char* problem;
    const char* name;
  };
  // A signal that cannot be made is given no name.
  // clang-format off
  const Row rows[] = {
      {{}, "", "sine_1000Hz.wav"},
      {{.frequency = 30000, .endFrequency = 0, .rate = 8000}, "", "sine_30000Hz.wav"},
      {{.waveform = Waveform::Square, .frequency = 440.5}, "", "square_440.5Hz.wav"},
      {{.waveform = Waveform::Sawtooth, .amplitude = 0}, "", "sawtooth_1000Hz.wav"},
      {{.waveform = Waveform::Sweep, .frequency = 100, .endFrequency = 20000}, "", "sweep_100-20000Hz.wav"},
      {{.waveform = Waveform::Sweep, .frequency = 20, .endFrequency = 20000, .logarithmic = true}, "", "logsweep_20-20000Hz.wav"},
      {{.waveform = Waveform::TwoSines, .endFrequency = 1500}, "", "twosines_1000_1500Hz.wav"},
      {{.waveform = Waveform::WhiteNoise, .frequency = 0}, "", "whitenoise.wav"},
      {{.frequency = 0}, "周波数は 0 Hz より大きく 1000000 Hz 以下にしてください。", ""},
      {{.frequency = -5}, "周波数は 0 Hz より大きく 1000000 Hz 以下にしてください。", ""},
      {{.frequency = NAN}, "周波数は 0 Hz より大きく 1000000 Hz 以下にしてください。", ""},
      {{.waveform = Waveform::Sweep, .endFrequency = 0}, "終わりの周波数は 0 Hz より大きく 1000000 Hz 以下にしてください。", ""},
      {{.waveform = Waveform::TwoSines, .endFrequency = 2e6}, "2 つ目の周波数は 0 Hz より大きく 1000000 Hz 以下にしてください。", ""},
      {{.amplitude = 1.01}, "振幅は 0 から 1 までにしてください。", ""},
      {{.rate = 7999}, "サンプリング周波数は 8000 Hz から 96000 Hz までにしてください。", ""},
      {{.rate = 96001}, "サンプリング周波数は 8000 Hz から 96000 Hz までにしてください。", ""},
      {{.bits = 24}, "ビット数は 8 か 16 にしてください。", ""},
      {{.seconds = 0.49}, "長さは 0.5 秒から 30 秒までにしてください。", ""},
      {{.seconds = 30.01}, "長さは 0.5 秒から 30 秒までにしてください。", ""},
  };
  // clang-format on
  for (const Row& r : rows) {
    EXPECT_EQ(signalSettingsProblem(r.settings), r.problem) << r.problem;
    if (*r.name) {
      EXPECT_EQ(signalFileName(r.settings), r.name);
    }
  }
}

// Written whole or not at all: into a folder that is not there, nothing is left behind.
TEST(TestSignal, WrittenThroughAReplacedFile) {
  TempDir dir;
  const SignalSettings settings{.waveform = Waveform::Sawtooth, .seconds = 0.5};
  writeFile(dir / "sawtooth_1000Hz.wav", "old");
  EXPECT_FALSE(writeSignal(dir / "sawtooth_1000Hz.wav", settings));
  EXPECT_EQ(readFile(dir / "sawtooth_1000Hz.wav"), signalWave(settings));
  EXPECT_TRUE(writeSignal(dir / "none" / "sawtooth_1000Hz.wav", settings));
  EXPECT_EQ(fileNames(dir.path()), std::set<std::string>{"sawtooth_1000Hz.wav"});
}

// Times the re-sampling of a 10-minute 44.1 kHz 16-bit recording at factors 2 and 128 with
// each method, plain and quantized to 8 bits with and without dither, the longest stretch
// between two chances for the window to handle events and the peak memory of each run; then
// what the low-pass and first-sample methods make of sine tones around the new rate's
// Nyquist limit; then how long a 30-second test signal takes to make.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pipeline/lowpass.h"
#include "pipeline/resample.h"
#include "pipeline/sample_text.h"
#include "pipeline/test_signal.h"
#include "recording.h"

namespace fs = std::filesystem;
using namespace varno;
using varno::bench::kSamples;
using Clock = std::chrono::steady_clock;

namespace {

const char* methodName(pipeline::Method method) {
  switch (method) {
    case pipeline::Method::FirstSample: return "first sample";
    case pipeline::Method::Average: return "average";
    case pipeline::Method::LowPass: return "low-pass";
  }
  return "?";
}

// The kernel's high-water mark of this process's resident memory, in MB; resetPeakRss()
// lowers it to the present use, so each run shows its own peak.
double peakRssMb() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    double kb;
    if (key == "VmHWM:" && status >> kb) return kb / 1024;
  }
  return 0;
}
void resetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

constexpr int kToneRate = 44100;
constexpr int kToneFactor = 4;
constexpr double kToneAmplitude = 32000;
constexpr int kToneSeconds = 2;

// Where a tone of `hz` lands after sampling at `rate`: folded into 0 .. rate / 2.
double folded(double hz, double rate) {
  const double f = std::fmod(hz, rate);
  return f > rate / 2 ? rate - f : f;
}

// Amplitude of the best-fitting sine of `hz` at `rate` through `values`, leaving out the
// filter's reach at both ends.
double fittedAmplitude(const std::vector<double>& values, double hz, double rate) {
  double cc = 0, ss = 0, cs = 0, yc = 0, ys = 0;
  for (std::size_t m = 100; m + 100 < values.size(); ++m) {
    const double c = std::cos(2 * M_PI * hz * m / rate);
    const double s = std::sin(2 * M_PI * hz * m / rate);
    cc += c * c;
    ss += s * s;
    cs += c * s;
    yc += values[m] * c;
    ys += values[m] * s;
  }
  const double det = cc * ss - cs * cs;
  const double a = (yc * ss - ys * cs) / det;
  const double b = (ys * cc - yc * cs) / det;
  return std::hypot(a, b);
}

// Re-samples a 16-bit sine of `hz` at 44.1 kHz by `kToneFactor` and returns the amplitude
// of what comes out at the tone's folded frequency.
double toneThrough(const fs::path& dir, double hz, pipeline::Method method) {
  const fs::path original = dir / "tone.txt";
  const fs::path resampled = dir / "tone_out.txt";
  {
    std::ofstream out(original, std::ios::binary);
    out << kToneRate << "\r\n16\r\n";
    for (int i = 0; i < kToneSeconds * kToneRate; ++i)
      out << std::lround(kToneAmplitude * std::sin(2 * M_PI * hz * i / kToneRate)) << "\r\n";
  }
  if (pipeline::resample(original, resampled, kToneFactor, method, [] { return true; }).error !=
      pipeline::ResampleError::None) {
    std::printf("re-sampling the tone failed\n");
    std::exit(1);
  }
  pipeline::SampleTextReader in(resampled);
  std::string_view line;
  std::vector<double> values;
  for (int header = 0; header < 2; ++header) in.next(line);
  while (in.next(line)) values.push_back(pipeline::sampleValue(line));
  const double rate = static_cast<double>(kToneRate) / kToneFactor;
  return fittedAmplitude(values, folded(hz, rate), rate);
}

double decibels(double ratio) { return 20 * std::log10(ratio); }

}  // namespace

int main() {
  const bench::Recording recording;
  const fs::path& original = recording.original;
  const fs::path& resampled = recording.resampled;
  std::printf("\nRe-sampling, best of 3 runs (target >= 25 M samples/s):\n");
  std::printf("  %-7s %-29s %-10s %-14s %-9s %-10s %s\n", "factor", "method", "time", "samples/s",
              "yields", "peak RSS", "longest stretch without a yield");

  const fs::path errorText = recording.dir / "Err_txt.txt";
  const pipeline::Quantization quantizations[] = {{}, {.bits = 8}, {.bits = 8, .dither = true}};
  for (const pipeline::Quantization& quantization : quantizations) {
    for (int factor : {2, 128}) {
      for (auto method :
           {pipeline::Method::FirstSample, pipeline::Method::Average, pipeline::Method::LowPass}) {
        resetPeakRss();
        double best = 1e300;
        int yields = 0;
        double longest = 0;
        for (int round = 0; round < 3; ++round) {
          yields = 0;
          longest = 0;
          auto last = Clock::now();
          const auto start = last;
          const auto result = pipeline::resample(
              original, resampled, factor, method,
              [&] {
                const auto now = Clock::now();
                longest = std::max(longest,
                                   std::chrono::duration<double, std::milli>(now - last).count());
                last = now;
                ++yields;
                return true;
              },
              quantization, errorText);
          const auto end = Clock::now();
          longest =
              std::max(longest, std::chrono::duration<double, std::milli>(end - last).count());
          if (result.error != pipeline::ResampleError::None) {
            std::printf("re-sampling failed\n");
            return 1;
          }
          best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
        }
        const std::string name =
            std::string(methodName(method)) + (quantization.bits == 0 ? ""
                                               : quantization.dither  ? ", 8 bits, dither"
                                                                      : ", 8 bits");
        std::printf("  %-7d %-29s %7.0f ms %8.1f M/s   %-9d %5.1f MB   %.1f ms\n", factor,
                    name.c_str(), best, kSamples / best / 1e3, yields, peakRssMb(), longest);
      }
    }
  }
  for (int factor : {2, 128}) {
    const pipeline::LowPassDecimator filter(factor, pipeline::sampleRangeOf("16"));
    std::printf("  low-pass filter at factor %d: %zu taps, %.1f KB held\n", factor,
                pipeline::lowPassTaps(factor).size(), filter.bufferBytes() / 1024.0);
  }

  const double nyquist = kToneRate / kToneFactor / 2.0;
  std::printf(
      "\nSine tones of amplitude %.0f sampled at %d Hz, factor %d (new Nyquist limit %.1f Hz);\n"
      "level at the folded frequency (targets: low-pass within +-0.1 dB up to 0.7 x the limit,\n"
      "at most -60 dBFS from 1.3 x the limit):\n",
      kToneAmplitude, kToneRate, kToneFactor, nyquist);
  std::printf("  %-7s %-10s %-10s %-19s %s\n", "x limit", "tone", "comes out", "low-pass",
              "first sample");
  for (double share : {0.1, 0.3, 0.5, 0.7, 1.3, 1.6, 1.9}) {
    const double hz = share * nyquist;
    const double lowPass = toneThrough(recording.dir.path(), hz, pipeline::Method::LowPass);
    const double firstSample = toneThrough(recording.dir.path(), hz, pipeline::Method::FirstSample);
    const bool passes = share < 1;
    const double lowPassDb =
        passes ? decibels(lowPass / kToneAmplitude) : decibels(lowPass / 32767);
    const bool met = passes ? std::fabs(lowPassDb) <= 0.1 : lowPassDb <= -60;
    std::printf("  %-7.1f %7.1f Hz %7.1f Hz %+8.3f %-5s %-4s %+8.3f %s\n", share, hz,
                folded(hz, 2 * nyquist), lowPassDb, passes ? "dB" : "dBFS", met ? "ok" : "MISS",
                passes ? decibels(firstSample / kToneAmplitude) : decibels(firstSample / 32767),
                passes ? "dB" : "dBFS");
  }
  std::printf(
      "\n30-second test signals at 96000 Hz, 16 bits (%d samples), best of 5 (target <= 50 ms):\n",
      96000 * 30);
  std::printf("  %-28s %-10s %s\n", "file", "made", "writeSignal");
  using pipeline::Waveform;
  for (const auto& [waveform, logarithmic] : {std::pair{Waveform::Sine, false},
                                              {Waveform::Square, false},
                                              {Waveform::Sawtooth, false},
                                              {Waveform::Sweep, false},
                                              {Waveform::Sweep, true},
                                              {Waveform::TwoSines, false},
                                              {Waveform::WhiteNoise, false}}) {
    const pipeline::SignalSettings settings{.waveform = waveform,
                                            .frequency = 100,
                                            .endFrequency = 20000,
                                            .logarithmic = logarithmic,
                                            .rate = 96000,
                                            .bits = 16,
                                            .seconds = 30};
    double made = 1e300, written = 1e300;
    for (int round = 0; round < 5; ++round) {
      const auto start = Clock::now();
      const std::string wave = pipeline::signalWave(settings);
      const auto middle = Clock::now();
      if (pipeline::writeSignal(recording.dir / pipeline::signalFileName(settings), settings) ||
          wave.size() != 44 + 2u * 96000 * 30) {
        std::printf("making the test signal failed\n");
        return 1;
      }
      const auto end = Clock::now();
      made = std::min(made, std::chrono::duration<double, std::milli>(middle - start).count());
      written = std::min(written, std::chrono::duration<double, std::milli>(end - middle).count());
    }
    std::printf("  %-28s %5.1f ms   %5.1f ms\n", pipeline::signalFileName(settings).c_str(), made,
                written);
  }
  return 0;
}

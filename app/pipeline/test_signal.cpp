#include "pipeline/test_signal.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "common/numbers.h"
#include "common/numtext.h"
#include "pipeline/atomic_file.h"
#include "pipeline/quantize.h"

namespace varno::pipeline {

namespace {

// Far above any rate, and low enough that 30 s of it keep a phase's fraction to 1e-8 cycles.
constexpr double kHighestFrequency = 1e6;
constexpr std::uint64_t kNoiseSeed = 0x4E4F495345;

bool usesEndFrequency(Waveform w) { return w == Waveform::Sweep || w == Waveform::TwoSines; }

bool validFrequency(double hz) { return hz > 0 && hz <= kHighestFrequency; }

// The part after the point of a phase, which is never negative here: truncation is one
// instruction where std::floor is a call.
double fraction(double cycles) {
  return cycles - static_cast<double>(static_cast<std::int64_t>(cycles));
}

// sin(2π·cycles), folded into a quarter period where Taylor's terms up to the 15th power
// are within 1e-11 of it: far below what a sample's rounding sees, and several times
// faster than std::sin, so that a 30-second sweep takes well under 50 ms. The folding has
// no branches, which a tone of a few samples a period would mispredict.
double sineAt(double cycles) {
  // sin(2πx) = -sin(2πu) for u = x - 1/2 in [-1/2, 1/2), and sin(2πu) = sin(2πv) for v,
  // within a quarter of 0, the same distance from ±1/2 as u is from 0.
  const double u = fraction(cycles) - 0.5;
  const double a = std::fabs(u);
  const double v = std::copysign(std::min(a, 0.5 - a), u);
  const double t = 2 * std::numbers::pi * v, t2 = t * t;
  constexpr double c3 = -1 / 6.0, c5 = 1 / 120.0, c7 = -1 / 5040.0, c9 = 1 / 362880.0,
                   c11 = -1 / 39916800.0, c13 = 1 / 6227020800.0, c15 = -1 / 1307674368000.0;
  // In pairs of terms (Estrin's scheme): a shorter chain of dependent operations than
  // Horner's, so that neighbouring samples overlap in the processor.
  const double t4 = t2 * t2, t8 = t4 * t4;
  const double p =
      (1 + c3 * t2) + t4 * (c5 + c7 * t2) + t8 * ((c9 + c11 * t2) + t4 * (c13 + c15 * t2));
  return -t * p;
}

// sin(2π·i·cyclesPerSample) for i = 0, 1, 2 …: each sample the last one turned by one
// sample's angle, four multiplies instead of a sine, and set on the exact phase every 1024
// samples so that the rounding errors of the turns stay near 1e-13.
class Oscillator {
 public:
  explicit Oscillator(double cyclesPerSample)
      : perSample_(cyclesPerSample),
        turnCos_(std::cos(2 * std::numbers::pi * fraction(cyclesPerSample))),
        turnSin_(std::sin(2 * std::numbers::pi * fraction(cyclesPerSample))) {}
  double next() {
    if (i_ % kAnchor == 0) {
      const double phase = 2 * std::numbers::pi * fraction(perSample_ * static_cast<double>(i_));
      cos_ = std::cos(phase);
      sin_ = std::sin(phase);
    }
    ++i_;
    const double value = sin_;
    const double turned = cos_ * turnCos_ - sin_ * turnSin_;
    sin_ = sin_ * turnCos_ + cos_ * turnSin_;
    cos_ = turned;
    return value;
  }

 private:
  static constexpr std::size_t kAnchor = 1024;
  double perSample_;
  double turnCos_;
  double turnSin_;
  std::size_t i_ = 0;
  double cos_ = 1;
  double sin_ = 0;
};

// Cycles from 0 to sample i of a sweep from f0 to f1 over `seconds`: the integral of f.
class SweepPhase {
 public:
  SweepPhase(const SignalSettings& settings, double rate)
      : f0_(settings.frequency),
        slope_((settings.endFrequency - settings.frequency) / settings.seconds),
        logRate_(settings.logarithmic
                     ? std::log(settings.endFrequency / settings.frequency) / settings.seconds
                     : 0),
        period_(1 / rate) {
    // In ratios, cycles(t + d) = cycles(t) + f(t)·expm1(k·d)/k: the last factor is the same
    // for every block, so a sample costs a multiply instead of an exponential.
    if (logRate_ != 0)
      for (std::size_t j = 0; j < kBlock; ++j)
        within_[j] = std::expm1(logRate_ * static_cast<double>(j) * period_) / logRate_;
  }
  double cycles(std::size_t i) {
    const double t = static_cast<double>(i) * period_;
    if (logRate_ == 0) return f0_ * t + slope_ * t * t / 2;
    const std::size_t j = i % kBlock;
    if (j == 0) {
      blockCycles_ = f0_ * std::expm1(logRate_ * t) / logRate_;
      blockFrequency_ = f0_ * std::exp(logRate_ * t);
    }
    return blockCycles_ + blockFrequency_ * within_[j];
  }

 private:
  static constexpr std::size_t kBlock = 256;
  double f0_;
  double slope_;
  double logRate_;  // ln(f1 / f0) per second; 0 for a linear sweep, or for f1 = f0
  double period_;   // seconds between two samples
  std::array<double, kBlock> within_{};
  double blockCycles_ = 0;
  double blockFrequency_ = 0;
};

void putLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::size_t signalLength(const SignalSettings& settings) {
  return static_cast<std::size_t>(common::roundHalfAwayFromZero(settings.seconds * settings.rate));
}

// Calls store(i, value) with each sample in turn, as signalSamples describes them.
template <typename Store>
void generate(const SignalSettings& settings, Store store) {
  const std::size_t count = signalLength(settings);
  // 32767, not 32768: +1 must fit as well as -1, and the two stay symmetric.
  const bool sixteenBit = settings.bits == 16;
  const double scale = settings.amplitude * (sixteenBit ? 32767 : 127);
  const int zero = sixteenBit ? 0 : 128;
  const auto rate = static_cast<double>(settings.rate);
  const auto put = [&](std::size_t i, double x) {
    store(i, zero + static_cast<int>(common::roundHalfAwayFromZero(scale * x)));
  };
  const double perSample = settings.frequency / rate;
  const auto at = [](std::size_t i) { return static_cast<double>(i); };
  switch (settings.waveform) {
    case Waveform::Sine: {
      Oscillator sine(perSample);
      for (std::size_t i = 0; i < count; ++i) put(i, sine.next());
      break;
    }
    case Waveform::Square:
      for (std::size_t i = 0; i < count; ++i) put(i, fraction(perSample * at(i)) < 0.5 ? 1 : -1);
      break;
    case Waveform::Sawtooth:
      for (std::size_t i = 0; i < count; ++i) put(i, 2 * fraction(perSample * at(i) + 0.5) - 1);
      break;
    case Waveform::Sweep: {
      SweepPhase phase(settings, rate);
      for (std::size_t i = 0; i < count; ++i) put(i, sineAt(phase.cycles(i)));
      break;
    }
    case Waveform::TwoSines: {
      Oscillator first(perSample), second(settings.endFrequency / rate);
      for (std::size_t i = 0; i < count; ++i) put(i, (first.next() + second.next()) / 2);
      break;
    }
    case Waveform::WhiteNoise: {
      Pcg32 noise(kNoiseSeed);
      for (std::size_t i = 0; i < count; ++i) put(i, noise.next() * 0x1p-31 - 1);
      break;
    }
  }
}

}  // namespace

std::string signalSettingsProblem(const SignalSettings& settings) {
  if (!(settings.rate >= 8000 && settings.rate <= 96000))
    return "サンプリング周波数は 8000 Hz から 96000 Hz までにしてください。";
  if (settings.bits != 8 && settings.bits != 16) return "ビット数は 8 か 16 にしてください。";
  if (!(settings.seconds >= 0.5 && settings.seconds <= 30))
    return "長さは 0.5 秒から 30 秒までにしてください。";
  if (!(settings.amplitude >= 0 && settings.amplitude <= 1))
    return "振幅は 0 から 1 までにしてください。";
  if (settings.waveform != Waveform::WhiteNoise && !validFrequency(settings.frequency))
    return "周波数は 0 Hz より大きく 1000000 Hz 以下にしてください。";
  if (usesEndFrequency(settings.waveform) && !validFrequency(settings.endFrequency))
    return settings.waveform == Waveform::Sweep
               ? "終わりの周波数は 0 Hz より大きく 1000000 Hz 以下にしてください。"
               : "2 つ目の周波数は 0 Hz より大きく 1000000 Hz 以下にしてください。";
  return "";
}

std::vector<std::int16_t> signalSamples(const SignalSettings& settings) {
  std::vector<std::int16_t> samples(signalLength(settings));
  generate(settings,
           [&samples](std::size_t i, int value) { samples[i] = static_cast<std::int16_t>(value); });
  return samples;
}

std::string signalWave(const SignalSettings& settings) {
  const int bytes = settings.bits / 8;
  const auto dataSize =
      static_cast<std::uint32_t>(signalLength(settings) * static_cast<unsigned>(bytes));
  const std::uint32_t pad = dataSize % 2;
  std::string wave;
  wave.reserve(44 + dataSize + pad);
  wave += "RIFF";
  putLe(wave, 36 + dataSize + pad, 4);
  wave += "WAVEfmt ";
  putLe(wave, 16, 4);
  putLe(wave, 1, 2);  // PCM
  putLe(wave, 1, 2);  // mono
  putLe(wave, static_cast<std::uint32_t>(settings.rate), 4);
  putLe(wave, static_cast<std::uint32_t>(settings.rate * bytes), 4);
  putLe(wave, static_cast<std::uint32_t>(bytes), 2);
  putLe(wave, static_cast<std::uint32_t>(settings.bits), 2);
  wave += "data";
  putLe(wave, dataSize, 4);
  // The samples go straight into their place: a copy of them, or a byte appended at a
  // time, would take longer than making them.
  wave.resize(44 + dataSize + pad);
  char* const data = wave.data() + 44;
  if (bytes == 2) {
    generate(settings, [data](std::size_t i, int value) {
      data[2 * i] = static_cast<char>(value & 0xFF);
      data[2 * i + 1] = static_cast<char>((value >> 8) & 0xFF);
    });
  } else {
    generate(settings, [data](std::size_t i, int value) { data[i] = static_cast<char>(value); });
  }
  return wave;
}

std::string signalFileName(const SignalSettings& settings) {
  const auto hz = [](double f) { return common::plainNumberText(f); };
  switch (settings.waveform) {
    case Waveform::Sine: return "sine_" + hz(settings.frequency) + "Hz.wav";
    case Waveform::Square: return "square_" + hz(settings.frequency) + "Hz.wav";
    case Waveform::Sawtooth: return "sawtooth_" + hz(settings.frequency) + "Hz.wav";
    case Waveform::Sweep:
      return (settings.logarithmic ? "logsweep_" : "sweep_") + hz(settings.frequency) + "-" +
             hz(settings.endFrequency) + "Hz.wav";
    case Waveform::TwoSines:
      return "twosines_" + hz(settings.frequency) + "_" + hz(settings.endFrequency) + "Hz.wav";
    case Waveform::WhiteNoise: break;
  }
  return "whitenoise.wav";
}

std::error_code writeSignal(const std::filesystem::path& path, const SignalSettings& settings) {
  AtomicFile file(path);
  if (file.ok()) {
    file.write(signalWave(settings));
    file.commit();
  }
  return {file.error(), std::generic_category()};
}

}  // namespace varno::pipeline

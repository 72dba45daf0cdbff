#include "graph/spectrum.h"

#include <kiss_fftr.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

#include "common/numbers.h"
#include "common/numtext.h"
#include "graph/graph.h"
#include "pipeline/quantize.h"

namespace varno::graph {

namespace {

struct Plan {
  std::unique_ptr<kiss_fftr_state, void (*)(void*)> fft{nullptr, std::free};
  std::vector<float> window;
  double windowSum = 0;
};

// One plan per size, made once: kiss_fftr writes into its plan's scratch space, so each
// thread keeps plans of its own.
Plan& planFor(int points) {
  thread_local std::map<int, Plan> plans;
  auto [at, made] = plans.try_emplace(points);
  Plan& plan = at->second;
  if (made) {
    plan.fft.reset(kiss_fftr_alloc(points, 0, nullptr, nullptr));
    plan.window.resize(static_cast<std::size_t>(points));
    for (int n = 0; n < points; ++n) {
      const double w = 0.5 - 0.5 * std::cos(2 * M_PI * n / points);
      plan.window[static_cast<std::size_t>(n)] = static_cast<float>(w);
      plan.windowSum += w;
    }
  }
  return plan;
}

std::optional<Mark> strongest(const SoundSpectrum& s) {
  // Bin 1 holds the window's spread of a constant offset.
  constexpr std::size_t kFirst = 2;
  const std::vector<double>& level = s.levels;
  if (level.size() <= kFirst) return std::nullopt;
  const auto top = std::max_element(level.begin() + kFirst, level.end());
  if (*top <= kFloorDb) return std::nullopt;
  const auto k = static_cast<std::size_t>(top - level.begin());
  Mark mark{k, s.frequencyOf(k), level[k]};
  if (k + 1 < level.size()) {
    const double a = level[k - 1];
    const double b = level[k];
    const double c = level[k + 1];
    // A neighbour held at the floor has lost its true level, and the parabola with it.
    if (const double bend = a - 2 * b + c; a > kFloorDb && c > kFloorDb && bend < 0) {
      const double offset = 0.5 * (a - c) / bend;
      mark.frequency = (static_cast<double>(k) + offset) * s.rate / s.points;
      mark.level = b - 0.25 * (a - c) * offset;
    }
  }
  return mark;
}

// Lines first .. first + count - 1 of a sample text, silence where it holds none.
std::vector<double> stretch(const std::filesystem::path& sampleText, const common::LineIndex& index,
                            std::int64_t first, int count, bool sixteenBit) {
  std::vector<double> values(static_cast<std::size_t>(count), sixteenBit ? 0.0 : 128.0);
  const std::int64_t lead = std::clamp<std::int64_t>(-first, 0, count);
  const std::vector<double> read = sampleLines(sampleText, index, first + lead, count - lead);
  std::copy(read.begin(), read.end(), values.begin() + lead);
  return values;
}

std::string hundredths(double value) {
  return common::plainNumberText(common::roundHalfAwayFromZero(value * 100) / 100);
}

// The level of the bin of `s` at `frequency`; empty above its limit or without it.
std::string levelAt(const std::optional<SoundSpectrum>& s, double frequency) {
  if (!s || frequency > s->rate / 2) return "";
  const auto bin = static_cast<std::size_t>(std::lround(frequency * s->points / s->rate));
  return formatTenths(s->levels[bin]);
}

std::string wholeHertz(double frequency) {
  return std::to_string(static_cast<long long>(common::roundHalfAwayFromZero(frequency))) + " Hz";
}

}  // namespace

SoundSpectrum soundSpectrum(std::span<const double> values, double rate, bool sixteenBit) {
  const int points = static_cast<int>(values.size());
  SoundSpectrum s{.rate = rate, .points = points};
  if (points < 2 || points % 2 != 0) return s;
  Plan& plan = planFor(points);
  const double centre = sixteenBit ? 0 : 128;
  const double fullScale = sixteenBit ? 32768 : 128;
  std::vector<float> windowed(values.size());
  for (std::size_t n = 0; n < values.size(); ++n)
    windowed[n] = static_cast<float>(values[n] - centre) * plan.window[n];
  std::vector<kiss_fft_cpx> bins(values.size() / 2 + 1);
  kiss_fftr(plan.fft.get(), windowed.data(), bins.data());
  s.levels.resize(bins.size());
  for (std::size_t k = 0; k < bins.size(); ++k) {
    const double amplitude = 2 * std::hypot(bins[k].r, bins[k].i) / plan.windowSum;
    s.levels[k] = std::max(20 * std::log10(amplitude / fullScale), kFloorDb);
  }
  s.peak = strongest(s);
  return s;
}

Spectrum spectrumOf(const Display& display, const SampleFiles& files, std::int32_t startPos) {
  const bool sixteenBit = display.format.sixteenBit;
  const double rate = display.format.rate;
  Spectrum spectrum;
  spectrum.original = soundSpectrum(
      stretch(files.original, display.originalLines, startPos, kSpectrumPoints, sixteenBit), rate,
      sixteenBit);
  const int factor = display.staircase ? display.staircase->factor : 0;
  // The rate list's factors: each divides the stretch into a whole, even number of values.
  if (factor < 1 || factor > 128 || !std::has_single_bit(static_cast<unsigned>(factor)))
    return spectrum;
  const std::int64_t start = startPos;
  const std::int64_t first = start >= 0 ? start / factor : (start - factor + 1) / factor;
  const SoundSpectrum& resampled = spectrum.resampled.emplace(soundSpectrum(
      stretch(files.resampled, display.resampledLines, first, kSpectrumPoints / factor, sixteenBit),
      rate / factor, sixteenBit));
  if (const int bits = display.staircase->quantization.bits; bits != 0) {
    spectrum.snr = pipeline::snrLabel(display.staircase->snrDb, bits);
    if (!files.error.empty())
      spectrum.error = soundSpectrum(
          stretch(files.error, display.errorLines, first, kSpectrumPoints / factor, sixteenBit),
          resampled.rate, sixteenBit);
  }
  const std::optional<Mark>& peak = spectrum.original.peak;
  if (peak && peak->frequency > spectrum.limit()) {
    const double landing = foldedFrequency(peak->frequency, resampled.rate);
    const auto bin =
        static_cast<std::size_t>(std::lround(landing * resampled.points / resampled.rate));
    spectrum.folded = Mark{bin, landing, resampled.levels[bin]};
  }
  return spectrum;
}

double foldedFrequency(double frequency, double rate) {
  const double beyond = std::fmod(std::abs(frequency), rate);
  return std::min(beyond, rate - beyond);
}

std::string peakLabel(double frequency) { return wholeHertz(frequency); }

std::string foldedLabel(double frequency) { return "折り返し：" + wholeHertz(frequency); }

std::string nyquistLabel(double frequency) {
  std::string text = formatTenths(frequency);
  if (text.ends_with(".0")) text.resize(text.size() - 2);
  return "ナイキスト周波数 " + text + " Hz";
}

std::string spectrumTable(const Spectrum& spectrum) {
  const bool withError = spectrum.error.has_value();
  std::string table = "周波数(Hz)\tオリジナル(dB)\tサンプリング後(dB)";
  table += withError ? "\t量子化誤差(dB)\n" : "\n";
  const SoundSpectrum& original = spectrum.original;
  for (std::size_t k = 0; k < original.levels.size(); ++k) {
    const double frequency = original.frequencyOf(k);
    table += hundredths(frequency) + '\t' + formatTenths(original.levels[k]) + '\t' +
             levelAt(spectrum.resampled, frequency);
    if (withError) table += '\t' + levelAt(spectrum.error, frequency);
    table += '\n';
  }
  return table;
}

std::vector<AxisTick> frequencyTicks(double top, int most) {
  if (!std::isfinite(top) || top <= 0) return {{0, "0"}};
  most = std::max(most, 1);
  // A power of ten exactly, as a divisor below 1 and a factor above, so 0.3 reads "0.3".
  auto power = [](int e) {
    double p = 1;
    for (int i = 0; i < std::abs(e); ++i) p *= 10;
    return p;
  };
  for (int e = static_cast<int>(std::floor(std::log10(top / most))) - 1;; ++e) {
    for (const int m : {1, 2, 5}) {
      const double step = e < 0 ? m / power(e) : m * power(e);
      // A top that is a whole number of steps keeps its tick despite the division's rounding.
      const auto count = static_cast<long long>(std::floor(top / step * (1 + 1e-12))) + 1;
      if (count > most) continue;
      std::vector<AxisTick> ticks;
      for (long long i = 0; i < count; ++i) {
        const double value =
            e < 0 ? static_cast<double>(i * m) / power(e) : static_cast<double>(i * m) * power(e);
        ticks.push_back({value, common::plainNumberText(value)});
      }
      return ticks;
    }
  }
}

std::vector<AxisTick> levelTicks() {
  std::vector<AxisTick> ticks;
  for (double level = 0; level >= kFloorDb; level -= 20)
    ticks.push_back({level, common::plainNumberText(level)});
  return ticks;
}

}  // namespace varno::graph

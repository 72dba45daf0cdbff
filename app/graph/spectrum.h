#pragma once
// The spectrum of what the graphs show: the original and the re-sampled sound over the same
// stretch of time, Hann-windowed, in dB of full scale, with their strongest peaks, the new
// Nyquist limit and where the original's peak folds to; with fewer bits also the error the
// quantization made and its SNR. Read through the display model, so the graphs, the spectrum
// and the copied values can never disagree.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "graph/display.h"

namespace varno::graph {

// The original's stretch, from Start_Pos on; the re-sampled one has kSpectrumPoints / factor
// values over the same time, so both spectra have one bin width and bin k lies at one frequency.
constexpr int kSpectrumPoints = 4096;
// The level of silence: every level is at least this.
constexpr double kFloorDb = -120;

// A bin of a spectrum: its frequency and level, both from a parabola through the dB levels of
// the bin and its neighbours where both lie above the floor, else the bin's centre and level.
struct Mark {
  std::size_t bin = 0;
  double frequency = 0;  // Hz
  double level = 0;      // dB
};

// One sound's spectrum: bins 0 .. points / 2, bin k at k * rate / points.
struct SoundSpectrum {
  double rate = 0;
  int points = 0;
  std::vector<double> levels;  // dB; 0 dB is a full-scale sine
  std::optional<Mark> peak;    // the strongest bin from bin 2 on, none in silence
  double frequencyOf(std::size_t bin) const {
    return static_cast<double>(bin) * rate / static_cast<double>(points);
  }
};

struct Spectrum {
  SoundSpectrum original;
  std::optional<SoundSpectrum> resampled;  // none while there is no staircase
  // The re-sampled bin the original's peak lands in, when that peak lies above the new limit.
  std::optional<Mark> folded;
  // The error text's spectrum, read as the re-sampled one: none without fewer bits or an
  // error text.
  std::optional<SoundSpectrum> error;
  // The staircase's SNR over the whole sound, as pipeline::snrLabel words it; "" without
  // fewer bits.
  std::string snr;
  // The new Nyquist limit: half the re-sampled rate, the original's half without a staircase.
  double limit() const { return (resampled ? resampled->rate : original.rate) / 2; }
};

// The spectrum of `values` (an even count, padded with silence by the caller) at `rate`: a
// periodic Hann window, then 20 log10 of the amplitude 2|X[k]| / sum(w) over full scale, 32768
// for 16 bits, 128 about the centre 128 for 8 bits; held at kFloorDb. Bins 0 and points / 2
// too take twice, so a tone beside them leaks into them as into any other.
SoundSpectrum soundSpectrum(std::span<const double> values, double rate, bool sixteenBit);

// Both sounds from startPos on: the original's 4096 values and, with a staircase of factor
// 1 .. 128, the re-sampled values from startPos / factor on; zeros past either file's end.
// A staircase with fewer bits adds its SNR and, when files.error names the error text, that
// text's values over the re-sampled stretch, at the re-sampled rate and on the same scale.
Spectrum spectrumOf(const Display& display, const SampleFiles& files, std::int32_t startPos);

// Where a tone of `frequency` lands after sampling at `rate`: |f - k * rate| for the nearest
// k, in [0, rate / 2].
double foldedFrequency(double frequency, double rate);

// The marks' labels, UTF-8, in whole Hz (halves away from zero): "440 Hz", "折り返し：3859 Hz".
std::string peakLabel(double frequency);
std::string foldedLabel(double frequency);
// "ナイキスト周波数 5512.5 Hz": to a tenth, without a trailing ".0".
std::string nyquistLabel(double frequency);

// The spectrum as a table to paste: the header "周波数(Hz)\tオリジナル(dB)\tサンプリング後(dB)",
// then a row per bin of the original of its frequency (to 0.01, no trailing zeros) and both
// levels (to 0.1), the re-sampled one from its bin at that frequency and left empty above its
// limit or without a staircase; every line ends with "\n", as the samples' table. With an
// error spectrum a fourth column "量子化誤差(dB)" holds its levels as the re-sampled ones. UTF-8.
std::string spectrumTable(const Spectrum& spectrum);

struct AxisTick {
  double value;
  std::string caption;
};
// Frequency ticks from 0 to `top` Hz at the smallest step of 1, 2 or 5 times a power of ten
// that gives at most `most` ticks; captions in Hz.
std::vector<AxisTick> frequencyTicks(double top, int most);
// Level ticks from 0 dB down to kFloorDb every 20 dB.
std::vector<AxisTick> levelTicks();

}  // namespace varno::graph

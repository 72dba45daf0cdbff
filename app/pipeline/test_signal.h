#pragma once
// Test signals made as WAVE files, so that a lesson can start from a tone of a known
// frequency instead of a recording.
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace varno::pipeline {

enum class Waveform { Sine, Square, Sawtooth, Sweep, TwoSines, WhiteNoise };

// The defaults are the dialog's: a 1000 Hz sine at half of full scale, 44100 Hz, 16 bits, 5 s.
struct SignalSettings {
  Waveform waveform = Waveform::Sine;
  double frequency = 1000;     // Hz; the sweep's start, the first of two sines
  double endFrequency = 2000;  // Hz; the sweep's end, the second of two sines
  bool logarithmic = false;    // the sweep rises by equal ratios, not equal differences
  double amplitude = 0.5;      // of full scale, 0..1
  int rate = 44100;            // Hz, 8000..96000
  int bits = 16;               // 8 or 16
  double seconds = 5;          // 0.5..30
  bool operator==(const SignalSettings&) const = default;
};

// Why a signal so described cannot be made, in the window's words; "" when it can. A frequency
// above half the rate is allowed: that is how aliasing is shown.
std::string signalSettingsProblem(const SignalSettings& settings);

// The samples of a signal signalSettingsProblem accepts, round(seconds · rate) of them, as the WAVE
// stores them: 16-bit round(a · 32767 · x), 8-bit 128 + round(a · 127 · x), halves away from zero,
// for x in -1..1 (so +1 and -1 are equally far from the centre). Every waveform starts at phase 0:
// the sine at 0 going up; the square at +1 for the first half period; the sawtooth at 0,
// rising to +1, dropping to -1 at half a period, so its fundamental is in phase with the
// sine's; a sweep is a sine of phase 2π∫f(t)dt, f going from `frequency` to `endFrequency`
// linearly or by equal ratios; two sines at half the amplitude each; white noise uniform in -1..1
// from a fixed seed.
std::vector<std::int16_t> signalSamples(const SignalSettings& settings);

// A plain PCM WAVE file of the samples: mono, the 44-byte header, and a pad byte after an
// odd number of data bytes, as RIFF asks.
std::string signalWave(const SignalSettings& settings);

// The file's name, ASCII without blanks: "sine_1000Hz.wav", "sweep_100-20000Hz.wav",
// "logsweep_100-20000Hz.wav", "twosines_1000_1500Hz.wav", "whitenoise.wav".
std::string signalFileName(const SignalSettings& settings);

// Writes the WAVE file of the signal to `path`, replacing it whole (AtomicFile); the system's
// error, or none.
std::error_code writeSignal(const std::filesystem::path& path, const SignalSettings& settings);

}  // namespace varno::pipeline

#pragma once
// Fewer bits for the re-sampled values: each is put on a coarser grid of the original's
// scale, optionally with dither, and the error it makes is kept as a sound of its own.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/lowpass.h"

namespace varno::pipeline {

// bits 0 keeps the original's bits: nothing is quantized and the files are as without it.
struct Quantization {
  int bits = 0;
  bool dither = false;
  bool operator==(const Quantization&) const = default;
};

// The bit depths offered, largest first: 12, 10, 8, 6, 4, 3, 2, 1 for a 16-bit sound, only
// those up to 8 for an 8-bit one.
std::vector<int> offeredBits(bool sixteenBit);

// 6.02·N + 1.76 dB: a full-scale sine's signal-to-noise ratio on an N-bit grid.
double theoreticalSnrDb(int bits);

// PCG32 (O'Neill): 32 random bits a step from integer arithmetic alone, so a seed gives the
// same noise on every system and compiler, unlike the standard library's distributions.
// The dither's noise, and the test signals' white noise.
class Pcg32 {
 public:
  explicit Pcg32(std::uint64_t seed) {
    next();
    state_ += seed;
    next();
  }
  std::uint32_t next() {
    const std::uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + kIncrement;
    const auto shifted = static_cast<std::uint32_t>(((old >> 18) ^ old) >> 27);
    const auto rotation = static_cast<unsigned>(old >> 59);
    return (shifted >> rotation) | (shifted << ((32 - rotation) & 31));
  }

 private:
  static constexpr std::uint64_t kIncrement = 1442695040888963407ULL;
  std::uint64_t state_ = 0;
};

// The seed every quantizing run starts its dither from, so a choice always writes one file.
constexpr std::uint64_t kDitherSeed = 0x5641524E4F;

// One quantized value, and its error (before − after) as the error text holds it: rounded
// halves away from zero, around the zero line, clamped to the range.
struct Quantized {
  std::int64_t value;
  std::int64_t error;
};

// Puts values of `range` (from the bits line) on the grid of `bits` bits (1..16; more than
// the original's count as the original's): mid-tread, step 2^(original bits − bits), halves
// away from zero, clamped to the grid's -2^(bits−1)..2^(bits−1)−1 steps around the zero
// line. A value beyond the range first counts as its nearest limit. With dither, TPDF noise
// of ±1 step, the difference of two uniform values in [0, 1) times the step, is added before
// rounding. Sums the signal's and the error's power for the SNR.
class Quantizer {
 public:
  Quantizer(Quantization quantization, SampleRange range);

  Quantized operator()(std::int64_t value) {
    const std::int64_t x =
        std::clamp<std::int64_t>(value, range_.lowest, range_.highest) - range_.zero;
    std::int64_t steps;
    if (dither_) {
      // In 32-bit fixed point the sum is exact, as the floating-point path computes it.
      const std::int64_t noise = ditherNoise();
      steps = roundedShift(x * kNoiseOne + noise * step_, shift_ + kNoiseBits);
    } else {
      steps = roundedShift(x, shift_);
    }
    const std::int64_t q = std::clamp(steps, lowestStep_, highestStep_) * step_;
    const std::int64_t e = x - q;
    signalPower_ += static_cast<double>(x) * static_cast<double>(x);
    errorPower_ += static_cast<double>(e) * static_cast<double>(e);
    return {q + range_.zero,
            std::clamp<std::int64_t>(e + range_.zero, range_.lowest, range_.highest)};
  }
  // A value that is not whole, as a sample line may hold.
  Quantized operator()(double value);

  // 10·log10(Σ signal² / Σ error²) in dB over the values so far, the signal taken around the
  // zero line; +infinity while no value has changed.
  double snrDb() const;

 private:
  static constexpr int kNoiseBits = 32;
  static constexpr std::int64_t kNoiseOne = std::int64_t{1} << kNoiseBits;

  // a − b of two draws in 0..2^32: ±1 step in 32-bit fixed point, drawn in a fixed order.
  std::int64_t ditherNoise() {
    const std::int64_t a = noise_.next();
    return a - noise_.next();
  }
  // x / 2^shift to the nearest whole number, halves away from zero.
  static std::int64_t roundedShift(std::int64_t x, int shift) {
    if (shift == 0) return x;
    const std::int64_t half = std::int64_t{1} << (shift - 1);
    return x >= 0 ? (x + half) >> shift : -((half - x) >> shift);
  }

  SampleRange range_;
  bool dither_;
  int shift_;
  std::int64_t step_;
  std::int64_t lowestStep_;
  std::int64_t highestStep_;
  Pcg32 noise_{kDitherSeed};
  double signalPower_ = 0;
  double errorPower_ = 0;
};

// The words the window shows for a bit depth: "4 ビット"; "" for 0, the original's bits.
std::string bitsLabel(int bits);
// What the staircase's label and tooltip append for a quantization: "、4 ビット" or
// "、4 ビット、ディザ"; "" for bits 0.
std::string quantizationLabel(const Quantization& quantization);
// A menu item of the bit depths: "元のまま" for 0, else bitsLabel.
std::string bitsMenuItem(int bits);
// The measured SNR beside the theory: "SN 比 25.8 dB（理論値 25.8 dB）", "SN 比 ∞" when
// nothing changed; "" without a measure.
std::string snrLabel(std::optional<double> snrDb, int bits);

inline constexpr std::string_view kBitsMenuText = "量子化ビット数";
inline constexpr std::string_view kDitherText = "ディザをかける";
inline constexpr std::string_view kListenToErrorText = "量子化誤差を聞く";

}  // namespace varno::pipeline

#include "pipeline/quantize.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "common/numbers.h"

namespace varno::pipeline {

namespace {

int originalBits(SampleRange range) { return range.highest - range.lowest == 255 ? 8 : 16; }

}  // namespace

std::vector<int> offeredBits(bool sixteenBit) {
  if (sixteenBit) return {12, 10, 8, 6, 4, 3, 2, 1};
  return {8, 6, 4, 3, 2, 1};
}

double theoreticalSnrDb(int bits) { return 6.02 * bits + 1.76; }

Quantizer::Quantizer(Quantization quantization, SampleRange range)
    : range_(range),
      dither_(quantization.dither),
      shift_(originalBits(range) - std::clamp(quantization.bits, 1, originalBits(range))),
      step_(std::int64_t{1} << shift_),
      lowestStep_(-(std::int64_t{1} << (originalBits(range) - shift_ - 1))),
      highestStep_(-lowestStep_ - 1) {}

Quantized Quantizer::operator()(double value) {
  using common::roundHalfAwayFromZero;
  // NaN counts as the zero line, as no limit is nearer to it.
  const double x = std::isnan(value) ? 0.0
                                     : std::clamp(value, static_cast<double>(range_.lowest),
                                                  static_cast<double>(range_.highest)) -
                                           range_.zero;
  const auto step = static_cast<double>(step_);
  // Exact in a double: x needs 16 bits before the point, the noise 32 after it.
  const double noise = dither_ ? std::ldexp(static_cast<double>(ditherNoise()), -kNoiseBits) : 0;
  const double steps =
      std::clamp(roundHalfAwayFromZero((x + noise * step) / step), static_cast<double>(lowestStep_),
                 static_cast<double>(highestStep_));
  const auto q = static_cast<std::int64_t>(steps) * step_;
  const double e = x - static_cast<double>(q);
  signalPower_ += x * x;
  errorPower_ += e * e;
  const auto error = static_cast<std::int64_t>(roundHalfAwayFromZero(e)) + range_.zero;
  return {q + range_.zero, std::clamp<std::int64_t>(error, range_.lowest, range_.highest)};
}

double Quantizer::snrDb() const {
  if (errorPower_ == 0) return std::numeric_limits<double>::infinity();
  return 10 * std::log10(signalPower_ / errorPower_);
}

std::string bitsLabel(int bits) { return bits == 0 ? "" : std::to_string(bits) + " ビット"; }

std::string quantizationLabel(const Quantization& quantization) {
  if (quantization.bits == 0) return "";
  return "、" + bitsLabel(quantization.bits) + (quantization.dither ? "、ディザ" : "");
}

std::string bitsMenuItem(int bits) { return bits == 0 ? "元のまま" : bitsLabel(bits); }

std::string snrLabel(std::optional<double> snrDb, int bits) {
  if (!snrDb) return "";
  const auto decibels = [](double db) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f dB", common::roundHalfAwayFromZero(db * 10) / 10);
    return std::string(text);
  };
  // Silence that dither made noisy has no signal to speak of: minus infinity.
  const std::string measured = std::isinf(*snrDb) ? (*snrDb > 0 ? "∞" : "-∞") : decibels(*snrDb);
  return "SN 比 " + measured + "（理論値 " + decibels(theoreticalSnrDb(bits)) + "）";
}

}  // namespace varno::pipeline

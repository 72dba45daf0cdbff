#include "pipeline/lowpass.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "common/numbers.h"
#include "common/numtext.h"

namespace varno::pipeline {

namespace {

constexpr double kKaiserBeta = 6.5;
// Samples appended between two moves of the filter's history to the front of its buffer.
constexpr std::size_t kBlock = 4096;

}  // namespace

SampleRange sampleRangeOf(std::string_view bitsLine) {
  if (common::leadingNumber(bitsLine) == 8.0) return {128, 0, 255};
  return {0, -32768, 32767};
}

std::vector<double> lowPassTaps(int factor) {
  const int half = kLowPassHalfPeriods * factor;
  const double windowScale = std::cyl_bessel_i(0.0, kKaiserBeta);
  std::vector<double> taps(2 * static_cast<std::size_t>(half) + 1);
  double sum = 0;
  for (int k = -half; k <= half; ++k) {
    // The sinc's zeros are set exactly: sin(pi·k) in floating point is not 0.
    double sinc = 1.0;
    if (k % factor == 0 && k != 0) {
      sinc = 0.0;
    } else if (k != 0) {
      const double x = std::numbers::pi * k / factor;
      sinc = std::sin(x) / x;
    }
    const double r = static_cast<double>(k) / half;
    const double window = std::cyl_bessel_i(0.0, kKaiserBeta * std::sqrt(1.0 - r * r)) / windowScale;
    taps[static_cast<std::size_t>(k + half)] = sinc * window;
    sum += sinc * window;
  }
  // A gain of exactly 1 at 0 Hz keeps a constant whole number whole.
  for (double& tap : taps) tap /= sum;
  return taps;
}

LowPassDecimator::LowPassDecimator(int factor, SampleRange range)
    : factor_(factor), range_(range), half_(kLowPassHalfPeriods * factor) {
  const std::vector<double> all = lowPassTaps(factor);
  taps_.assign(all.begin() + half_, all.end());
  buf_.resize(2 * static_cast<std::size_t>(half_) + kBlock);
}

bool LowPassDecimator::push(double value, std::int64_t& out) {
  const double offset = std::clamp(value, static_cast<double>(range_.lowest), static_cast<double>(range_.highest)) -
                        range_.zero;
  if (inputs_ == 0) {
    // The first sample stands in for the ones before it; output 0 waits for the samples
    // 0 to half_ after them.
    for (int k = 0; k < half_; ++k) append(offset);
    untilOutput_ = half_ + 1;
  }
  ++inputs_;
  last_ = offset;
  append(offset);
  if (--untilOutput_ > 0) return false;
  out = output();
  return true;
}

bool LowPassDecimator::drain(std::int64_t& out) {
  const std::int64_t owed = (inputs_ + factor_ - 1) / factor_;
  if (outputs_ >= owed) return false;
  // The last sample stands in for the ones after it.
  do {
    append(last_);
  } while (--untilOutput_ > 0);
  out = output();
  return true;
}

std::size_t LowPassDecimator::bufferBytes() const { return (buf_.size() + taps_.size()) * sizeof(double); }

void LowPassDecimator::append(double offset) {
  if (len_ == buf_.size()) {
    const std::size_t keep = 2 * static_cast<std::size_t>(half_);
    std::memmove(buf_.data(), buf_.data() + len_ - keep, keep * sizeof(double));
    len_ = keep;
  }
  buf_[len_++] = offset;
}

std::int64_t LowPassDecimator::output() {
  untilOutput_ = factor_;
  ++outputs_;
  const double* centre = buf_.data() + len_ - 1 - half_;
  // Symmetric taps take the two samples at equal distance together; four sums keep the
  // additions independent so they overlap.
  double sums[4] = {0, 0, 0, 0};
  int k = 1;
  for (; k + 3 <= half_; k += 4) {
    sums[0] += taps_[k] * (centre[-k] + centre[k]);
    sums[1] += taps_[k + 1] * (centre[-k - 1] + centre[k + 1]);
    sums[2] += taps_[k + 2] * (centre[-k - 2] + centre[k + 2]);
    sums[3] += taps_[k + 3] * (centre[-k - 3] + centre[k + 3]);
  }
  for (; k <= half_; ++k) sums[0] += taps_[k] * (centre[-k] + centre[k]);
  const double filtered = taps_[0] * centre[0] + ((sums[0] + sums[1]) + (sums[2] + sums[3]));
  const double value = common::roundHalfAwayFromZero(filtered) + range_.zero;
  return static_cast<std::int64_t>(std::clamp(value, static_cast<double>(range_.lowest),
                                              static_cast<double>(range_.highest)));
}

}  // namespace varno::pipeline

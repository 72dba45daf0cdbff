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
    const double window =
        std::cyl_bessel_i(0.0, kKaiserBeta * std::sqrt(1.0 - r * r)) / windowScale;
    taps[static_cast<std::size_t>(k + half)] = sinc * window;
    sum += sinc * window;
  }
  // A gain of exactly 1 at 0 Hz keeps a constant whole number whole.
  for (double& tap : taps) tap /= sum;
  return taps;
}

LowPassDecimator::LowPassDecimator(int factor, SampleRange range)
    : factor_(factor),
      range_(range),
      lowest_(range.lowest),
      highest_(range.highest),
      half_(kLowPassHalfPeriods * factor) {
  const std::vector<double> all = lowPassTaps(factor);
  taps_.assign(all.begin() + half_, all.end());
  buf_.resize(2 * static_cast<std::size_t>(half_) + kBlock);
  out_.reserve(kBlock / static_cast<std::size_t>(factor) + 1);
}

void LowPassDecimator::prime(double first) {
  // The first sample stands in for the ones before it.
  base_ = -half_;
  len_ = 0;
  for (int k = 0; k < half_; ++k) buf_[len_++] = first;
}

std::span<const std::int64_t> LowPassDecimator::finish() {
  out_.clear();
  const std::int64_t owed = (inputs_ + factor_ - 1) / factor_;
  if (outputs_ >= owed) return out_;
  // The last sample stands in for the ones after it, up to the end of the last output's reach.
  const std::int64_t end = (owed - 1) * factor_ + half_ + 1;
  while (base_ + static_cast<std::int64_t>(len_) < end) {
    if (len_ == buf_.size()) filter();
    buf_[len_++] = last_;
  }
  filter();
  return out_;
}

std::size_t LowPassDecimator::bufferBytes() const {
  return (buf_.size() + taps_.size()) * sizeof(double) + out_.capacity() * sizeof(std::int64_t);
}

void LowPassDecimator::filter() {
  const std::int64_t end = base_ + static_cast<std::int64_t>(len_);
  std::int64_t centreSample = outputs_ * factor_;
  for (; centreSample + half_ < end; centreSample += factor_) {
    const double* centre = buf_.data() + (centreSample - base_);
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
    out_.push_back(static_cast<std::int64_t>(std::clamp(value, lowest_, highest_)));
    ++outputs_;
  }
  const auto from = static_cast<std::size_t>(centreSample - half_ - base_);
  std::memmove(buf_.data(), buf_.data() + from, (len_ - from) * sizeof(double));
  len_ -= from;
  base_ += static_cast<std::int64_t>(from);
}

}  // namespace varno::pipeline

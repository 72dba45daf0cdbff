#pragma once
// The low-pass method: a decimating linear-phase filter that removes what the lower rate
// cannot carry before keeping one value per group, so no tone folds back as a false one.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace varno::pipeline {

// The values a bits line allows and its zero line: 0..255 around 128 when the line's
// leading number is 8, else -32768..32767 around 0.
struct SampleRange {
  int zero;
  int lowest;
  int highest;
};
SampleRange sampleRangeOf(std::string_view bitsLine);

// Half the filter's length in original samples: seven output periods on each side.
constexpr int kLowPassHalfPeriods = 7;

// The taps h[0..2·7·factor]: a sinc cut off at 0.5/factor cycles per sample (the lower
// rate's Nyquist limit) under a Kaiser window (beta 6.5: at least 66 dB of stop band from
// 1.3 times that limit, within 0.005 dB up to 0.7 times it), scaled to sum to 1.
std::vector<double> lowPassTaps(int factor);

// Filters a stream of samples and keeps every factor-th result: output m stands for
// sample m·factor, as with the first sample, and N samples give ceil(N / factor) outputs.
// Samples before the first and after the last count as copies of the first and last, so a
// constant comes out unchanged up to both ends. Each output is rounded halves away from
// zero around the zero line and clamped to the range; an input beyond the range counts as
// its nearest limit.
class LowPassDecimator {
 public:
  LowPassDecimator(int factor, SampleRange range);

  // Takes the next sample. The outputs come in blocks, a few thousand samples apart
  // (computing them together lets the processor overlap them); returns the block this
  // sample completed, usually none, valid until the next call.
  std::span<const std::int64_t> push(double value) {
    const double offset = std::clamp(value, lowest_, highest_) - range_.zero;
    if (inputs_ == 0) prime(offset);
    ++inputs_;
    last_ = offset;
    buf_[len_++] = offset;
    if (len_ < buf_.size()) return {};
    out_.clear();
    filter();
    return out_;
  }
  // After the last sample: the outputs still owed.
  std::span<const std::int64_t> finish();

  // Memory the filter holds, whatever the length of the stream.
  std::size_t bufferBytes() const;

 private:
  void prime(double first);
  // Adds every output whose samples are all in the buffer to out_, then moves the samples
  // the next output needs to the front.
  void filter();

  int factor_;
  SampleRange range_;
  double lowest_;  // the range's limits as the filter's numbers
  double highest_;
  int half_;                  // taps on each side of the centre
  std::vector<double> taps_;  // the centre and one side: the filter is symmetric
  std::vector<double> buf_;   // samples less the zero line; buf_[i] is sample base_ + i
  std::size_t len_ = 0;
  std::int64_t base_ = 0;
  std::int64_t inputs_ = 0;
  std::int64_t outputs_ = 0;
  double last_ = 0;
  std::vector<std::int64_t> out_;
};

}  // namespace varno::pipeline

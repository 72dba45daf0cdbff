#pragma once
// The low-pass method: a decimating linear-phase filter that removes what the lower rate
// cannot carry before keeping one value per group, so no tone folds back as a false one.
#include <cstddef>
#include <cstdint>
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
// rate's Nyquist limit) under a Kaiser window (beta 6.5: about 67 dB of stop band from
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

  // Takes the next sample; true when `out` received the next output.
  bool push(double value, std::int64_t& out);
  // After the last sample: true while `out` receives one more of the outputs still owed.
  bool drain(std::int64_t& out);

  // Memory the filter holds, whatever the length of the stream.
  std::size_t bufferBytes() const;

 private:
  void append(double offset);
  std::int64_t output();

  int factor_;
  SampleRange range_;
  int half_;                  // taps on each side of the centre
  std::vector<double> taps_;  // the centre and one side: the filter is symmetric
  std::vector<double> buf_;   // recent samples less the zero line, the newest at len_ - 1
  std::size_t len_ = 0;
  std::int64_t inputs_ = 0;
  std::int64_t outputs_ = 0;
  std::int64_t untilOutput_ = 0;  // samples still to append before the next output is due
  double last_ = 0;
};

}  // namespace varno::pipeline

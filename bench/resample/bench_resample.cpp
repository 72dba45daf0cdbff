// Times the re-sampling of a 10-minute 44.1 kHz 16-bit recording at factors 2 and 128 with
// both methods, and the longest stretch between two chances for the window to handle events.
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "recording.h"
#include "pipeline/resample.h"

using namespace varno;
using varno::bench::kSamples;
using Clock = std::chrono::steady_clock;

int main() {
  const bench::Recording recording;
  std::printf("\nRe-sampling, best of 3 runs (target >= 25 M samples/s):\n");
  std::printf("  %-7s %-13s %-10s %-14s %-9s %s\n", "factor", "method", "time", "samples/s", "yields",
              "longest stretch without a yield");

  for (int factor : {2, 128}) {
    for (auto method : {pipeline::Method::FirstSample, pipeline::Method::Average}) {
      double best = 1e300;
      int yields = 0;
      double longest = 0;
      for (int round = 0; round < 3; ++round) {
        yields = 0;
        longest = 0;
        auto last = Clock::now();
        const auto start = last;
        const auto result = pipeline::resample(recording.original, recording.resampled, factor, method, [&] {
          const auto now = Clock::now();
          longest = std::max(longest, std::chrono::duration<double, std::milli>(now - last).count());
          last = now;
          ++yields;
          return true;
        });
        const auto end = Clock::now();
        longest = std::max(longest, std::chrono::duration<double, std::milli>(end - last).count());
        if (result.error != pipeline::ResampleError::None) {
          std::printf("re-sampling failed\n");
          return 1;
        }
        best = std::min(best, std::chrono::duration<double, std::milli>(end - start).count());
      }
      std::printf("  %-7d %-13s %7.0f ms %8.1f M/s   %-9d %.1f ms\n", factor,
                  method == pipeline::Method::FirstSample ? "first sample" : "average", best,
                  kSamples / best / 1e3, yields, longest);
    }
  }
  return 0;
}

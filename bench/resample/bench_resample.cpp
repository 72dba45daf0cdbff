// Times the re-sampling of a 10-minute 44.1 kHz 16-bit recording at factors 2 and 128 with
// both methods, and the longest stretch between two chances for the window to handle events.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "recording.h"
#include "pipeline/resample.h"

namespace fs = std::filesystem;
using namespace varno;
using varno::bench::kSamples;
using varno::bench::writeSampleText;
using Clock = std::chrono::steady_clock;

namespace {

}  // namespace

int main() {
  const fs::path dir = varno::bench::makeWorkFolder("resample");
  const fs::path original = dir / "Org_txt.txt";
  const fs::path resampled = dir / "Chg_txt.txt";
  std::printf("Making a 10-minute 44.1 kHz 16-bit sample text (%lld lines)...\n", static_cast<long long>(kSamples));
  writeSampleText(original);
  std::printf("  %.1f MB\n\nRe-sampling, best of 3 runs (target >= 25 M samples/s):\n", fs::file_size(original) / 1e6);
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
        const auto result = pipeline::resample(original, resampled, factor, method, [&] {
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
  fs::remove_all(dir);
  return 0;
}

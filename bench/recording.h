#pragma once
// The benchmarks' recording: 10 minutes at 44.1 kHz, 16 bits, a tone with an overtone and
// some noise, as sample text in a fresh temporary folder.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "testkit/files.h"

namespace varno::bench {

constexpr int kRate = 44100;
constexpr std::int64_t kSamples = 10LL * 60 * kRate;

inline std::int16_t sampleAt(std::int64_t i, std::uint32_t& noise) {
  noise = noise * 1664525u + 1013904223u;
  const double t = static_cast<double>(i) / kRate;
  const double v = 12000 * std::sin(2 * M_PI * 440 * t) + 6000 * std::sin(2 * M_PI * 3000 * t) +
                   static_cast<double>(noise >> 20) - 2048;
  return static_cast<std::int16_t>(std::clamp(std::lround(v), -32768L, 32767L));
}

inline void writeSampleText(const std::filesystem::path& path) {
  std::ofstream out(path, std::ios::binary);
  out << kRate << "\r\n16\r\n";
  std::string block;
  std::uint32_t noise = 1;
  char number[16];
  for (std::int64_t i = 0; i < kSamples; ++i) {
    const auto end = std::to_chars(number, number + sizeof number, sampleAt(i, noise)).ptr;
    block.append(number, end).append("\r\n");
    if (block.size() > (1 << 20)) {
      out << block;
      block.clear();
    }
  }
  out << block;
}

// The recording written as Org_txt.txt, beside the name of its re-sampled file.
struct Recording {
  Recording() {
    std::printf("Making a 10-minute 44.1 kHz 16-bit sample text (%lld lines)...\n",
                static_cast<long long>(kSamples));
    writeSampleText(original);
    std::printf("  %.1f MB\n", std::filesystem::file_size(original) / 1e6);
  }

  testkit::TempDir dir;
  const std::filesystem::path original = dir / "Org_txt.txt";
  const std::filesystem::path resampled = dir / "Chg_txt.txt";
};

}  // namespace varno::bench

#pragma once
// The benchmarks' recording: 10 minutes at 44.1 kHz, 16 bits, a tone with an overtone and
// some noise, as sample text in a fresh temporary folder.
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

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

// A new folder under /tmp named after the benchmark; exits when none can be made.
inline std::filesystem::path makeWorkFolder(const char* name) {
  std::string pattern = std::string("/tmp/varno-bench-") + name + "-XXXXXX";
  if (!::mkdtemp(pattern.data())) {
    std::perror("mkdtemp");
    std::exit(1);
  }
  return pattern;
}

}  // namespace varno::bench

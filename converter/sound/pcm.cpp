#include "converter/sound/pcm.h"

#include <cmath>

namespace varno::sound {

int keptChannels(int channels) { return channels == 2 ? 2 : 1; }

namespace {

// y rounded half away from zero and clipped to -limit .. limit - 1; NaN gives 0. Integer
// steps the compiler inlines, where std::round is a library call for every sample.
int roundClipped(double y, int limit) {
  if (!(y > -limit)) return std::isnan(y) ? 0 : -limit;
  if (y >= limit - 0.5) return limit - 1;
  const int whole = static_cast<int>(y);  // towards zero
  // Exact: y and whole are within one of each other.
  const double rest = y - whole;
  return whole + (rest >= 0.5 ? 1 : rest <= -0.5 ? -1 : 0);
}

}  // namespace

std::int16_t toPcm16(double x) {
  return static_cast<std::int16_t>(roundClipped(x * 32768.0, 32768));
}

std::uint8_t toPcm8(double x) {
  return static_cast<std::uint8_t>(roundClipped(x * 128.0, 128) + 128);
}

std::size_t waveFrameBytes(int channels, int bits) {
  return static_cast<std::size_t>(keptChannels(channels)) * (bits == 8 ? 1 : 2);
}

std::size_t packFrames(std::span<const double> samples, int channels, int bits, char* out) {
  const auto stride = static_cast<std::size_t>(channels);
  const auto kept = static_cast<std::size_t>(keptChannels(channels));
  const std::size_t frames = samples.size() / stride;
  char* p = out;
  for (std::size_t f = 0; f < frames; ++f) {
    const double* frame = samples.data() + f * stride;
    for (std::size_t c = 0; c < kept; ++c) {
      if (bits == 8) {
        *p++ = static_cast<char>(toPcm8(frame[c]));
      } else {
        const auto v = static_cast<std::uint16_t>(toPcm16(frame[c]));
        *p++ = static_cast<char>(v & 0xFF);
        *p++ = static_cast<char>(v >> 8);
      }
    }
  }
  return static_cast<std::size_t>(p - out);
}

}  // namespace varno::sound

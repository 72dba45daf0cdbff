#include "converter/sound/pcm.h"

#include <algorithm>
#include <cmath>

namespace varno::sound {

int keptChannels(int channels) { return channels == 2 ? 2 : 1; }

std::int16_t toPcm16(double x) {
  if (std::isnan(x)) return 0;
  // std::round takes halves away from zero.
  return static_cast<std::int16_t>(std::clamp(std::round(x * 32768.0), -32768.0, 32767.0));
}

std::uint8_t toPcm8(double x) {
  if (std::isnan(x)) return 128;
  return static_cast<std::uint8_t>(std::clamp(std::round(x * 128.0), -128.0, 127.0) + 128.0);
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

#include "testkit/sound.h"

#include <sndfile.h>

#include <cmath>
#include <numbers>

namespace varno::testkit {

bool writeSound(const std::filesystem::path& path, const SoundKind& kind, long frames,
                const SoundValue& value) {
  SF_INFO info{};
  info.samplerate = kind.rate;
  info.channels = kind.channels;
  info.format = kind.format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (file == nullptr) return false;
  constexpr long kBlock = 4096;
  std::vector<double> block(static_cast<std::size_t>(kBlock * kind.channels));
  bool written = true;
  for (long start = 0; start < frames && written; start += kBlock) {
    const long count = std::min(kBlock, frames - start);
    for (long f = 0; f < count; ++f)
      for (int c = 0; c < kind.channels; ++c)
        block[static_cast<std::size_t>(f * kind.channels + c)] = value(start + f, c);
    written = sf_writef_double(file, block.data(), count) == count;
  }
  return sf_close(file) == 0 && written;
}

SoundValue sine(const SoundKind& kind, double hz, double level) {
  const double step = 2 * std::numbers::pi * hz / kind.rate;
  return [step, level](long frame, int) { return level * std::sin(step * frame); };
}

}  // namespace varno::testkit

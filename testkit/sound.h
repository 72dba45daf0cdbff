#pragma once
// Sound files of every kind the decoder reads, written by libsndfile for the tests and the
// benchmarks that need them.
#include <filesystem>
#include <functional>
#include <vector>

namespace varno::testkit {

// A libsndfile format (SF_FORMAT_FLAC | SF_FORMAT_PCM_16 …), a rate and a channel count.
struct SoundKind {
  int format;
  int rate = 44100;
  int channels = 1;
};

// The value between -1 and 1 of one channel of one frame.
using SoundValue = std::function<double(long frame, int channel)>;

// Writes `frames` frames of `value` as a file of `kind`, a block at a time, so that long
// files take little memory; false when libsndfile cannot.
bool writeSound(const std::filesystem::path& path, const SoundKind& kind, long frames,
                const SoundValue& value);

// A sine of `hz` at amplitude `level`, the same on every channel.
SoundValue sine(const SoundKind& kind, double hz, double level = 0.5);

}  // namespace varno::testkit

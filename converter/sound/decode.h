#pragma once
// Any sound file libsndfile reads to a plain PCM WAVE file, block by block, so that memory
// does not grow with the sound's length.
#include <cstdint>
#include <functional>
#include <string>

#include "converter/byte_io.h"
#include "converter/error.h"
#include "converter/job.h"

namespace varno::sound {

// Frames as a decoding library hands them out: interleaved, normalised to -1 .. 1.
class FrameReader {
 public:
  virtual ~FrameReader() = default;
  // Reads up to `frames` frames into `samples`; fewer only at the end or on a failure.
  virtual std::size_t read(double* samples, std::size_t frames) = 0;
  // Why the last read stopped short, in the library's words; empty at the end of the sound.
  virtual std::string failure() const = 0;
};

// Frames read at a time from a source of `channels` channels: a few thousand, fewer for many
// channels.
std::size_t blockFrames(int channels);

// Told the frames written so far after each block; an error it returns ends the writing.
using ProgressCall = std::function<converter::Error(std::uint64_t frames)>;

// Writes `in`, of `channels` channels at `rate`, as a WAVE file of `bits` (8 or 16): a
// provisional header, the data of each block as packFrames makes it, then the final header.
// Error::OutputTooLong as soon as the data would pass kMaxWaveData; Error::NotDecodable, with
// the library's reason, when a read fails.
converter::Outcome writeDecodedWave(FrameReader& in, int channels, std::uint32_t rate, int bits,
                                    converter::ByteSink& out, const ProgressCall& progress);

// The decoder's conversion. Opens `input` with libsndfile, which tells the format from the
// content, and reports it. With an empty `outputPath` it only decodes the first block, so that
// data a header hides is found broken already; otherwise it writes the WAVE to `outputPath`,
// which replaces the old file only when complete, and reports the progress on the way.
converter::Outcome decodeSound(converter::FileSource& input, const std::string& outputPath,
                               converter::JobReport& report);

}  // namespace varno::sound

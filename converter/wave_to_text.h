#pragma once
// WAVE file to sample text: the first channel's samples, one decimal number per line.
#include <cstdint>
#include <string>

#include "converter/byte_io.h"
#include "converter/error.h"

namespace varno::converter {

struct WaveFormat {
  std::uint16_t channels = 0;
  std::int32_t rate = 0;
  std::int16_t bits = 0;
  std::uint32_t dataSize = 0;
};

// Reads the 44-byte header in its three pieces (12, 24 and 8 bytes) and checks, in this
// order: "RIFF" and "WAVE", "fmt " and "data", format tag 1, 8 or 16 bits, at least one
// channel, a rate from 1 to 2^31 - 1. A piece that could not be read whole matches nothing.
Error readWaveHeader(ByteSource& in, WaveFormat& format);

// Writes the rate line, the bits line and the first sample of every whole frame of the data
// chunk, each line ending with CR LF. A data chunk shorter than its size gives the frames
// present and sets `shortData`.
Error writeSampleText(const WaveFormat& format, ByteSource& in, ByteSink& out, bool& shortData);

// The whole conversion of `in` into the sample-text file `outputPath`, which is opened only
// once the header has passed its checks.
Outcome convertWaveToText(ByteSource& in, const std::string& outputPath);

}  // namespace varno::converter

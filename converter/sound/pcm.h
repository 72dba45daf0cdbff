#pragma once
// Decoded samples, normalised to -1 .. 1 as libsndfile hands them out, as the 8- and 16-bit
// PCM data of a plain WAVE file. The rate is kept; there is no dither.
#include <cstddef>
#include <cstdint>
#include <span>

namespace varno::sound {

// The largest data chunk a WAVE file can hold: its RIFF size, 36 + data + a pad byte, is 32 bits.
constexpr std::uint64_t kMaxWaveData = 0xFFFFFFFFULL - 36 - 1;

// The channels the WAVE keeps of a source's: one or two as they are; of more, the first alone.
int keptChannels(int channels);

// x × 32768 rounded half away from zero and clipped to -32768 .. 32767; NaN gives 0.
std::int16_t toPcm16(double x);

// x × 128 rounded half away from zero, clipped to -128 .. 127 and stored offset by 128, as
// 8-bit WAVE data is; NaN gives 128, silence.
std::uint8_t toPcm8(double x);

// Bytes of one frame of the WAVE made from `channels` source channels at `bits` (8 or 16).
std::size_t waveFrameBytes(int channels, int bits);

// Converts the whole frames of `channels` interleaved samples into WAVE data at `out`, the
// kept channels of each frame in order, 16-bit values least significant byte first. `out`
// holds the frames × waveFrameBytes(channels, bits) bytes written; returns that count.
std::size_t packFrames(std::span<const double> samples, int channels, int bits, char* out);

}  // namespace varno::sound

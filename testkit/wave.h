#pragma once
// WAVE files as the tests need them: valid, or wrong in any one field.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace varno::testkit {

// The fields of a WAVE file; the defaults make a valid mono 16-bit 44100 Hz file with the plain
// 44-byte header. Designated initializers name what a case changes: {.rate = 8000, .bits = 8}.
struct WaveFields {
  std::string riff = "RIFF";
  std::string wave = "WAVE";
  std::string fmt = "fmt ";
  std::uint32_t fmtSize = 16;  // past 16, zero bytes fill the chunk
  std::uint16_t tag = 1;
  std::uint16_t channels = 1;
  std::uint32_t rate = 44100;
  std::uint16_t bits = 16;
  std::string chunks;  // whole chunks between fmt and data, as chunk() makes them
  std::string data = "data";
  // Declared data size; by default the size of the bytes that follow.
  std::int64_t dataSize = -1;
  // A 0 after an odd number of data bytes, counted in the RIFF size as trosk writes it.
  bool padded = false;
};

// The file of `fields` around `data`: byte rate, block align and RIFF size computed from them.
std::string waveBytes(const WaveFields& fields, std::string_view data);

// A chunk: its id, the size of `body`, then `body`.
std::string chunk(std::string_view id, std::string_view body);

// Appends the low `bytes` bytes of `value`, least significant first.
void putLe(std::string& out, std::uint32_t value, int bytes);

// Samples as PCM data: 8-bit as stored (0 to 255), 16-bit signed.
std::string pcm8(const std::vector<int>& samples);
std::string pcm16(const std::vector<int>& samples);

}  // namespace varno::testkit

#include "testkit/wave.h"

#include <algorithm>

namespace varno::testkit {

void putLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string waveBytes(const WaveFields& fields, std::string_view data) {
  const auto dataSize = static_cast<std::uint32_t>(
      fields.dataSize < 0 ? static_cast<std::int64_t>(data.size()) : fields.dataSize);
  const std::uint32_t align = fields.channels * (fields.bits / 8u);
  const std::uint32_t pad = fields.padded ? dataSize % 2 : 0;
  const std::uint32_t fmtBody = std::max<std::uint32_t>(fields.fmtSize, 16);
  std::string s = fields.riff;
  putLe(s, static_cast<std::uint32_t>(4 + 8 + fmtBody + fields.chunks.size() + 8 + dataSize + pad),
        4);
  s += fields.wave + fields.fmt;
  putLe(s, fields.fmtSize, 4);
  putLe(s, fields.tag, 2);
  putLe(s, fields.channels, 2);
  putLe(s, fields.rate, 4);
  putLe(s, fields.rate * align, 4);
  putLe(s, align, 2);
  putLe(s, fields.bits, 2);
  s.append(fmtBody - 16, '\0');
  s += fields.chunks + fields.data;
  putLe(s, dataSize, 4);
  return s.append(data).append(pad, '\0');
}

std::string chunk(std::string_view id, std::string_view body) {
  std::string s(id);
  putLe(s, static_cast<std::uint32_t>(body.size()), 4);
  return s.append(body);
}

namespace {

std::string pcm(const std::vector<int>& samples, int bytes) {
  std::string s;
  for (int v : samples) putLe(s, static_cast<std::uint32_t>(v), bytes);
  return s;
}

}  // namespace

std::string pcm8(const std::vector<int>& samples) { return pcm(samples, 1); }
std::string pcm16(const std::vector<int>& samples) { return pcm(samples, 2); }

}  // namespace varno::testkit

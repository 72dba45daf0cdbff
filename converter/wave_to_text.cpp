#include "converter/wave_to_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <limits>
#include <vector>

namespace varno::converter {

namespace {

std::uint16_t u16At(const unsigned char* p) {
  return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
std::uint32_t u32At(const unsigned char* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

constexpr std::size_t kInputBlock = 64 * 1024;
constexpr std::size_t kOutputBuffer = 256 * 1024;
// Longest line: "-2147483648\r\n".
constexpr std::size_t kLongestLine = 13;

// Collects lines in a bounded buffer and hands it to the sink when nearly full.
class LineWriter {
 public:
  explicit LineWriter(ByteSink& out) : out_(out), buffer_(kOutputBuffer) {}

  bool put(std::int32_t value) {
    if (buffer_.size() - used_ < kLongestLine && !flush()) return false;
    char* p = buffer_.data() + used_;
    p = std::to_chars(p, buffer_.data() + buffer_.size(), value).ptr;
    *p++ = '\r';
    *p++ = '\n';
    used_ = static_cast<std::size_t>(p - buffer_.data());
    return true;
  }

  bool flush() {
    const bool ok = used_ == 0 || out_.write(buffer_.data(), used_);
    used_ = 0;
    return ok;
  }

 private:
  ByteSink& out_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
};

}  // namespace

Error readWaveHeader(ByteSource& in, WaveFormat& format) {
  std::array<unsigned char, 44> h{};
  auto piece = [&in, &h](std::size_t offset, std::size_t size) {
    return in.read(reinterpret_cast<char*>(h.data() + offset), size) == size;
  };
  const bool first = piece(0, 12);
  const bool second = first && piece(12, 24);
  const bool third = second && piece(36, 8);
  if (in.failed()) return Error::InputNotRead;

  auto tag = [&h](std::size_t offset, const char* text) {
    return std::memcmp(h.data() + offset, text, 4) == 0;
  };
  if (!first || !tag(0, "RIFF") || !tag(8, "WAVE")) return Error::NotWave;
  if (!second || !third || !tag(12, "fmt ") || !tag(36, "data")) return Error::IllegalFormat;
  if (u16At(&h[20]) != 1) return Error::NotLinearPcm;

  format.channels = u16At(&h[22]);
  const std::uint32_t rate = u32At(&h[24]);
  format.bits = static_cast<std::int16_t>(u16At(&h[34]));
  format.dataSize = u32At(&h[40]);
  if (format.bits != 8 && format.bits != 16) return Error::BadBits;
  if (format.channels == 0) return Error::NoChannels;
  // Written as a signed number, a rate of 2^31 or more would turn negative.
  if (rate == 0 || rate > static_cast<std::uint32_t>(std::numeric_limits<std::int32_t>::max()))
    return Error::BadRate;
  format.rate = static_cast<std::int32_t>(rate);
  return Error::None;
}

Error writeSampleText(const WaveFormat& format, ByteSource& in, ByteSink& out, bool& shortData) {
  shortData = false;
  LineWriter lines(out);
  if (!lines.put(format.rate) || !lines.put(format.bits)) return Error::OutputNotWritten;

  const std::size_t sampleBytes = format.bits == 16 ? 2 : 1;
  const std::size_t frameBytes = sampleBytes * format.channels;
  const std::size_t blockFrames = std::max<std::size_t>(1, kInputBlock / frameBytes);
  std::vector<char> block(blockFrames * frameBytes);

  std::uint64_t framesLeft = format.dataSize / frameBytes;
  while (framesLeft > 0) {
    const std::size_t wanted =
        static_cast<std::size_t>(std::min<std::uint64_t>(framesLeft, blockFrames));
    const std::size_t got = in.read(block.data(), wanted * frameBytes);
    const auto* p = reinterpret_cast<const unsigned char*>(block.data());
    const auto* end = p + got / frameBytes * frameBytes;
    if (sampleBytes == 1) {
      for (; p != end; p += frameBytes)
        if (!lines.put(*p)) return Error::OutputNotWritten;
    } else {
      for (; p != end; p += frameBytes)
        if (!lines.put(static_cast<std::int16_t>(u16At(p)))) return Error::OutputNotWritten;
    }
    if (got < wanted * frameBytes) {
      if (in.failed()) return Error::InputNotRead;
      shortData = true;
      return lines.flush() ? Error::None : Error::OutputNotWritten;
    }
    framesLeft -= wanted;
  }
  // The bytes of a last, partial frame are not written, but they must be there.
  const std::size_t partial = format.dataSize % frameBytes;
  if (partial > 0 && in.read(block.data(), partial) < partial) {
    if (in.failed()) return Error::InputNotRead;
    shortData = true;
  }
  return lines.flush() ? Error::None : Error::OutputNotWritten;
}

Outcome convertWaveToText(ByteSource& in, const std::string& outputPath) {
  Outcome outcome;
  WaveFormat format;
  outcome.error = readWaveHeader(in, format);
  if (outcome.error != Error::None) return outcome;
  ReplacingSink out;
  if (!out.open(outputPath)) {
    outcome.error = Error::OutputNotOpened;
    return outcome;
  }
  outcome.error = writeSampleText(format, in, out, outcome.shortData);
  if (outcome.error == Error::None && !out.commit()) outcome.error = Error::OutputNotWritten;
  return outcome;
}

}  // namespace varno::converter

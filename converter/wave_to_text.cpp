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
// Longest line: "-2147483648\r\n".
constexpr std::size_t kLongestLine = 13;
// A sample's line is copied as this many bytes and the rest overwritten by the next line;
// "-32768\r\n" fills it.
constexpr std::size_t kSlot = 8;
// Holds the lines of a whole input block of one-byte frames, so the copying loop never checks.
constexpr std::size_t kOutputBuffer = 1024 * 1024;
static_assert(kOutputBuffer >= kInputBlock * kSlot);

// The line of every sample value, so that converting a sample is one fixed-size copy.
template <std::size_t Values>
class SampleLines {
 public:
  // `sample(raw)` is the value whose text the stored pattern `raw` gives.
  template <class Sample>
  explicit SampleLines(Sample sample) {
    for (std::size_t raw = 0; raw < Values; ++raw) {
      char* p = std::to_chars(text_[raw].data(), text_[raw].data() + kSlot, sample(raw)).ptr;
      *p++ = '\r';
      *p++ = '\n';
      length_[raw] = static_cast<std::uint8_t>(p - text_[raw].data());
    }
  }

  // Writes the line of `raw` at `p`, touching kSlot bytes; returns the end of the line.
  char* put(std::size_t raw, char* p) const {
    std::memcpy(p, text_[raw].data(), kSlot);
    return p + length_[raw];
  }

 private:
  std::array<std::array<char, kSlot>, Values> text_{};
  std::array<std::uint8_t, Values> length_{};
};

const SampleLines<256>& eightBitLines() {
  static const SampleLines<256> lines([](std::size_t raw) { return static_cast<int>(raw); });
  return lines;
}

// Filled on the first 16-bit file only, so 8-bit runs never touch its half megabyte.
const SampleLines<65536>& sixteenBitLines() {
  static const SampleLines<65536> lines(
      [](std::size_t raw) { return static_cast<std::int16_t>(static_cast<std::uint16_t>(raw)); });
  return lines;
}

// Collects lines in a large buffer and hands it to the sink when a block's lines might not fit.
class LineWriter {
 public:
  explicit LineWriter(ByteSink& out) : out_(out), buffer_(kOutputBuffer) {}

  // Where `size` more bytes can be written, the lines held handed on first when they would
  // not fit; null when that write failed. keep() then takes what was written.
  char* room(std::size_t size) {
    if (buffer_.size() - used_ < size && !flush()) return nullptr;
    return buffer_.data() + used_;
  }
  void keep(const char* end) { used_ = static_cast<std::size_t>(end - buffer_.data()); }

  bool put(std::int32_t value) {
    char* p = room(kLongestLine);
    if (p == nullptr) return false;
    p = std::to_chars(p, p + kLongestLine, value).ptr;
    *p++ = '\r';
    *p++ = '\n';
    keep(p);
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

// Writes the line of the first sample of each frame from `p` to `end` at `out`.
template <std::size_t Values>
char* putFirstSamples(const SampleLines<Values>& lines, const unsigned char* p,
                      const unsigned char* end, std::size_t frameBytes, char* out) {
  for (; p != end; p += frameBytes) out = lines.put(Values == 256 ? *p : u16At(p), out);
  return out;
}

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
    const std::size_t frames = got / frameBytes;
    char* at = lines.room(frames * kSlot);
    if (at == nullptr) return Error::OutputNotWritten;
    lines.keep(
        sampleBytes == 1
            ? putFirstSamples(eightBitLines(), p, p + frames * frameBytes, frameBytes, at)
            : putFirstSamples(sixteenBitLines(), p, p + frames * frameBytes, frameBytes, at));
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

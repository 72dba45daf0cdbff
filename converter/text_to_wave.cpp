#include "converter/text_to_wave.h"

#include <charconv>
#include <cstring>
#include <limits>

namespace varno::converter {

namespace {

constexpr std::size_t kBlock = 64 * 1024;
// The RIFF size field, 36 + data size + a pad byte, must fit 32 bits.
constexpr std::uint64_t kMaxDataSize = 0xFFFFFFFFULL - 36 - 1;

std::string_view trimBlanks(std::string_view s) {
  const std::size_t first = s.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t") - first + 1);
}

bool allDigits(std::string_view s) {
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

void putU16(char* p, std::uint32_t v) {
  p[0] = static_cast<char>(v & 0xFF);
  p[1] = static_cast<char>((v >> 8) & 0xFF);
}
void putU32(char* p, std::uint32_t v) {
  putU16(p, v & 0xFFFF);
  putU16(p + 2, v >> 16);
}

Outcome failAt(Error error, std::uint64_t line) { return Outcome{error, line, false, {}}; }

}  // namespace

Outcome writeWave(const TextFormat& format, LineReader& lines, ByteSink& out) {
  const std::array<char, 44> provisional = waveHeader(1, format.rate, format.bits, 0);
  if (!out.write(provisional.data(), provisional.size())) return failAt(Error::OutputNotWritten, 0);
  const int bits = format.bits;
  const std::size_t sampleBytes = bits == 16 ? 2 : 1;
  std::vector<char> buffer(kBlock);
  std::size_t used = 0;
  std::uint64_t dataSize = 0;
  std::string_view line;
  while (lines.next(line)) {
    if (lines.tooLong()) return failAt(Error::LineTooLong, lines.number());
    std::int32_t value = 0;
    if (Error e = parseSampleLine(line, bits, value); e != Error::None)
      return failAt(e, lines.number());
    if (dataSize + sampleBytes > kMaxDataSize) return failAt(Error::TooManySamples, lines.number());
    if (buffer.size() - used < sampleBytes) {
      if (!out.write(buffer.data(), used)) return failAt(Error::OutputNotWritten, 0);
      used = 0;
    }
    if (sampleBytes == 1)
      buffer[used] = static_cast<char>(value);
    else
      putU16(&buffer[used], static_cast<std::uint16_t>(value));
    used += sampleBytes;
    dataSize += sampleBytes;
  }
  if (lines.failed()) return failAt(Error::InputNotRead, 0);
  const std::array<char, 44> header =
      waveHeader(1, format.rate, bits, static_cast<std::uint32_t>(dataSize));
  // RIFF chunks are padded to an even size.
  const char pad = 0;
  if (!out.write(buffer.data(), used) || (dataSize % 2 != 0 && !out.write(&pad, 1)) ||
      !out.rewriteStart(header.data(), header.size()))
    return failAt(Error::OutputNotWritten, 0);
  return {};
}

LineReader::LineReader(ByteSource& in) : in_(in), block_(kBlock) {}

bool LineReader::fill() {
  if (atEnd_) return false;
  end_ = in_.read(block_.data(), block_.size());
  pos_ = 0;
  if (end_ < block_.size()) atEnd_ = true;
  return end_ > 0;
}

bool LineReader::next(std::string_view& line) {
  carry_.clear();
  tooLong_ = false;
  bool carrying = false;
  for (;;) {
    if (pos_ == end_ && !fill()) {
      if (!carrying) return false;
      line = carry_;
      break;
    }
    const char* start = block_.data() + pos_;
    const auto* lf = static_cast<const char*>(std::memchr(start, '\n', end_ - pos_));
    const std::size_t length = lf != nullptr ? static_cast<std::size_t>(lf - start) : end_ - pos_;
    pos_ += lf != nullptr ? length + 1 : length;
    if (lf != nullptr && !carrying) {
      line = std::string_view(start, length);
      break;
    }
    carry_.append(start, std::min(length, kMaxLine + 1 - carry_.size()));
    carrying = true;
    // Stops inside an overlong line rather than read an endless one to its end.
    if (lf != nullptr || carry_.size() > kMaxLine) {
      line = carry_;
      break;
    }
  }
  if (line.size() > kMaxLine) {
    tooLong_ = true;
  } else if (!line.empty() && line.back() == '\r') {
    line.remove_suffix(1);
  }
  ++number_;
  return true;
}

std::optional<std::uint32_t> parseRateLine(std::string_view line) {
  line = trimBlanks(line);
  const std::size_t dot = line.find('.');
  const std::string_view whole = line.substr(0, dot);
  const std::string_view fraction =
      dot == std::string_view::npos ? std::string_view{} : line.substr(dot + 1);
  if ((whole.empty() && fraction.empty()) || !allDigits(whole) || !allDigits(fraction))
    return std::nullopt;
  constexpr std::uint64_t kMax = std::numeric_limits<std::int32_t>::max();
  std::uint64_t value = 0;
  for (char c : whole) {
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
    if (value > kMax) return std::nullopt;
  }
  if (!fraction.empty() && fraction[0] >= '5') ++value;
  // A slow original re-sampled by a large factor still gets a rate a WAVE file can hold.
  if (value == 0 && fraction.find_first_not_of('0') != std::string_view::npos) value = 1;
  if (value == 0 || value > kMax) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

std::optional<int> parseBitsLine(std::string_view line) {
  line = trimBlanks(line);
  if (line == "8") return 8;
  if (line == "16") return 16;
  return std::nullopt;
}

Error parseSampleLine(std::string_view line, int bits, std::int32_t& value) {
  line = trimBlanks(line);
  std::int64_t v = 0;
  const auto [end, ec] = std::from_chars(line.data(), line.data() + line.size(), v);
  if (line.empty() || end != line.data() + line.size() || ec == std::errc::invalid_argument)
    return Error::NotWholeNumber;
  const bool fits =
      ec == std::errc{} && (bits == 8 ? v >= 0 && v <= 255 : v >= -32768 && v <= 32767);
  if (!fits) return bits == 8 ? Error::OutOf8BitRange : Error::OutOf16BitRange;
  value = static_cast<std::int32_t>(v);
  return Error::None;
}

std::array<char, 44> waveHeader(std::uint16_t channels, std::uint32_t rate, int bits,
                                std::uint32_t dataSize) {
  const std::uint32_t blockAlign = channels * (bits == 16 ? 2u : 1u);
  std::array<char, 44> h{};
  std::memcpy(&h[0], "RIFF", 4);
  putU32(&h[4], 36 + dataSize + dataSize % 2);
  std::memcpy(&h[8], "WAVE", 4);
  std::memcpy(&h[12], "fmt ", 4);
  putU32(&h[16], 16);
  putU16(&h[20], 1);
  putU16(&h[22], channels);
  putU32(&h[24], rate);
  putU32(&h[28], rate * blockAlign);
  putU16(&h[32], blockAlign);
  putU16(&h[34], static_cast<std::uint32_t>(bits));
  std::memcpy(&h[36], "data", 4);
  putU32(&h[40], dataSize);
  return h;
}

Outcome readTextHeader(LineReader& lines, TextFormat& format) {
  std::string_view line;
  const bool hasRate = lines.next(line);
  std::optional<std::uint32_t> rate;
  if (hasRate && !lines.tooLong()) rate = parseRateLine(line);
  if (lines.failed()) return failAt(Error::InputNotRead, 0);
  if (!rate) return failAt(Error::RateLine, 1);

  const bool hasBits = lines.next(line);
  std::optional<int> bits;
  if (hasBits && !lines.tooLong()) bits = parseBitsLine(line);
  if (lines.failed()) return failAt(Error::InputNotRead, 0);
  if (!bits) return failAt(Error::BitsLine, 2);
  format = {*rate, *bits};
  return {};
}

Outcome convertTextToWave(ByteSource& in, const std::string& outputPath) {
  LineReader lines(in);
  TextFormat format;
  if (Outcome header = readTextHeader(lines, format); header.error != Error::None) return header;
  ReplacingSink out;
  if (!out.open(outputPath)) return failAt(Error::OutputNotOpened, 0);
  Outcome outcome = writeWave(format, lines, out);
  if (outcome.error == Error::None && !out.commit()) outcome.error = Error::OutputNotWritten;
  return outcome;
}

}  // namespace varno::converter

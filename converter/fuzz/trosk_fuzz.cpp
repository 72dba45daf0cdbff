// libFuzzer entry: trosk's reading of arbitrary sample text, on memory only. Besides the
// sanitizers' checks it asserts that whatever is accepted comes out as a well-formed mono
// WAVE file holding, sample for sample, the numbers of the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "converter/byte_io.h"
#include "converter/text_to_wave.h"

namespace {

using varno::converter::Error;

void check(bool ok) {
  if (!ok) std::abort();
}

std::uint32_t u32At(const std::string& s, std::size_t at) {
  std::uint32_t v = 0;
  for (std::size_t i = 4; i-- > 0;) v = v << 8 | static_cast<unsigned char>(s[at + i]);
  return v;
}

std::uint32_t u16At(const std::string& s, std::size_t at) {
  return static_cast<unsigned char>(s[at]) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8;
}

// The text's lines as trosk reads them: split at LF, one CR before it dropped; a last line
// without LF counts, an empty rest after the last LF does not.
std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const std::size_t lf = text.find('\n');
    std::string_view line = text.substr(0, lf);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    text = lf == std::string_view::npos ? std::string_view{} : text.substr(lf + 1);
  }
  return lines;
}

// A sample line read independently: blanks around, an optional "-", decimal digits.
bool sampleOf(std::string_view line, long long& value) {
  while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  const bool negative = !line.empty() && line.front() == '-';
  if (negative) line.remove_prefix(1);
  if (line.empty()) return false;
  while (line.size() > 1 && line.front() == '0') line.remove_prefix(1);
  if (line.size() > 18) return false;
  value = 0;
  for (char c : line) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varno::converter;
  MemorySource in(data, size);
  LineReader lines(in);
  TextFormat format;
  const Outcome header = readTextHeader(lines, format);
  if (header.error != Error::None) {
    check((header.error == Error::RateLine && header.line == 1) ||
          (header.error == Error::BitsLine && header.line == 2));
    return 0;
  }
  check(format.rate >= 1 && format.rate <= 0x7FFFFFFFu && (format.bits == 8 || format.bits == 16));
  StringSink out;
  const Outcome outcome = writeWave(format, lines, out);
  const std::vector<std::string_view> text = linesOf({reinterpret_cast<const char*>(data), size});
  if (outcome.error != Error::None) {
    check(outcome.error == Error::NotWholeNumber || outcome.error == Error::OutOf8BitRange ||
          outcome.error == Error::OutOf16BitRange || outcome.error == Error::LineTooLong);
    check(outcome.line >= 3 && outcome.line <= text.size());
    return 0;
  }

  const std::string& wave = out.bytes();
  check(wave.size() >= 44);
  const std::uint32_t sampleBytes = format.bits / 8;
  const std::uint32_t dataSize = u32At(wave, 40);
  const std::uint32_t pad = dataSize % 2;
  check(wave.compare(0, 4, "RIFF") == 0 && u32At(wave, 4) == wave.size() - 8 &&
        wave.compare(8, 8, "WAVEfmt ") == 0 && u32At(wave, 16) == 16 && u16At(wave, 20) == 1 &&
        u16At(wave, 22) == 1 && u32At(wave, 24) == format.rate &&
        u32At(wave, 28) == format.rate * sampleBytes && u16At(wave, 32) == sampleBytes &&
        u16At(wave, 34) == static_cast<std::uint32_t>(format.bits) &&
        wave.compare(36, 4, "data") == 0);
  check(wave.size() == 44 + std::uint64_t{dataSize} + pad && dataSize % sampleBytes == 0);
  if (pad != 0) check(wave.back() == '\0');
  // Every line after the first two is one sample, in its range, of the same value.
  check(text.size() >= 2 && dataSize / sampleBytes == text.size() - 2);
  for (std::size_t i = 2; i < text.size(); ++i) {
    long long value = 0;
    check(sampleOf(text[i], value));
    const std::size_t at = 44 + (i - 2) * sampleBytes;
    const long long written = sampleBytes == 1 ? static_cast<unsigned char>(wave[at])
                                               : static_cast<std::int16_t>(u16At(wave, at));
    check(written == value);
  }
  return 0;
}

// libFuzzer entry: pelkin's reading of arbitrary bytes, on memory only. Besides the
// sanitizers' checks it asserts that whatever is accepted comes out as the lines of the
// numbers the input holds, across as many read blocks as the input spans.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "converter/byte_io.h"
#include "converter/wave_to_text.h"

namespace {

using varno::converter::ByteSink;
using varno::converter::WaveFormat;

// Checks each line as it arrives against its number written plainly, then CR LF: the rate,
// the bits, then the first sample of each of the `frames` whole frames at `data`.
class CheckingSink final : public ByteSink {
 public:
  CheckingSink(const WaveFormat& format, const std::uint8_t* data, std::uint64_t frames)
      : format_(format), data_(data), frames_(frames) {}
  // Left out of the coverage the fuzzer steers by: traced, checking a line would cost more
  // than converting it and count as paths of pelkin's.
  [[clang::no_sanitize("coverage")]] bool write(const char* data, std::size_t size) override {
    const char* end = data + size;
    while (data != end) {
      const auto* newline = static_cast<const char*>(std::memchr(data, '\n', end - data));
      if (newline == nullptr) {
        line_.append(data, end);
        if (line_.size() > 12) std::abort();
        break;
      }
      std::string_view line(data, newline - data);
      if (!line_.empty()) line = line_.append(line);
      check(line);
      line_.clear();
      data = newline + 1;
    }
    return true;
  }
  bool rewriteStart(const char*, std::size_t) override { return false; }
  std::uint64_t lines() const { return lines_; }
  bool midLine() const { return !line_.empty(); }

 private:
  [[clang::no_sanitize("coverage")]] void check(std::string_view line) {
    if (lines_ >= 2 + frames_) std::abort();
    // Written by hand from the end: the standard library's formatting would be traced.
    char text[16];
    char* p = text + sizeof text;
    *--p = '\r';
    const long value = expected();
    unsigned long magnitude = value < 0 ? 0UL - static_cast<unsigned long>(value) : value;
    do *--p = static_cast<char>('0' + magnitude % 10);
    while ((magnitude /= 10) != 0);
    if (value < 0) *--p = '-';
    if (line.size() != static_cast<std::size_t>(text + sizeof text - p)) std::abort();
    for (const char* c = line.data(); c != line.data() + line.size(); ++c, ++p)
      if (*c != *p) std::abort();
    ++lines_;
  }

  [[clang::no_sanitize("coverage")]] long expected() const {
    if (lines_ == 0) return format_.rate;
    if (lines_ == 1) return format_.bits;
    const std::uint8_t* frame = data_ + (lines_ - 2) * (format_.bits / 8) * format_.channels;
    if (format_.bits == 8) return frame[0];
    return static_cast<std::int16_t>(frame[0] | frame[1] << 8);
  }

  const WaveFormat& format_;
  const std::uint8_t* data_;
  std::uint64_t frames_;
  std::string line_;
  std::uint64_t lines_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varno::converter;
  MemorySource in(data, size);
  WaveFormat format;
  if (readWaveHeader(in, format) != Error::None) return 0;
  const std::uint64_t frameBytes = static_cast<std::uint64_t>(format.bits / 8) * format.channels;
  const std::uint64_t present = size - 44 < format.dataSize ? size - 44 : format.dataSize;
  CheckingSink out(format, data + 44, present / frameBytes);
  bool shortData = false;
  if (writeSampleText(format, in, out, shortData) != Error::None) std::abort();
  // Two header lines, then one line per whole frame present: no more, and no fewer
  // unless the data chunk ended early.
  if (out.midLine() || out.lines() != 2 + present / frameBytes) std::abort();
  if (shortData != (size - 44 < format.dataSize)) std::abort();
  return 0;
}

// libFuzzer entry: pelkin's reading of arbitrary bytes, on memory only. Besides the
// sanitizers' checks it asserts that whatever is accepted comes out as well-formed lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "converter/byte_io.h"
#include "converter/wave_to_text.h"

namespace {

using varno::converter::ByteSink;

// Checks each line as it arrives: an optional "-", digits, CR LF; counts sample lines.
class CheckingSink final : public ByteSink {
 public:
  bool write(const char* data, std::size_t size) override {
    for (std::size_t i = 0; i < size; ++i) take(data[i]);
    return true;
  }
  bool rewriteStart(const char*, std::size_t) override { return false; }
  std::uint64_t lines() const { return lines_; }
  bool midLine() const { return !line_.empty(); }

 private:
  void take(char c) {
    if (c != '\n') {
      line_ += c;
      if (line_.size() > 12) std::abort();
      return;
    }
    if (line_.size() < 2 || line_.back() != '\r') std::abort();
    const std::size_t first = line_[0] == '-' ? 1 : 0;
    if (first + 1 >= line_.size()) std::abort();
    for (std::size_t i = first; i + 1 < line_.size(); ++i)
      if (line_[i] < '0' || line_[i] > '9') std::abort();
    line_.clear();
    ++lines_;
  }

  std::string line_;
  std::uint64_t lines_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace varno::converter;
  MemorySource in(data, size);
  WaveFormat format;
  if (readWaveHeader(in, format) != Error::None) return 0;
  CheckingSink out;
  bool shortData = false;
  if (writeSampleText(format, in, out, shortData) != Error::None) std::abort();
  // Two header lines, then one line per whole frame present: no more, and no fewer
  // unless the data chunk ended early.
  const std::uint64_t frameBytes = static_cast<std::uint64_t>(format.bits / 8) * format.channels;
  const std::uint64_t present = size - 44 < format.dataSize ? size - 44 : format.dataSize;
  if (out.midLine() || out.lines() != 2 + present / frameBytes) std::abort();
  if (shortData != (size - 44 < format.dataSize)) std::abort();
  return 0;
}

#include "pipeline/resample.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <chrono>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

#include "common/numtext.h"
#include "pipeline/atomic_file.h"
#include "pipeline/lowpass.h"
#include "pipeline/sample_text.h"

namespace varno::pipeline {

namespace {

// Lines between two looks at the clock: cheap enough per line, far below 16 ms of work.
constexpr std::int64_t kLinesPerClockCheck = 4096;
constexpr auto kYieldInterval = std::chrono::milliseconds(16);
// Sample values beyond this count as this: 128 of them still add up exactly in 64 bits.
constexpr double kValueLimit = 1e15;

// Asks the caller to go on about every 16 ms.
class Pacer {
 public:
  explicit Pacer(const std::function<bool()>& keepGoing) : keepGoing_(keepGoing) {}
  bool keepGoing(std::int64_t line) {
    if (line % kLinesPerClockCheck != 0 || !keepGoing_) return true;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < kYieldInterval) return true;
    const bool goOn = keepGoing_();
    last_ = std::chrono::steady_clock::now();
    return goOn;
  }

 private:
  const std::function<bool()>& keepGoing_;
  std::chrono::steady_clock::time_point last_ = std::chrono::steady_clock::now();
};

// Adds one sample line to a group's running sum. The sum is a whole number, as a 32-bit
// integer sum would be: a fractional value rounds each partial sum to even.
void addSample(std::int64_t& sum, std::string_view line) {
  std::int64_t v;
  if (plainInteger(line, v)) {
    sum += v;
    return;
  }
  const double value = std::clamp(common::leadingNumber(line), -kValueLimit, kValueLimit);
  sum = static_cast<std::int64_t>(std::nearbyint(static_cast<double>(sum) + value));
}

// sum / factor rounded to the nearest whole number, halves away from zero.
std::int64_t roundedMean(std::int64_t sum, std::int64_t factor) {
  const std::int64_t half = factor / 2;
  return sum >= 0 ? (sum + half) / factor : -((-sum + half) / factor);
}

// The lines "-32768\r\n" to "32767\r\n", none longer than 8 bytes. A quantized value and
// its error are always in this range, so their lines are copied instead of formatted.
class RangeLines {
 public:
  struct Line {
    char text[8];
    std::uint8_t size;
  };
  RangeLines() {
    for (int v = kLowest; v <= -kLowest - 1; ++v) {
      Line& line = lines_[static_cast<std::size_t>(v - kLowest)];
      char* end = std::to_chars(line.text, line.text + 6, v).ptr;
      *end++ = '\r';
      *end++ = '\n';
      line.size = static_cast<std::uint8_t>(end - line.text);
    }
  }
  const Line& operator[](std::int64_t value) const {
    return lines_[static_cast<std::size_t>(value - kLowest)];
  }

 private:
  static constexpr int kLowest = -32768;
  std::array<Line, 65536> lines_{};
};

const RangeLines& rangeLines() {
  static const RangeLines lines;
  return lines;
}

class Writer {
 public:
  explicit Writer(AtomicFile& file) : file_(file) {}
  void header(std::string_view rate, std::string_view bits) {
    file_.write(rate);
    file_.write("\r\n");
    file_.write(bits);
    file_.write("\r\n");
  }
  void sample(std::string_view text) {
    finish();
    note();
    file_.write(text);
    file_.write("\r\n");
  }
  void sample(std::int64_t value) {
    finish();
    // The line end goes with the number: one copy into the file's buffer instead of two.
    char line[24];
    char* end = std::to_chars(line, line + sizeof line - 2, value).ptr;
    *end++ = '\r';
    *end++ = '\n';
    note();
    file_.write({line, static_cast<std::size_t>(end - line)});
  }
  // A value of -32768..32767, gathered with others into one copy to the file.
  void rangeSample(std::int64_t value) {
    if (stage_.empty()) stage_.resize(kStage);
    if (staged_ > kStage - sizeof(RangeLines::Line::text)) finish();
    note();
    const RangeLines::Line& line = lines_[value];
    std::memcpy(stage_.data() + staged_, line.text, sizeof line.text);
    staged_ += line.size;
  }
  // Hands what rangeSample gathered to the file; before its commit.
  void finish() {
    if (staged_ == 0) return;
    file_.write({stage_.data(), staged_});
    staged_ = 0;
  }
  std::int64_t samples() const { return samples_; }

  common::LineIndex index;

 private:
  static constexpr std::size_t kStage = 64 * 1024;

  void note() {
    if (samples_ % common::LineIndex::kStride == 0) index.offsets.push_back(file_.size() + staged_);
    ++samples_;
  }

  AtomicFile& file_;
  const RangeLines& lines_ = rangeLines();
  std::vector<char> stage_;
  std::size_t staged_ = 0;
  std::int64_t samples_ = 0;
};

// Where the values go: straight into the re-sampled text, or through the quantizer into it
// and the error text.
class Output {
 public:
  Output(Writer& values, Writer* errors, std::optional<Quantizer>& quantizer)
      : values_(values), errors_(errors), quantizer_(quantizer) {}
  // A first sample's line: copied as written unless it is to be quantized.
  void line(std::string_view text) {
    if (!quantizer_) return values_.sample(text);
    std::int64_t v;
    put(plainInteger(text, v) ? (*quantizer_)(v) : (*quantizer_)(common::leadingNumber(text)));
  }
  void value(std::int64_t v) {
    if (!quantizer_) return values_.sample(v);
    put((*quantizer_)(v));
  }

 private:
  void put(Quantized q) {
    values_.rangeSample(q.value);
    errors_->rangeSample(q.error);
  }

  Writer& values_;
  Writer* errors_;
  std::optional<Quantizer>& quantizer_;
};

}  // namespace

std::string resampledRateLine(std::string_view originalRateLine, int factor) {
  return common::plainNumberText(common::leadingNumber(originalRateLine) / factor);
}

ResampleResult resample(const std::filesystem::path& original,
                        const std::filesystem::path& resampled, int factor, Method method,
                        const std::function<bool()>& keepGoing, const Quantization& quantization,
                        const std::filesystem::path& errorText) {
  const auto fail = [](ResampleError error) {
    ResampleResult failed;
    failed.error = error;
    return failed;
  };
  const bool quantized = quantization.bits != 0;
  if (factor < 1 || (method == Method::LowPass && factor > 128) || quantization.bits < 0 ||
      quantization.bits > 16 || (quantized && errorText.empty()))
    return fail(ResampleError::CannotWrite);
  SampleTextReader in(original);
  std::string_view line;
  if (!in.next(line)) return fail(ResampleError::OriginalUnreadable);
  const std::string rateLine = resampledRateLine(line, factor);
  if (!in.next(line)) return fail(ResampleError::OriginalUnreadable);
  AtomicFile file(resampled);
  if (!file.ok()) return fail(ResampleError::CannotWrite);
  Writer out(file);
  out.header(rateLine, line);
  std::optional<AtomicFile> errorFile;
  std::optional<Writer> errors;
  std::optional<Quantizer> quantizer;
  if (quantized) {
    errorFile.emplace(errorText);
    if (!errorFile->ok()) return fail(ResampleError::CannotWrite);
    errors.emplace(*errorFile);
    errors->header(rateLine, line);
    quantizer.emplace(quantization, sampleRangeOf(line));
  }
  Output output(out, errors ? &*errors : nullptr, quantizer);
  const auto writing = [&] { return file.ok() && (!errorFile || errorFile->ok()); };
  // At factor 1 the filter passes whole numbers unchanged, so the lines are copied as written.
  std::optional<LowPassDecimator> lowPass;
  if (method == Method::LowPass && factor > 1) lowPass.emplace(factor, sampleRangeOf(line));

  Pacer pacer(keepGoing);
  std::int64_t lineNo = 0;
  int inGroup = 0;  // position of the line in its group, 0..factor-1
  std::int64_t sum = 0;
  while (in.next(line) && writing()) {
    if (!pacer.keepGoing(lineNo++)) return fail(ResampleError::Cancelled);
    if (lowPass) {
      for (std::int64_t value : lowPass->push(sampleValue(line))) output.value(value);
    } else if (method != Method::Average) {
      if (inGroup == 0) output.line(line);
    } else {
      addSample(sum, line);
      if (inGroup == factor - 1) {
        output.value(roundedMean(sum, factor));
        sum = 0;
      }
    }
    if (++inGroup == factor) inGroup = 0;
  }
  if (in.failed()) return fail(ResampleError::OriginalUnreadable);
  if (lowPass)
    for (std::int64_t value : lowPass->finish()) output.value(value);
  out.finish();
  if (errors) errors->finish();
  // Two renames cannot be one step: the error text goes first, so that a re-sampled text
  // never stands beside an error text older than itself.
  if (!writing() || (errorFile && !errorFile->commit()) || !file.commit())
    return fail(ResampleError::CannotWrite);
  ResampleResult result;
  result.samplesWritten = out.samples();
  result.index = std::move(out.index);
  if (quantizer) {
    result.errorIndex = std::move(errors->index);
    result.snrDb = quantizer->snrDb();
  }
  return result;
}

}  // namespace varno::pipeline

// libFuzzer entry: the decoder's own code on memory, libsndfile left out. The bytes choose a
// channel count, a width and a sample kind, then give the samples, which a reader hands out
// as libsndfile would, ending or failing at their end. Besides the sanitizers' checks it
// asserts that the WAVE holds every frame, each sample as an independent rounding makes it,
// that the progress only grows, and that the report and the job file stay one line a field.
#include <sndfile.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "converter/byte_io.h"
#include "converter/init.h"
#include "converter/job.h"
#include "converter/sound/decode.h"
#include "converter/sound/pcm.h"
#include "converter/sound/report.h"
#include "converter/text_to_wave.h"

namespace {

using namespace varno;
using converter::Error;

void check(bool ok) {
  if (!ok) std::abort();
}

// Takes bytes from the front of the input, zeros once it is used up.
class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t take(int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= std::uint64_t{pos_ < size_ ? data_[pos_++] : 0u} << (8 * i);
    return v;
  }
  std::string_view text(std::size_t n) {
    n = std::min(n, size_ - pos_);
    const std::string_view s(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return s;
  }
  std::size_t left() const { return size_ - pos_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// What the samples were before normalising: integers of a width, or doubles as they are.
enum class Kind { Double, Int16, Int24, Int32 };

struct Sample {
  double value;      // normalised, as libsndfile hands it out
  std::int64_t raw;  // the integer, for the integer kinds
};

// Rounding half away from zero of `numerator` / `denominator`, in integers.
std::int64_t divideRounded(std::int64_t numerator, std::int64_t denominator) {
  return (numerator + (numerator >= 0 ? denominator / 2 : -denominator / 2)) / denominator;
}

// The 16- or 8-bit value of a sample by another road than pcm.cpp's.
std::int64_t expected(const Sample& s, Kind kind, int bits) {
  const std::int64_t scale = bits == 8 ? 128 : 32768;
  std::int64_t v = 0;
  if (kind == Kind::Double) {
    if (std::isnan(s.value)) return bits == 8 ? 128 : 0;
    const double y = s.value * static_cast<double>(scale);
    if (y >= static_cast<double>(scale)) {
      v = scale - 1;
    } else if (y <= -static_cast<double>(scale)) {
      v = -scale;
    } else {
      const double whole = std::trunc(y);
      v = static_cast<std::int64_t>(whole) + (std::fabs(y - whole) >= 0.5 ? (y < 0 ? -1 : 1) : 0);
    }
  } else {
    const int width = kind == Kind::Int16 ? 16 : kind == Kind::Int24 ? 24 : 32;
    v = divideRounded(s.raw, std::int64_t{1} << (width - (bits == 8 ? 8 : 16)));
  }
  v = std::min(std::max(v, -scale), scale - 1);
  return bits == 8 ? v + 128 : v;
}

class FakeReader final : public sound::FrameReader {
 public:
  FakeReader(const std::vector<double>& samples, int channels, std::string failure)
      : samples_(samples),
        channels_(static_cast<std::size_t>(channels)),
        failure_(std::move(failure)) {}
  std::size_t read(double* out, std::size_t frames) override {
    const std::size_t got = std::min(frames, (samples_.size() - pos_) / channels_);
    std::copy_n(samples_.begin() + static_cast<std::ptrdiff_t>(pos_), got * channels_, out);
    pos_ += got * channels_;
    if (got < frames) ended_ = true;
    return got;
  }
  std::string failure() const override { return ended_ ? failure_ : std::string(); }

 private:
  const std::vector<double>& samples_;
  std::size_t channels_;
  std::size_t pos_ = 0;
  std::string failure_;
  bool ended_ = false;
};

std::int64_t signedOf(std::uint64_t v, int bits) {
  const std::uint64_t sign = std::uint64_t{1} << (bits - 1);
  return static_cast<std::int64_t>((v ^ sign) - sign);
}

void fuzzConversion(Bytes& in, int channels, int bits, Kind kind, std::string failure) {
  std::vector<Sample> samples;
  while (in.left() > 0) {
    if (kind == Kind::Double) {
      const std::uint64_t pattern = in.take(8);
      double d = 0;
      std::memcpy(&d, &pattern, sizeof d);
      samples.push_back({d, 0});
    } else {
      const int width = kind == Kind::Int16 ? 16 : kind == Kind::Int24 ? 24 : 32;
      const std::int64_t raw = signedOf(in.take(width / 8), width);
      samples.push_back({static_cast<double>(raw) / std::ldexp(1.0, width - 1), raw});
    }
  }
  std::vector<double> values;
  for (const Sample& s : samples) values.push_back(s.value);
  const auto stride = static_cast<std::size_t>(channels);
  const std::size_t frames = samples.size() / stride;
  FakeReader reader(values, channels, failure);
  converter::StringSink out;
  std::uint64_t lastProgress = 0;
  std::size_t calls = 0;
  const converter::Outcome outcome =
      sound::writeDecodedWave(reader, channels, 44100, bits, out, [&](std::uint64_t done) {
        check(done >= lastProgress && done <= frames);
        lastProgress = done;
        ++calls;
        return Error::None;
      });
  check(calls >= 1 && lastProgress == frames);
  if (!failure.empty()) {
    check(outcome.error == Error::NotDecodable && outcome.reason == failure);
    return;
  }
  check(outcome.error == Error::None);

  const std::string& wave = out.bytes();
  const int kept = channels == 2 ? 2 : 1;
  const std::size_t sampleBytes = bits == 8 ? 1 : 2;
  const std::size_t dataSize = frames * static_cast<std::size_t>(kept) * sampleBytes;
  const std::array<char, 44> header = converter::waveHeader(
      static_cast<std::uint16_t>(kept), 44100, bits, static_cast<std::uint32_t>(dataSize));
  check(wave.size() == 44 + dataSize + dataSize % 2);
  check(wave.compare(0, 44, header.data(), 44) == 0);
  for (std::size_t f = 0; f < frames; ++f) {
    for (std::size_t c = 0; c < static_cast<std::size_t>(kept); ++c) {
      const std::size_t at = 44 + (f * static_cast<std::size_t>(kept) + c) * sampleBytes;
      const std::int64_t written =
          bits == 8 ? static_cast<unsigned char>(wave[at])
                    : static_cast<std::int16_t>(static_cast<unsigned char>(wave[at]) |
                                                static_cast<unsigned char>(wave[at + 1]) << 8);
      check(written == expected(samples[f * stride + c], kind, bits));
    }
  }
}

bool hasLineEnd(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

// The report of a format word and numbers from the input, in a job file with lines 1 and 2
// from it too, and a reason: read back line by line, every field is where it belongs.
void fuzzReport(Bytes& in) {
  const auto format = static_cast<int>(in.take(4));
  const auto channels = static_cast<int>(in.take(2));
  const auto rate = static_cast<int>(in.take(4));
  const auto frames = static_cast<std::int64_t>(in.take(8));
  sound::SoundReport report = sound::describeSound(format, channels, rate, frames);
  const std::uint64_t progress = in.take(1);
  if (progress <= 100) report.progress = static_cast<int>(progress);
  const int subtype = format & SF_FORMAT_SUBMASK;
  check(report.bits == (subtype == SF_FORMAT_PCM_S8 || subtype == SF_FORMAT_PCM_U8 ? 8 : 16));
  check(report.frames >= -1 && (report.frames == -1 || report.frames == frames));

  converter::LockedJob::Lines raw;
  for (std::string& line : raw) {
    line = in.text(in.take(1));
    std::erase(line, '\n');
  }
  std::vector<std::string> lines = sound::reportLines(report);
  const char* keys[] = {
      "format=", "encoding=", "channels=", "rate=", "frames=", "bits=", "progress="};
  check(lines.size() == (report.progress ? 7u : 6u));
  for (std::size_t i = 0; i < lines.size(); ++i)
    check(lines[i].starts_with(keys[i]) && lines[i].size() > std::strlen(keys[i]) &&
          !hasLineEnd(lines[i]));
  const std::string reason = converter::reasonLine(in.text(in.take(1)));
  check(reason.starts_with("reason=") && !hasLineEnd(reason) && !reason.ends_with(' '));
  lines.push_back(reason);

  const std::string text = converter::jobText(raw, "error", lines);
  std::vector<std::string_view> read;
  for (std::string_view rest = text; !rest.empty();) {
    const std::size_t lf = rest.find('\n');
    check(lf != std::string_view::npos && lf > 0 && rest[lf - 1] == '\r');
    read.push_back(rest.substr(0, lf - 1));
    rest.remove_prefix(lf + 1);
  }
  check(read.size() == 3 + lines.size());
  for (std::size_t i = 0; i < 2; ++i) {
    std::string_view line = raw[i];
    if (line.ends_with('\r')) line.remove_suffix(1);
    check(read[i] == line);
  }
  check(read[2] == "error");
  for (std::size_t i = 0; i < lines.size(); ++i) check(read[3 + i] == lines[i]);
}

// Times and frames from the input: what the pace lets through only grows, a whole percent at
// a time, 100 ms apart, below 100 and never past the frames done.
void fuzzPace(Bytes& in) {
  const auto total = static_cast<std::int64_t>(in.take(4)) - 8;
  const sound::ProgressPace::Clock::time_point start;
  sound::ProgressPace pace(total, start);
  std::uint64_t done = 0;
  std::chrono::milliseconds at{0}, writtenAt{0};
  int written = 0;
  while (in.left() > 0) {
    done += in.take(2);
    at += std::chrono::milliseconds(in.take(1));
    const std::optional<int> due = pace.due(done, start + at);
    if (!due) continue;
    check(total > 0 && *due > written && *due < 100 &&
          at - writtenAt >= std::chrono::milliseconds(100));
    check(static_cast<std::uint64_t>(*due) * static_cast<std::uint64_t>(total) <= done * 100);
    written = *due;
    writtenAt = at;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  const std::uint64_t mode = in.take(1);
  if ((mode & 0xC0) == 0xC0) {
    fuzzReport(in);
  } else if ((mode & 0xC0) == 0x80) {
    fuzzPace(in);
  } else {
    const int channels = 1 + static_cast<int>(mode & 3) + (mode & 4 ? 2 : 0);
    const int bits = mode & 8 ? 8 : 16;
    const auto kind = static_cast<Kind>((mode >> 4) & 3);
    std::string failure(mode & 0x40 ? in.text(in.take(1)) : "");
    fuzzConversion(in, channels, bits, kind, failure);
  }
  return 0;
}

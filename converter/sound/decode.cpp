#include "converter/sound/decode.h"

#include <fcntl.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <span>
#include <utility>
#include <vector>

#include "converter/sound/pcm.h"
#include "converter/sound/report.h"
#include "converter/text_to_wave.h"

namespace varno::sound {

using converter::Error;
using converter::Outcome;

namespace {

constexpr std::size_t kBlockSamples = 8192;

Outcome failed(Error error, std::string reason = {}) {
  return Outcome{error, 0, false, std::move(reason)};
}

// libmpg123, under libsndfile, writes notes on broken MPEG data to standard error, which holds
// the decoder's own lines alone; while this lives they go nowhere.
class QuietStderr {
 public:
  QuietStderr() : saved_(::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0)) {
    const int null = saved_ >= 0 ? ::open("/dev/null", O_WRONLY | O_CLOEXEC) : -1;
    if (null < 0) return;
    ::dup2(null, STDERR_FILENO);
    ::close(null);
  }
  ~QuietStderr() {
    if (saved_ < 0) return;
    ::dup2(saved_, STDERR_FILENO);
    ::close(saved_);
  }
  QuietStderr(const QuietStderr&) = delete;
  QuietStderr& operator=(const QuietStderr&) = delete;

 private:
  int saved_;
};

struct CloseSndfile {
  void operator()(SNDFILE* file) const { sf_close(file); }
};
using Sndfile = std::unique_ptr<SNDFILE, CloseSndfile>;

class SndfileReader final : public FrameReader {
 public:
  explicit SndfileReader(SNDFILE* file) : file_(file) {}
  std::size_t read(double* samples, std::size_t frames) override {
    const sf_count_t got = sf_readf_double(file_, samples, static_cast<sf_count_t>(frames));
    return got > 0 ? static_cast<std::size_t>(got) : 0;
  }
  std::string failure() const override {
    return sf_error(file_) == SF_ERR_NO_ERROR ? std::string() : sf_strerror(file_);
  }

 private:
  SNDFILE* file_;
};

// Why libsndfile would not open the file. Version 1.2 says that the file does not exist or is
// no regular file (its error 7) when its MPEG decoder refuses the data, which of a regular
// file held open is never so.
std::string openFailure(int fd) {
  constexpr int kBadFile = 7;
  struct stat st {};
  if (sf_error(nullptr) == kBadFile && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode))
    return "its data can't be decoded";
  return sf_strerror(nullptr);
}

// Decodes the first block only: a broken stream behind a good header fails there already.
Outcome probe(FrameReader& in, int channels) {
  const std::size_t frames = blockFrames(channels);
  std::vector<double> samples(frames * static_cast<std::size_t>(channels));
  if (in.read(samples.data(), frames) < frames) {
    std::string why = in.failure();
    if (!why.empty()) return failed(Error::NotDecodable, std::move(why));
  }
  return {};
}

}  // namespace

std::size_t blockFrames(int channels) {
  return std::max<std::size_t>(1, kBlockSamples / static_cast<std::size_t>(channels));
}

Outcome writeDecodedWave(FrameReader& in, int channels, std::uint32_t rate, int bits,
                         converter::ByteSink& out, const ProgressCall& progress) {
  const auto kept = static_cast<std::uint16_t>(keptChannels(channels));
  const std::array<char, 44> provisional = converter::waveHeader(kept, rate, bits, 0);
  if (!out.write(provisional.data(), provisional.size())) return failed(Error::OutputNotWritten);
  const std::size_t frames = blockFrames(channels);
  std::vector<double> samples(frames * static_cast<std::size_t>(channels));
  std::vector<char> data(frames * waveFrameBytes(channels, bits));
  std::uint64_t done = 0;
  std::uint64_t dataSize = 0;
  for (;;) {
    const std::size_t got = in.read(samples.data(), frames);
    const std::size_t bytes =
        packFrames(std::span(samples).first(got * static_cast<std::size_t>(channels)), channels,
                   bits, data.data());
    if (dataSize + bytes > kMaxWaveData) return failed(Error::OutputTooLong);
    if (!out.write(data.data(), bytes)) return failed(Error::OutputNotWritten);
    done += got;
    dataSize += bytes;
    if (Error e = progress(done); e != Error::None) return failed(e);
    if (got == frames) continue;
    std::string why = in.failure();
    if (!why.empty()) return failed(Error::NotDecodable, std::move(why));
    break;
  }
  const std::array<char, 44> header =
      converter::waveHeader(kept, rate, bits, static_cast<std::uint32_t>(dataSize));
  // RIFF chunks are padded to an even size.
  const char pad = 0;
  if ((dataSize % 2 != 0 && !out.write(&pad, 1)) || !out.rewriteStart(header.data(), header.size()))
    return failed(Error::OutputNotWritten);
  return {};
}

Outcome decodeSound(converter::FileSource& input, const std::string& outputPath,
                    converter::JobReport& report) {
  const QuietStderr quiet;
  // libsndfile 1.2 closes a descriptor it fails to open, whatever it was told: it gets a
  // copy of its own.
  const int fd = ::fcntl(input.descriptor(), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) return failed(Error::InputNotRead);
  SF_INFO info{};
  const Sndfile file(sf_open_fd(fd, SFM_READ, &info, SF_TRUE));
  if (!file) return failed(Error::NotDecodable, openFailure(input.descriptor()));
  if (info.channels < 1) return failed(Error::NoChannels);
  SoundReport sound = describeSound(info.format, info.channels, info.samplerate, info.frames);
  const std::size_t frameBytes = waveFrameBytes(info.channels, sound.bits);
  // The WAVE's byte rate, rate × frame bytes, is a 32-bit field.
  if (info.samplerate < 1 ||
      static_cast<std::uint64_t>(info.samplerate) * frameBytes > 0xFFFFFFFFULL)
    return failed(Error::BadRate);
  SndfileReader reader(file.get());
  if (outputPath.empty()) {
    report.set(reportLines(sound));
    return probe(reader, info.channels);
  }

  if (sound.frames >= 0) sound.progress = 0;
  if (Error e = report.publish(reportLines(sound)); e != Error::None) return failed(e);
  if (sound.frames >= 0 && static_cast<std::uint64_t>(sound.frames) > kMaxWaveData / frameBytes)
    return failed(Error::OutputTooLong);
  converter::ReplacingSink out;
  if (!out.open(outputPath)) return failed(Error::OutputNotOpened);
  ProgressPace pace(sound.frames, ProgressPace::Clock::now());
  std::uint64_t decoded = 0;
  Outcome outcome = writeDecodedWave(
      reader, info.channels, static_cast<std::uint32_t>(info.samplerate), sound.bits, out,
      [&](std::uint64_t done) {
        decoded = done;
        const std::optional<int> percent = pace.due(done, ProgressPace::Clock::now());
        if (!percent) return Error::None;
        sound.progress = percent;
        return report.publish(reportLines(sound));
      });
  if (outcome.error == Error::None && !out.commit()) outcome.error = Error::OutputNotWritten;
  if (outcome.error != Error::None) return outcome;
  if (sound.progress) sound.progress = 100;
  report.set(reportLines(sound));
  outcome.shortData = sound.frames >= 0 && decoded < static_cast<std::uint64_t>(sound.frames);
  return outcome;
}

}  // namespace varno::sound

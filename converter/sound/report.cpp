#include "converter/sound/report.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <utility>

namespace varno::sound {

namespace {

using Name = std::pair<int, const char*>;

constexpr std::array kFormats{
    Name{SF_FORMAT_WAV, "WAV"},   Name{SF_FORMAT_WAVEX, "WAVEX"}, Name{SF_FORMAT_AIFF, "AIFF"},
    Name{SF_FORMAT_AU, "AU"},     Name{SF_FORMAT_FLAC, "FLAC"},   Name{SF_FORMAT_OGG, "OGG"},
    Name{SF_FORMAT_MPEG, "MPEG"}, Name{SF_FORMAT_CAF, "CAF"},     Name{SF_FORMAT_W64, "W64"},
    Name{SF_FORMAT_RF64, "RF64"},
};

constexpr std::array kEncodings{
    Name{SF_FORMAT_PCM_S8, "PCM_S8"},
    Name{SF_FORMAT_PCM_U8, "PCM_U8"},
    Name{SF_FORMAT_PCM_16, "PCM_16"},
    Name{SF_FORMAT_PCM_24, "PCM_24"},
    Name{SF_FORMAT_PCM_32, "PCM_32"},
    Name{SF_FORMAT_FLOAT, "FLOAT"},
    Name{SF_FORMAT_DOUBLE, "DOUBLE"},
    Name{SF_FORMAT_ULAW, "ULAW"},
    Name{SF_FORMAT_ALAW, "ALAW"},
    Name{SF_FORMAT_VORBIS, "VORBIS"},
    Name{SF_FORMAT_OPUS, "OPUS"},
    Name{SF_FORMAT_MPEG_LAYER_I, "MPEG_I"},
    Name{SF_FORMAT_MPEG_LAYER_II, "MPEG_II"},
    Name{SF_FORMAT_MPEG_LAYER_III, "MPEG_III"},
    Name{SF_FORMAT_ALAC_16, "ALAC"},
    Name{SF_FORMAT_ALAC_20, "ALAC"},
    Name{SF_FORMAT_ALAC_24, "ALAC"},
    Name{SF_FORMAT_ALAC_32, "ALAC"},
};

template <std::size_t N>
const char* nameOf(const std::array<Name, N>& names, int code) {
  const auto* it = std::find_if(names.begin(), names.end(),
                                [code](const Name& name) { return name.first == code; });
  return it != names.end() ? it->second : "OTHER";
}

}  // namespace

SoundReport describeSound(int sfFormat, int channels, int rate, std::int64_t frames) {
  const int subtype = sfFormat & SF_FORMAT_SUBMASK;
  SoundReport report;
  report.format = nameOf(kFormats, sfFormat & SF_FORMAT_TYPEMASK);
  report.encoding = nameOf(kEncodings, subtype);
  report.channels = channels;
  report.rate = rate;
  report.frames = frames < 0 || frames == SF_COUNT_MAX ? -1 : frames;
  report.bits = subtype == SF_FORMAT_PCM_S8 || subtype == SF_FORMAT_PCM_U8 ? 8 : 16;
  return report;
}

std::vector<std::string> reportLines(const SoundReport& report) {
  std::vector<std::string> lines{
      std::string("format=") + report.format,        std::string("encoding=") + report.encoding,
      "channels=" + std::to_string(report.channels), "rate=" + std::to_string(report.rate),
      "frames=" + std::to_string(report.frames),     "bits=" + std::to_string(report.bits),
  };
  if (report.progress) lines.push_back("progress=" + std::to_string(*report.progress));
  return lines;
}

ProgressPace::ProgressPace(std::int64_t totalFrames, Clock::time_point start)
    : total_(totalFrames), writtenAt_(start) {}

std::optional<int> ProgressPace::due(std::uint64_t done, Clock::time_point now) {
  if (total_ <= 0) return std::nullopt;
  const auto total = static_cast<std::uint64_t>(total_);
  // Lossy formats' totals are estimates that the frames decoded may pass.
  const int percent = static_cast<int>(done < total ? done * 100 / total : 99);
  if (percent <= written_ || now - writtenAt_ < std::chrono::milliseconds(100)) return std::nullopt;
  written_ = percent;
  writtenAt_ = now;
  return percent;
}

}  // namespace varno::sound

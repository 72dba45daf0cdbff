#pragma once
// What the decoder tells the window about a sound: the key=value lines after the job's status.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace varno::sound {

struct SoundReport {
  const char* format = "OTHER";    // the container: WAV, WAVEX, AIFF, AU, FLAC, OGG ...
  const char* encoding = "OTHER";  // PCM_16, FLOAT, VORBIS, MPEG_III ...
  int channels = 0;                // of the source
  int rate = 0;
  std::int64_t frames = -1;  // -1 when the library does not know
  int bits = 16;             // of the WAVE written: 8 for 8-bit sources only
  std::optional<int> progress;
};

// The report of a sound whose libsndfile format word is `sfFormat`; frames that are negative or
// libsndfile's "unknown" become -1.
SoundReport describeSound(int sfFormat, int channels, int rate, std::int64_t frames);

// format=, encoding=, channels=, rate=, frames=, bits= and, when known, progress=, in this order.
std::vector<std::string> reportLines(const SoundReport& report);

// Paces the progress written to the job, a small file rewritten whole: a new percent once it
// is a whole percent past the last one written and 100 ms after it. While decoding the
// percent stays below 100, which only the end writes; with the total unknown there is none.
class ProgressPace {
 public:
  using Clock = std::chrono::steady_clock;
  // 0 % counts as written at `start`.
  ProgressPace(std::int64_t totalFrames, Clock::time_point start);
  // The percent to write after `done` frames at `now`; nothing when no write is due.
  std::optional<int> due(std::uint64_t done, Clock::time_point now);

 private:
  std::int64_t total_;
  int written_ = 0;
  Clock::time_point writtenAt_;
};

}  // namespace varno::sound
